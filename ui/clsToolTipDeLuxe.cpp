#include "ui/clsToolTipDeLuxe.h"

#include <QColor>
#include <QFont>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

QColor FromBgr(quint32 color) {
    return QColor(static_cast<int>(color & 0xFFu), static_cast<int>((color >> 8) & 0xFFu),
                  static_cast<int>((color >> 16) & 0xFFu));
}

qint32 ClampDelay(qint32 time) {
    // Upper bound first, then the lower one, as the window expects a 16-bit word.
    if (time > clsToolTipDeLuxe::kMaxDelayTime)
        time = clsToolTipDeLuxe::kMaxDelayTime;
    if (time < clsToolTipDeLuxe::kMinDelayTime)
        time = clsToolTipDeLuxe::kMinDelayTime;
    return time;
}

}  // namespace

clsToolTipDeLuxe::clsToolTipDeLuxe() = default;

clsToolTipDeLuxe::~clsToolTipDeLuxe() {
    Destroy();
}

void clsToolTipDeLuxe::MaxWidth(qint32 lMaxWidth) {
    lTipWidth = lMaxWidth;
    if (hWndTip)
        hWndTip->SetMaxTipWidth(lMaxWidth);
}

void clsToolTipDeLuxe::VisibleTime(qint32 lTime) {
    if (hWndTip)
        hWndTip->SetDelayTime(TipWindow::kTtdtAutoPop, ClampDelay(lTime));
}

void clsToolTipDeLuxe::DelayTime(qint32 lTime) {
    if (hWndTip)
        hWndTip->SetDelayTime(TipWindow::kTtdtInitial, ClampDelay(lTime));
}

void clsToolTipDeLuxe::ToolTipTextColor(quint32 lColor) {
    if (hWndTip)
        hWndTip->SetTipTextColor(FromBgr(lColor));
}

void clsToolTipDeLuxe::ToolTipBackColor(quint32 lColor) {
    if (hWndTip)
        hWndTip->SetTipBkColor(FromBgr(lColor));
}

void clsToolTipDeLuxe::Font(const FontSpec* objFont) {
    if (!objFont || !hWndTip)
        return;
    Font(objFont, hWndTip->logicalDpiY());
}

void clsToolTipDeLuxe::Font(const FontSpec* objFont, int logicalDpiY) {
    if (!objFont || !hWndTip)
        return;
    // Whole points, halves to the even neighbour (8.5 gives 8, 9.5 gives 10).
    const int points = static_cast<int>(std::nearbyint(objFont->Size));
    // Negative: a character (em) height, not a cell height.
    const int height = -MulDiv(points, logicalDpiY, kPointsPerInch);
    const int weight = objFont->Bold ? kFontWeightBold : kFontWeightNormal;

    QFont font(objFont->Name);
    // Like the platform's font mapper, fall back to a plain sans face when the name is not
    // installed, rather than to whatever the font configuration aliases it to.
    font.setStyleHint(QFont::SansSerif);
    if (height < 0)
        font.setPixelSize(-height);
    font.setWeight(static_cast<QFont::Weight>(weight));
    font.setItalic(objFont->Italic);
    font.setUnderline(objFont->Underline);
    font.setStrikeOut(objFont->Strikethrough);
    hWndTip->SetTipFont(font);
}

void clsToolTipDeLuxe::Create(QWidget* hWndParent, bool bAlwaysTip, bool bBalloonTip) {
    quint32 style = TipWindow::kWsPopup | TipWindow::kTtsNoPrefix;
    if (bAlwaysTip)
        style |= TipWindow::kTtsAlwaysTip;
    if (bBalloonTip)
        style |= TipWindow::kTtsBalloon;
    // A second Create would otherwise leave the first window behind, still showing balloons.
    Destroy();
    hWndTip = new BalloonTip(hWndParent ? hWndParent->window() : nullptr, style);
    hWndTip->SetMaxTipWidth(lTipWidth);
}

void clsToolTipDeLuxe::Destroy() {
    delete hWndTip.data();
    hWndTip = nullptr;
}

bool clsToolTipDeLuxe::AddControl(QWidget* objControl, const QString& strCaption, bool bCenterToolTip) {
    if (!objControl || !hWndTip)
        return false;
    quint32 flags = TipWindow::kTtfIdIsHwnd | TipWindow::kTtfSubclass;
    if (bCenterToolTip)
        flags |= TipWindow::kTtfCenterTip;
    hWndTip->AddTool(objControl, strCaption, flags);
    return true;
}

void clsToolTipDeLuxe::SetToolTipTitle(const QString& strTitle, qint16 iTitleIcon) {
    if (hWndTip)
        hWndTip->SetTitle(strTitle, iTitleIcon);
}

int clsToolTipDeLuxe::MulDiv(int number, int numerator, int denominator) {
    if (denominator == 0)
        return -1;
    const long long product = static_cast<long long>(number) * numerator;
    // Round half away from zero, like the platform function.
    long long quotient = product / denominator;
    const long long remainder = product % denominator;
    if (2 * std::llabs(remainder) >= std::llabs(static_cast<long long>(denominator)))
        quotient += ((product < 0) != (denominator < 0)) ? -1 : 1;
    return static_cast<int>(quotient);
}

quint32 clsToolTipDeLuxe::Style() const {
    return hWndTip ? hWndTip->Style() : 0;
}

quint32 clsToolTipDeLuxe::ToolFlags(const QWidget* control) const {
    return hWndTip ? hWndTip->ToolFlags(control) : 0;
}

int clsToolTipDeLuxe::VisibleTimeSent() const {
    return hWndTip ? hWndTip->DelayTime(TipWindow::kTtdtAutoPop) : -1;
}

int clsToolTipDeLuxe::DelayTimeSent() const {
    return hWndTip ? hWndTip->DelayTime(TipWindow::kTtdtInitial) : -1;
}

int clsToolTipDeLuxe::MaxWidthSent() const {
    return hWndTip ? hWndTip->MaxTipWidth() : -1;
}

int clsToolTipDeLuxe::LastFontHeight() const {
    if (!hWndTip || hWndTip->TipFont().pixelSize() <= 0)
        return 0;
    return -hWndTip->TipFont().pixelSize();
}

int clsToolTipDeLuxe::LastFontWeight() const {
    if (!hWndTip || hWndTip->TipFont().pixelSize() <= 0)
        return 0;
    return hWndTip->TipFont().weight();
}
