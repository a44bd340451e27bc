#pragma once

#include <QCheckBox>
#include <QMessageBox>
#include <QObject>
#include <QProxyStyle>

class QLineEdit;

// The classic look over the toolkit's plain style: command buttons as a flat raised bevel
// in their own background colour, check boxes as a sunken white box with a black tick,
// frames as an etched line whose caption sits in the top line, and a dotted focus frame.
class ClassicStyle : public QProxyStyle {
    Q_OBJECT
public:
    ClassicStyle();

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                            const QWidget* widget) const override;
    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl subControl,
                         const QWidget* widget) const override;
    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override;
};

// Gives `window` and every control in it the classic look.
void UseClassicStyle(QWidget* window);

// Shows a modal message box named `objectName` over `parent` in the classic look; returns
// the button pressed.
QMessageBox::StandardButton ShowMessageBox(QWidget* parent, const char* objectName, QMessageBox::Icon icon,
                                           const QString& title, const QString& text,
                                           QMessageBox::StandardButtons buttons);

// A check box whose caption wraps onto further lines within its width, as the
// classic control's does, instead of being cut off.
class WrapCheckBox : public QCheckBox {
    Q_OBJECT
public:
    // A check box with the caption `text`.
    explicit WrapCheckBox(const QString& text, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;
};

// Lets only digits be typed or pasted into a line edit; text set by the program is
// not checked, so a stored value shows as it is.
class DigitsOnlyFilter : public QObject {
    Q_OBJECT
public:
    // Installs itself on `edit` and is owned by it.
    static void Install(QLineEdit* edit);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit DigitsOnlyFilter(QLineEdit* edit);
    void PasteDigits(QLineEdit* edit) const;
    // Cuts what an edit inserted into `before` back to its digits.
    static void KeepInsertedDigits(QLineEdit* edit, const QString& before);
};
