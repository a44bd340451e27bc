#include "ui/ClassicControls.h"

#include "ui/FormLayout.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QStyleFactory>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <memory>

namespace {

constexpr int kIndicatorSize = 13;
constexpr int kCaptionLeft = 7;    // where a frame's caption begins
constexpr int kFocusInset = 4;     // the dotted focus frame inside a button's edge

// Two lines along the top and left of `r`, two along the bottom and right: the classic 3D edge.
void DrawEdge(QPainter* painter, const QRect& r, const QColor& outerTopLeft, const QColor& outerBottomRight,
              const QColor& innerTopLeft, const QColor& innerBottomRight) {
    auto frame = [painter](const QRect& box, const QColor& topLeft, const QColor& bottomRight) {
        painter->setPen(topLeft);
        painter->drawLine(box.topLeft(), box.topRight() - QPoint(1, 0));
        painter->drawLine(box.topLeft(), box.bottomLeft() - QPoint(0, 1));
        painter->setPen(bottomRight);
        painter->drawLine(box.bottomLeft(), box.bottomRight());
        painter->drawLine(box.topRight(), box.bottomRight());
    };
    frame(r, outerTopLeft, outerBottomRight);
    frame(r.adjusted(1, 1, -1, -1), innerTopLeft, innerBottomRight);
}

void DrawButtonBevel(QPainter* painter, const QStyleOptionButton* button) {
    QRect r = button->rect;
    const QColor face = button->palette.color(QPalette::Button);
    painter->save();
    painter->fillRect(r, face);
    // The default button carries a black frame around its edge.
    if (button->features & QStyleOptionButton::DefaultButton) {
        painter->setPen(Qt::black);
        painter->drawRect(r.adjusted(0, 0, -1, -1));
        r.adjust(1, 1, -1, -1);
    }
    if (button->state & (QStyle::State_Sunken | QStyle::State_On)) {
        DrawEdge(painter, r, kEdgeDarkShadow, kEdgeDarkShadow, kEdgeShadow, kEdgeShadow);
    } else {
        DrawEdge(painter, r, face, kEdgeDarkShadow, kEdgeHighlight, kEdgeShadow);
    }
    painter->restore();
}

// A sunken white box with the classic seven-column tick; greyed or disabled, the box takes
// the face colour and the tick goes grey.
void DrawCheckIndicator(QPainter* painter, const QStyleOption* option) {
    const QRect r(option->rect.x(), option->rect.y(), kIndicatorSize, kIndicatorSize);
    const bool enabled = option->state & QStyle::State_Enabled;
    const bool greyed = option->state & QStyle::State_NoChange;
    const QColor face = option->palette.color(QPalette::Button);
    painter->save();
    DrawEdge(painter, r, kEdgeShadow, kEdgeHighlight, kEdgeDarkShadow, face);
    painter->fillRect(r.adjusted(2, 2, -2, -2), enabled && !greyed ? QColor(Qt::white) : face);
    if (option->state & (QStyle::State_On | QStyle::State_NoChange)) {
        const QColor tick = enabled && !greyed ? QColor(Qt::black) : kGrayText;
        constexpr int kTops[] = {5, 6, 7, 6, 5, 4, 3};
        for (int column = 0; column < 7; ++column) {
            painter->fillRect(r.x() + 3 + column, r.y() + kTops[column], 1, 3, tick);
        }
    }
    painter->restore();
}

QStyle* SharedClassicStyle() {
    static QPointer<QStyle> style;
    if (!style) {
        style = new ClassicStyle;
        // Goes with the application, after the last window that used it.
        style->setParent(QCoreApplication::instance());
    }
    return style;
}

}  // namespace

ClassicStyle::ClassicStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

void ClassicStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                                 const QWidget* widget) const {
    switch (element) {
    case PE_PanelButtonCommand:
        if (const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option)) {
            DrawButtonBevel(painter, button);
            return;
        }
        break;
    case PE_IndicatorCheckBox:
        DrawCheckIndicator(painter, option);
        return;
    case PE_FrameFocusRect: {
        painter->save();
        QPen dots(option->palette.color(QPalette::WindowText), 0);
        dots.setDashPattern({1, 1});
        painter->setPen(dots);
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(option->rect.adjusted(0, 0, -1, -1));
        painter->restore();
        return;
    }
    case PE_FrameGroupBox: {
        // Etched: a shadow line with a highlight line beside it.
        const QRect r = option->rect;
        painter->save();
        painter->setPen(kEdgeShadow);
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(r.adjusted(0, 0, -2, -2));
        painter->setPen(kEdgeHighlight);
        painter->drawRect(r.adjusted(1, 1, -1, -1));
        painter->restore();
        return;
    }
    default:
        break;
    }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}

void ClassicStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                               const QWidget* widget) const {
    if (element == CE_PushButton) {
        if (const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option)) {
            DrawButtonBevel(painter, button);
            QStyleOptionButton label = *button;
            label.rect = button->rect.adjusted(kFocusInset, kFocusInset, -kFocusInset, -kFocusInset);
            // A pressed button's caption moves down and right by one pixel.
            if (button->state & (State_Sunken | State_On)) label.rect.translate(1, 1);
            QProxyStyle::drawControl(CE_PushButtonLabel, &label, painter, widget);
            if (button->state & State_HasFocus) {
                QStyleOptionFocusRect focus;
                focus.QStyleOption::operator=(*button);
                focus.rect = button->rect.adjusted(kFocusInset - 1, kFocusInset - 1, 1 - kFocusInset, 1 - kFocusInset);
                drawPrimitive(PE_FrameFocusRect, &focus, painter, widget);
            }
            return;
        }
    }
    QProxyStyle::drawControl(element, option, painter, widget);
}

void ClassicStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                                      const QWidget* widget) const {
    const auto* frame = qstyleoption_cast<const QStyleOptionGroupBox*>(option);
    if (control != CC_GroupBox || !frame) {
        QProxyStyle::drawComplexControl(control, option, painter, widget);
        return;
    }
    const QRect caption = subControlRect(CC_GroupBox, frame, SC_GroupBoxLabel, widget);
    painter->save();
    // The top line stops where the caption stands in it.
    if (!frame->text.isEmpty()) painter->setClipRegion(QRegion(frame->rect).subtracted(caption));
    QStyleOptionFrame edge;
    edge.QStyleOption::operator=(*frame);
    edge.rect = subControlRect(CC_GroupBox, frame, SC_GroupBoxFrame, widget);
    drawPrimitive(PE_FrameGroupBox, &edge, painter, widget);
    painter->setClipping(false);
    if (!frame->text.isEmpty()) {
        const QPalette::ColorGroup group = (frame->state & State_Enabled) ? QPalette::Active : QPalette::Disabled;
        painter->setPen(frame->palette.color(group, QPalette::WindowText));
        painter->drawText(caption, Qt::AlignCenter | Qt::TextShowMnemonic | Qt::TextSingleLine, frame->text);
    }
    painter->restore();
}

QRect ClassicStyle::subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl subControl,
                                   const QWidget* widget) const {
    const auto* frame = qstyleoption_cast<const QStyleOptionGroupBox*>(option);
    if (control != CC_GroupBox || !frame) return QProxyStyle::subControlRect(control, option, subControl, widget);
    const QFontMetrics metrics = widget ? widget->fontMetrics() : frame->fontMetrics;
    const int lineTop = metrics.height() / 2;
    switch (subControl) {
    case SC_GroupBoxLabel:
        // One pixel of space on either side of the caption breaks the line.
        return {kCaptionLeft, 0, metrics.horizontalAdvance(frame->text) + 2, metrics.height()};
    case SC_GroupBoxFrame:
        return frame->rect.adjusted(0, lineTop, 0, 0);
    case SC_GroupBoxContents:
        return frame->rect.adjusted(2, metrics.height(), -2, -2);
    default:
        return {};
    }
}

int ClassicStyle::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const {
    if (metric == PM_IndicatorWidth || metric == PM_IndicatorHeight) return kIndicatorSize;
    return QProxyStyle::pixelMetric(metric, option, widget);
}

void UseClassicStyle(QWidget* window) {
    QStyle* style = SharedClassicStyle();
    window->setStyle(style);
    for (QWidget* child : window->findChildren<QWidget*>()) child->setStyle(style);
}

