#pragma once

#include "ui/clsToolTipDeLuxe.h"

#include <QObject>
#include <QPointer>
#include <QtGlobal>
#include <array>
#include <memory>
#include <vector>

class QWidget;

// One help balloon: the control (by object name), its title, title icon and text.
struct HelpBalloonRow {
    const char* control;
    const char* title;
    qint16 icon;
    const char* text;
};

// The help table, in the order the controls are registered.
extern const std::array<HelpBalloonRow, 13> kHelpBalloonRows;

// The main window's help balloons: one tooltip object for the twelve explained controls.
// Every pointer move over one of them sets the balloon's font, colours, title and icon.
class HelpBalloons : public QObject {
    Q_OBJECT
public:
    static constexpr quint32 kColorInfoBk = 0x80000018u;    // system tooltip background
    static constexpr quint32 kColorInfoText = 0x80000017u;  // system tooltip text

    explicit HelpBalloons(QObject* parent = nullptr);
    ~HelpBalloons() override;

    // Creates the tooltip and registers the controls of the table found under `mainWindow`.
    void SetUp(QWidget* mainWindow);
    // Destroys the tip window (the close sequence); the object stays until its owner goes.
    void Destroy();

    // The tooltip object, null before SetUp.
    clsToolTipDeLuxe* ToolTip() const { return objToolTip.get(); }

    // A system colour code (0x80 in the top byte) as the current palette's colour in
    // 0x00BBGGRR; any other value unchanged. Unknown system colours give black.
    static quint32 SystemColorToRGB(quint32 color);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Watched {
        QPointer<QWidget> control;
        const HelpBalloonRow* row;
    };

    void PointerOver(const HelpBalloonRow& row);

    std::unique_ptr<clsToolTipDeLuxe> objToolTip;
    std::vector<Watched> m_watched;
};
