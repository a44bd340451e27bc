#include "ui/BalloonTip.h"

#include <QApplication>
#include <QEnterEvent>
#include <QFontMetrics>
#include <QHoverEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRegion>
#include <QScreen>
#include <QStyle>
#include <QToolTip>
#include <algorithm>
#include <climits>

namespace {

constexpr int kBalloonMargin = 8;
constexpr int kRectMargin = 4;
constexpr int kRadius = 7;
constexpr int kStemHeight = 14;
constexpr int kStemHalfWidth = 9;
constexpr int kIconSize = 16;
constexpr int kIconGap = 6;
constexpr int kTitleGap = 5;
constexpr int kPointerGap = 4;  // keeps the stem's point just off the pointer's hot spot

QStyle::StandardPixmap IconPixmap(int icon) {
    switch (icon) {
    case TipWindow::kTitleIconWarning:
        return QStyle::SP_MessageBoxWarning;
    case TipWindow::kTitleIconError:
        return QStyle::SP_MessageBoxCritical;
    default:
        return QStyle::SP_MessageBoxInformation;
    }
}

bool HasIcon(int icon) {
    return icon >= TipWindow::kTitleIconInfo && icon <= TipWindow::kTitleIconError;
}

QPoint EventGlobalPos(QWidget* control, QEvent* event) {
    switch (event->type()) {
    case QEvent::Enter:
        return control->mapToGlobal(static_cast<QEnterEvent*>(event)->position().toPoint());
    case QEvent::MouseMove:
        return control->mapToGlobal(static_cast<QMouseEvent*>(event)->position().toPoint());
    case QEvent::HoverEnter:
    case QEvent::HoverMove:
        return control->mapToGlobal(static_cast<QHoverEvent*>(event)->position().toPoint());
    default:
        return control->mapToGlobal(control->rect().center());
    }
}

}  // namespace

BalloonTip::BalloonTip(QWidget* owner, quint32 style)
    : QWidget(owner, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), m_style(style) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setObjectName(QStringLiteral("BalloonTip"));

    // The common controls derive their default delays from the double-click time.
    const int doubleClick = QApplication::doubleClickInterval();
    m_initialDelay = doubleClick;
    m_autoPopDelay = doubleClick * 10;
    m_reshowDelay = doubleClick / 5;

    const QPalette tipPalette = QToolTip::palette();
    m_textColor = tipPalette.color(QPalette::ToolTipText);
    m_backColor = tipPalette.color(QPalette::ToolTipBase);
    m_tipFont = QToolTip::font();

    m_initialTimer.setSingleShot(true);
    m_popTimer.setSingleShot(true);
    connect(&m_initialTimer, &QTimer::timeout, this, &BalloonTip::InitialDelayElapsed);
    connect(&m_popTimer, &QTimer::timeout, this, &BalloonTip::Pop);
}

BalloonTip::~BalloonTip() {
    for (const Tool& tool : m_tools) {
        if (tool.control)
            tool.control->removeEventFilter(this);
    }
}

void BalloonTip::SetMaxTipWidth(int width) {
    m_maxTipWidth = width;
    Relayout();
}

void BalloonTip::SetDelayTime(int which, int milliseconds) {
    milliseconds = std::max(0, milliseconds);
    switch (which) {
    case TipWindow::kTtdtInitial:
        m_initialDelay = milliseconds;
        m_initialTimer.setInterval(milliseconds);
        break;
    case TipWindow::kTtdtAutoPop:
        m_autoPopDelay = milliseconds;
        break;
    case TipWindow::kTtdtReshow:
        m_reshowDelay = milliseconds;
        break;
    default:
        break;
    }
}

int BalloonTip::DelayTime(int which) const {
    switch (which) {
    case TipWindow::kTtdtInitial:
        return m_initialDelay;
    case TipWindow::kTtdtAutoPop:
        return m_autoPopDelay;
    case TipWindow::kTtdtReshow:
        return m_reshowDelay;
    default:
        return -1;
    }
}

