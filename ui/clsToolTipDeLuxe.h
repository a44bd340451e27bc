#pragma once

#include "ui/BalloonTip.h"

#include <QPointer>
#include <QString>
#include <QtGlobal>

class QWidget;

// What a font object offers the tooltip class: name, size in points and the four styles.
struct FontSpec {
    QString Name;
    double Size = 8.0;
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool Strikethrough = false;
};

// Balloon tooltips with a title line for any number of a window's controls, all served by
// one tip window. The object remembers only the window and the wrap width; every other
// setting goes straight into the window.
class clsToolTipDeLuxe {
public:
    static constexpr qint32 kDefaultTipWidth = 300;
    // The tip window takes its delays as one 16-bit signed word.
    static constexpr qint32 kMinDelayTime = 0;
    static constexpr qint32 kMaxDelayTime = 32767;
    static constexpr int kFontWeightNormal = 400;
    static constexpr int kFontWeightBold = 700;
    static constexpr int kPointsPerInch = 72;

    clsToolTipDeLuxe();
    ~clsToolTipDeLuxe();
    clsToolTipDeLuxe(const clsToolTipDeLuxe&) = delete;
    clsToolTipDeLuxe& operator=(const clsToolTipDeLuxe&) = delete;

    // Wrap width in pixels; kept for Create when no window exists yet. Not clamped.
    void MaxWidth(qint32 lMaxWidth);
    // How long a balloon stays up, in ms, clamped to 0..32767.
    void VisibleTime(qint32 lTime);
    // How long the pointer must rest before a balloon shows, in ms, clamped to 0..32767.
    void DelayTime(qint32 lTime);
    // Text colour as 0x00BBGGRR.
    void ToolTipTextColor(quint32 lColor);
    // Background colour as 0x00BBGGRR.
    void ToolTipBackColor(quint32 lColor);
    // Builds a font from `objFont` at the tip window's logical dpi; nullptr changes nothing.
    void Font(const FontSpec* objFont);
    // The same at a given logical dpi (vertical pixels per inch).
    void Font(const FontSpec* objFont, int logicalDpiY);
    // Creates the tip window owned by `hWndParent`'s window; "always" shows while inactive,
    // "balloon" gives the rounded shape with a stem.
    void Create(QWidget* hWndParent, bool bAlwaysTip, bool bBalloonTip);
    // Destroys the tip window; later calls have no effect.
    void Destroy();
    // Registers `objControl` with its text; centred below it or at the pointer. False when
    // nothing was added (no control, or no tip window).
    bool AddControl(QWidget* objControl, const QString& strCaption, bool bCenterToolTip);
    // Title and icon (0 none, 1 information, 2 warning, 3 error) for every tool at once.
    void SetToolTipTitle(const QString& strTitle, qint16 iTitleIcon);

    // Windows' MulDiv: number * numerator / denominator rounded to nearest, -1 when dividing by 0.
    static int MulDiv(int number, int numerator, int denominator);

    // Read-only views for tests: the window, the stored width and what the window received.
    BalloonTip* TipWindow() const { return hWndTip.data(); }
    qint32 TipWidth() const { return lTipWidth; }
    // Style bits of the window, 0 without one.
    quint32 Style() const;
    // Tool flags registered for `control`, 0 when not registered or without window.
    quint32 ToolFlags(const QWidget* control) const;
    // Visible time, initial delay and wrap width the window holds, -1 without window.
    int VisibleTimeSent() const;
    int DelayTimeSent() const;
    int MaxWidthSent() const;
    // Character height (negative: em height) and weight of the window's font, 0 before any
    // font was built or without window.
    int LastFontHeight() const;
    int LastFontWeight() const;

private:
    QPointer<BalloonTip> hWndTip;  // null until Create, and again after Destroy
    qint32 lTipWidth = kDefaultTipWidth;
};
