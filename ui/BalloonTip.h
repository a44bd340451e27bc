#pragma once

#include <QColor>
#include <QElapsedTimer>
#include <QFont>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <QtGlobal>
#include <vector>

class QPainterPath;

// The vocabulary of the tip window: the common-controls style bits, tool flags and delay
// selectors whose values the tooltip class hands over. They decide how the balloon behaves.
namespace TipWindow {
inline constexpr quint32 kWsPopup = 0x80000000u;
inline constexpr quint32 kTtsAlwaysTip = 0x01u;  // show even while the owner is inactive
inline constexpr quint32 kTtsNoPrefix = 0x02u;   // "&" is shown as itself
inline constexpr quint32 kTtsBalloon = 0x40u;    // rounded balloon with a stem
inline constexpr quint32 kTtfIdIsHwnd = 0x01u;   // the whole control is the tool
inline constexpr quint32 kTtfCenterTip = 0x02u;  // centred below the control, not at the pointer
inline constexpr quint32 kTtfSubclass = 0x10u;   // the tip watches the control's mouse itself
inline constexpr int kTtdtReshow = 1;
inline constexpr int kTtdtAutoPop = 2;
inline constexpr int kTtdtInitial = 3;
inline constexpr int kTitleIconNone = 0;
inline constexpr int kTitleIconInfo = 1;
inline constexpr int kTitleIconWarning = 2;
inline constexpr int kTitleIconError = 3;
}  // namespace TipWindow

// A tool-tip window of our own: one balloon serving any number of registered controls.
// It watches each control's pointer events, shows after the pointer rests for the initial
// delay and hides after the visible time. Title, icon, font, colours and wrap width belong
// to the window and apply to every tool.
class BalloonTip : public QWidget {
    Q_OBJECT
public:
    // A hidden tip window owned by `owner` (may be null) with the given style bits.
    BalloonTip(QWidget* owner, quint32 style);
    ~BalloonTip() override;

    // The style bits given at creation.
    quint32 Style() const { return m_style; }

    // Maximum width of the text before it wraps, in pixels; zero or less: no wrapping.
    void SetMaxTipWidth(int width);
    int MaxTipWidth() const { return m_maxTipWidth; }

    // Sets one of the delays (kTtdtInitial, kTtdtAutoPop, kTtdtReshow) in milliseconds.
    void SetDelayTime(int which, int milliseconds);
    // The delay last set for `which`, or its default; -1 for an unknown selector.
    int DelayTime(int which) const;

    // Colours of the text (and border) and of the balloon's background.
    void SetTipTextColor(const QColor& color);
    void SetTipBkColor(const QColor& color);
    QColor TipTextColor() const { return m_textColor; }
    QColor TipBkColor() const { return m_backColor; }

    // The font the balloon draws with; the newest one replaces the previous one.
    void SetTipFont(const QFont& font);
    QFont TipFont() const { return m_tipFont; }

    // Title line for every tool: text and icon code (0 none, 1 info, 2 warning, 3 error).
    void SetTitle(const QString& title, int icon);
    QString Title() const { return m_title; }
    int TitleIcon() const { return m_titleIcon; }

    // Registers `control` with its text and tool flags; a second call replaces its entry.
    void AddTool(QWidget* control, const QString& text, quint32 flags);
    // Flags of a registered control, 0 if it is not registered.
    quint32 ToolFlags(const QWidget* control) const;
    // Text of a registered control, empty if it is not registered.
    QString ToolText(const QWidget* control) const;
    int ToolCount() const;

    // The control whose balloon is showing, or null.
    QWidget* ShownTool() const;
    // True while a balloon waits for the pointer to rest the initial delay.
    bool ShowPending() const { return m_initialTimer.isActive(); }
    // The global point the stem touches while a balloon is showing.
    QPoint StemPoint() const { return m_stemPoint; }
    // True when the stem is drawn above the body (balloon below its point).
    bool StemOnTop() const { return m_stemOnTop; }

    // Shows the balloon of a registered control at once, the pointer being at `globalPointer`.
    void ShowFor(QWidget* control, const QPoint& globalPointer);
    // Hides the balloon; it does not come back until the pointer has left its control.
    void Pop();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    struct Tool {
        QPointer<QWidget> control;
        QString text;
        quint32 flags = 0;
    };
    // Parts of the balloon relative to its body's top-left corner.
    struct Layout {
        QSize body;
        QRect icon;
        QRect title;
        QRect text;
    };

    const Tool* FindTool(const QObject* control) const;
    void PointerEntered(QWidget* control, const QPoint& globalPos);
    void PointerMoved(QWidget* control, const QPoint& globalPos);
    void PointerLeft(QWidget* control);
    void Dismiss();
    void InitialDelayElapsed();
    bool MayShowFor(const QWidget* control) const;
    void Relayout();
    Layout ComputeLayout() const;
    QFont TitleFont() const;
    int StemHeight() const;
    int BodyTop() const;
    QPainterPath BalloonPath() const;
    int TextFlags() const;
    bool IsBalloon() const { return (m_style & TipWindow::kTtsBalloon) != 0; }

    quint32 m_style = 0;
    std::vector<Tool> m_tools;
    int m_maxTipWidth = -1;
    int m_initialDelay;
    int m_autoPopDelay;
    int m_reshowDelay;
    QColor m_textColor;
    QColor m_backColor;
    QFont m_tipFont;
    QString m_title;
    int m_titleIcon = TipWindow::kTitleIconNone;

    QTimer m_initialTimer;
    QTimer m_popTimer;
    QPointer<QWidget> m_hoverTool;   // control under the pointer
    QPointer<QWidget> m_shownTool;   // control whose balloon is showing
    bool m_stayDone = false;         // balloon popped or clicked away: not again until leave
    QElapsedTimer m_leftShownAt;     // when the pointer last left a control with its balloon up
    QString m_shownText;
    QPoint m_pointer;                // last known global pointer position
    QPoint m_stemPoint;
    bool m_stemOnTop = true;
    int m_stemX = 0;                 // stem position inside the widget
};