void BalloonTip::SetTipTextColor(const QColor& color) {
    if (color == m_textColor)
        return;
    m_textColor = color;
    update();
}

void BalloonTip::SetTipBkColor(const QColor& color) {
    if (color == m_backColor)
        return;
    m_backColor = color;
    update();
}

void BalloonTip::SetTipFont(const QFont& font) {
    // Compared in full so that repeated assignments of the same font do not move a showing balloon.
    const bool same = font == m_tipFont && font.pixelSize() == m_tipFont.pixelSize();
    m_tipFont = font;
    if (!same)
        Relayout();
}

void BalloonTip::SetTitle(const QString& title, int icon) {
    if (title == m_title && icon == m_titleIcon)
        return;
    m_title = title;
    m_titleIcon = icon;
    Relayout();
}

void BalloonTip::AddTool(QWidget* control, const QString& text, quint32 flags) {
    if (!control)
        return;
    for (Tool& tool : m_tools) {
        if (tool.control == control) {
            tool.text = text;
            tool.flags = flags;
            return;
        }
    }
    // Drop entries of controls that no longer exist before adding.
    std::erase_if(m_tools, [](const Tool& tool) { return tool.control.isNull(); });
    m_tools.push_back({control, text, flags});
    // Hover events reach a control whether or not it tracks the mouse or is enabled.
    control->setAttribute(Qt::WA_Hover);
    control->installEventFilter(this);
}

quint32 BalloonTip::ToolFlags(const QWidget* control) const {
    const Tool* tool = FindTool(control);
    return tool ? tool->flags : 0;
}

QString BalloonTip::ToolText(const QWidget* control) const {
    const Tool* tool = FindTool(control);
    return tool ? tool->text : QString();
}

int BalloonTip::ToolCount() const {
    return static_cast<int>(std::count_if(m_tools.begin(), m_tools.end(),
                                          [](const Tool& tool) { return !tool.control.isNull(); }));
}

QWidget* BalloonTip::ShownTool() const {
    return isVisible() ? m_shownTool.data() : nullptr;
}

const BalloonTip::Tool* BalloonTip::FindTool(const QObject* control) const {
    if (!control)
        return nullptr;
    for (const Tool& tool : m_tools) {
        if (tool.control == control)
            return &tool;
    }
    return nullptr;
}

bool BalloonTip::eventFilter(QObject* watched, QEvent* event) {
    if (!FindTool(watched))
        return false;
    auto* control = static_cast<QWidget*>(watched);
    switch (event->type()) {
    case QEvent::Enter:
    case QEvent::HoverEnter:
        PointerEntered(control, EventGlobalPos(control, event));
        break;
    case QEvent::MouseMove:
    case QEvent::HoverMove:
        PointerMoved(control, EventGlobalPos(control, event));
        break;
    case QEvent::Leave:
    case QEvent::HoverLeave:
        PointerLeft(control);
        break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
        if (control == m_hoverTool || control == m_shownTool)
            Pop();
        break;
    case QEvent::Hide:
        if (control == m_hoverTool || control == m_shownTool) {
            Dismiss();
            m_initialTimer.stop();
            m_hoverTool = nullptr;
        }
        break;
    default:
        break;
    }
    return false;
}

void BalloonTip::PointerEntered(QWidget* control, const QPoint& globalPos) {
    if (control == m_hoverTool) {
        PointerMoved(control, globalPos);
        return;
    }
    // Moving on from a showing balloon uses the short reshow delay, as the common control does.
    const bool reshow = (isVisible() && m_shownTool != control) ||
                        (m_leftShownAt.isValid() && m_leftShownAt.elapsed() < m_initialDelay);
    Dismiss();
    m_leftShownAt.invalidate();
    m_hoverTool = control;
    m_stayDone = false;
    m_pointer = globalPos;
    m_initialTimer.start(std::max(0, reshow ? m_reshowDelay : m_initialDelay));
}

void BalloonTip::PointerMoved(QWidget* control, const QPoint& globalPos) {
    if (control != m_hoverTool) {
        PointerEntered(control, globalPos);
        return;
    }
    m_pointer = globalPos;
    if (m_stayDone || (isVisible() && m_shownTool == control))
        return;
    // The balloon waits for the pointer to rest: every move starts the delay again.
    m_initialTimer.start();
}

