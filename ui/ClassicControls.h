#pragma once

#include <QCheckBox>
#include <QObject>

class QLineEdit;

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
