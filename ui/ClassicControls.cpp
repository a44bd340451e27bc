#include "ui/ClassicControls.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <memory>

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
    painter.drawItemText(textRect, flags, option.palette, isEnabled(), text(), QPalette::WindowText);

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