void BalloonTip::PointerLeft(QWidget* control) {
    if (control != m_hoverTool)
        return;
    m_hoverTool = nullptr;
    m_stayDone = false;
    m_initialTimer.stop();
    if (isVisible())
        m_leftShownAt.start();
    Dismiss();
}

void BalloonTip::Dismiss() {
    m_popTimer.stop();
    m_shownTool = nullptr;
    hide();
}

void BalloonTip::Pop() {
    Dismiss();
    m_initialTimer.stop();
    if (m_hoverTool)
        m_stayDone = true;
}

bool BalloonTip::MayShowFor(const QWidget* control) const {
    if (m_style & TipWindow::kTtsAlwaysTip)
        return true;
    return QApplication::activeWindow() == control->window();
}

void BalloonTip::InitialDelayElapsed() {
    QWidget* control = m_hoverTool;
    if (!control || !control->isVisible() || !MayShowFor(control))
        return;
    ShowFor(control, m_pointer);
}

void BalloonTip::ShowFor(QWidget* control, const QPoint& globalPointer) {
    const Tool* tool = FindTool(control);
    if (!tool)
        return;
    m_shownTool = control;
    m_shownText = tool->text;
    m_pointer = globalPointer;
    Relayout();
    show();
    // A visible time of 0 keeps the balloon up until the pointer leaves.
    if (m_autoPopDelay > 0)
        m_popTimer.start(m_autoPopDelay);
    else
        m_popTimer.stop();
}

void BalloonTip::mousePressEvent(QMouseEvent* event) {
    event->accept();
    Pop();
}

int BalloonTip::TextFlags() const {
    int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;
    if (!(m_style & TipWindow::kTtsNoPrefix))
        flags |= Qt::TextHideMnemonic;
    return flags;
}

QFont BalloonTip::TitleFont() const {
    QFont font = m_tipFont;
    font.setBold(true);
    return font;
}

int BalloonTip::StemHeight() const {
    return IsBalloon() ? kStemHeight : 0;
}

int BalloonTip::BodyTop() const {
    return m_stemOnTop ? StemHeight() : 0;
}

BalloonTip::Layout BalloonTip::ComputeLayout() const {
    Layout layout;
    const int margin = IsBalloon() ? kBalloonMargin : kRectMargin;
    const int wrapWidth = m_maxTipWidth > 0 ? m_maxTipWidth : INT_MAX / 4;

    const QFontMetrics textMetrics(m_tipFont);
    const QRect textBounds = m_shownText.isEmpty()
                                 ? QRect()
                                 : textMetrics.boundingRect(QRect(0, 0, wrapWidth, INT_MAX / 4), TextFlags(),
                                                            m_shownText);

    int titleWidth = 0;
    int titleHeight = 0;
    const bool hasIcon = HasIcon(m_titleIcon);
    if (!m_title.isEmpty() || hasIcon) {
        const QFontMetrics titleMetrics(TitleFont());
        const int iconWidth = hasIcon ? kIconSize + (m_title.isEmpty() ? 0 : kIconGap) : 0;
        titleWidth = iconWidth + titleMetrics.horizontalAdvance(m_title);
        titleHeight = std::max(hasIcon ? kIconSize : 0, titleMetrics.height());
        if (hasIcon)
            layout.icon = QRect(margin, margin + (titleHeight - kIconSize) / 2, kIconSize, kIconSize);
        layout.title = QRect(margin + iconWidth, margin, titleWidth - iconWidth, titleHeight);
    }

    const int gap = titleHeight > 0 && textBounds.height() > 0 ? kTitleGap : 0;
    layout.text = QRect(margin, margin + titleHeight + gap, textBounds.width(), textBounds.height());
    int contentWidth = std::max(titleWidth, textBounds.width());
    layout.body = QSize(contentWidth + 2 * margin, titleHeight + gap + textBounds.height() + 2 * margin);
    if (IsBalloon())
        layout.body.setWidth(std::max(layout.body.width(), 2 * (kRadius + kStemHalfWidth) + 2));
    return layout;
}