QMessageBox::StandardButton ShowMessageBox(QWidget* parent, const char* objectName, QMessageBox::Icon icon,
                                           const QString& title, const QString& text,
                                           QMessageBox::StandardButtons buttons) {
    QMessageBox box(icon, title, text, buttons, parent);
    box.setObjectName(QLatin1String(objectName));
    UseClassicStyle(&box);
    // Plain captions, as on the classic boxes, without the pictures some desktops put beside them.
    for (QAbstractButton* button : box.buttons()) button->setIcon(QIcon());
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

WrapCheckBox::WrapCheckBox(const QString& text, QWidget* parent) : QCheckBox(text, parent) {}

void WrapCheckBox::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);

    QStyleOptionButton indicator = option;
    indicator.text.clear();
    indicator.rect = style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, this);
    painter.drawPrimitive(QStyle::PE_IndicatorCheckBox, indicator);

    QRect textRect = rect();
    textRect.setLeft(indicator.rect.right() + 1 + style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, &option, this));
    const int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap | Qt::TextShowMnemonic;
    if (isEnabled()) {
        painter.drawItemText(textRect, flags, option.palette, true, text(), QPalette::WindowText);
    } else {
        // Disabled, the system draws the caption grey, engraved with a white shadow.
        painter.setPen(kEdgeHighlight);
        painter.drawText(textRect.translated(1, 1), flags, text());
        painter.setPen(kGrayText);
        painter.drawText(textRect, flags, text());
    }

    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = painter.boundingRect(textRect, flags, text()).adjusted(-1, 0, 1, 0) & rect();
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
}

bool WrapCheckBox::hitButton(const QPoint& pos) const { return rect().contains(pos); }

DigitsOnlyFilter::DigitsOnlyFilter(QLineEdit* edit) : QObject(edit) {}

void DigitsOnlyFilter::Install(QLineEdit* edit) {
    edit->installEventFilter(new DigitsOnlyFilter(edit));
    edit->setAcceptDrops(false);
}

void DigitsOnlyFilter::PasteDigits(QLineEdit* edit) const {
    QString digits;
    for (const QChar c : QGuiApplication::clipboard()->text()) {
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) digits += c;
    }
    if (!digits.isEmpty() && !edit->isReadOnly()) edit->insert(digits);
}

void DigitsOnlyFilter::KeepInsertedDigits(QLineEdit* edit, const QString& before) {
    const QString after = edit->text();
    if (after == before) return;
    qsizetype prefix = 0;
    while (prefix < before.size() && prefix < after.size() && before[prefix] == after[prefix]) ++prefix;
    qsizetype suffix = 0;
    while (suffix < before.size() - prefix && suffix < after.size() - prefix &&
           before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix]) {
        ++suffix;
    }
    const QString inserted = after.mid(prefix, after.size() - prefix - suffix);
    QString digits;
    for (const QChar c : inserted) {
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) digits += c;
    }
    if (digits.size() == inserted.size()) return;
    edit->setText(after.left(prefix) + digits + after.right(suffix));
    edit->setCursorPosition(static_cast<int>(prefix + digits.size()));
}

bool DigitsOnlyFilter::eventFilter(QObject* watched, QEvent* event) {
    auto* edit = qobject_cast<QLineEdit*>(watched);
    if (!edit) return false;
    switch (event->type()) {
    case QEvent::KeyPress: {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key == QKeySequence::Paste) {
            PasteDigits(edit);
            return true;
        }
        // Control keys (editing, moving, shortcuts) pass; printable text must be digits.
        if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return false;
        const QString text = key->text();
        for (const QChar c : text) {
            if (c.isPrint() && !(c >= QLatin1Char('0') && c <= QLatin1Char('9'))) return true;
        }
        return false;
    }
    case QEvent::MouseButtonRelease:
        // The X11 selection paste of the middle button would bypass the key filter.
        return static_cast<QMouseEvent*>(event)->button() == Qt::MiddleButton;
    case QEvent::ContextMenu: {
        // The menu's paste cannot be told apart from its other entries, so whatever it
        // inserted is cut back to its digits afterwards.
        const QString before = edit->text();
        std::unique_ptr<QMenu> menu(edit->createStandardContextMenu());
        menu->exec(static_cast<QContextMenuEvent*>(event)->globalPos());
        KeepInsertedDigits(edit, before);
        return true;
    }
    default:
        return false;
    }
}