void BalloonTip::Relayout() {
    QWidget* control = m_shownTool;
    const Tool* tool = FindTool(control);
    if (!tool)
        return;
    const Layout layout = ComputeLayout();
    const int bodyWidth = layout.body.width();
    const int totalHeight = layout.body.height() + StemHeight();

    const QRect controlRect(control->mapToGlobal(QPoint(0, 0)), control->size());
    const bool centred = (tool->flags & TipWindow::kTtfCenterTip) != 0;
    const QPoint below = centred ? QPoint(controlRect.center().x(), controlRect.bottom() + 1)
                                 : m_pointer + QPoint(0, kPointerGap);
    const QPoint above = centred ? QPoint(controlRect.center().x(), controlRect.top()) : m_pointer;

    QScreen* screen = QGuiApplication::screenAt(below);
    if (!screen)
        screen = control->screen();
    const QRect avail = screen ? screen->availableGeometry() : QRect(0, 0, INT_MAX / 4, INT_MAX / 4);

    // Below the point unless the balloon would leave the screen there and fits above it.
    m_stemOnTop = below.y() + totalHeight <= avail.bottom() + 1 || above.y() - totalHeight < avail.top();
    m_stemPoint = m_stemOnTop ? below : above;

    int left = m_stemPoint.x() - bodyWidth / 2;
    left = std::max(avail.left(), std::min(left, avail.right() + 1 - bodyWidth));
    const int top = m_stemOnTop ? m_stemPoint.y() : m_stemPoint.y() - totalHeight;
    const int stemMin = kRadius + kStemHalfWidth;
    const int stemMax = std::max(stemMin, bodyWidth - kRadius - kStemHalfWidth);
    m_stemX = std::clamp(m_stemPoint.x() - left, stemMin, stemMax);

    setGeometry(left, top, bodyWidth, totalHeight);
    const QPainterPath path = BalloonPath();
    // A shaped window instead of a translucent one: works without a compositing manager.
    setMask(QRegion(path.toFillPolygon().toPolygon()));
    update();
}

QPainterPath BalloonTip::BalloonPath() const {
    const Layout layout = ComputeLayout();
    const QRectF body(0.5, BodyTop() + 0.5, layout.body.width() - 1.0, layout.body.height() - 1.0);
    QPainterPath path;
    if (!IsBalloon()) {
        path.addRect(body);
        return path;
    }
    path.addRoundedRect(body, kRadius, kRadius);
    QPolygonF stem;
    if (m_stemOnTop) {
        stem << QPointF(m_stemX - kStemHalfWidth, body.top() + 1) << QPointF(m_stemX, 0.5)
             << QPointF(m_stemX + kStemHalfWidth, body.top() + 1);
    } else {
        stem << QPointF(m_stemX - kStemHalfWidth, body.bottom() - 1) << QPointF(m_stemX, height() - 0.5)
             << QPointF(m_stemX + kStemHalfWidth, body.bottom() - 1);
    }
    QPainterPath stemPath;
    stemPath.addPolygon(stem);
    stemPath.closeSubpath();
    return path.united(stemPath);
}

void BalloonTip::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(m_textColor, 1));
    painter.setBrush(m_backColor);
    painter.drawPath(BalloonPath());

    const Layout layout = ComputeLayout();
    const QPoint origin(0, BodyTop());
    if (HasIcon(m_titleIcon)) {
        const QIcon icon = style()->standardIcon(IconPixmap(m_titleIcon), nullptr, this);
        icon.paint(&painter, layout.icon.translated(origin));
    }
    painter.setPen(m_textColor);
    if (!m_title.isEmpty()) {
        painter.setFont(TitleFont());
        painter.drawText(layout.title.translated(origin), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                         m_title);
    }
    painter.setFont(m_tipFont);
    painter.drawText(layout.text.translated(origin), TextFlags(), m_shownText);
}
