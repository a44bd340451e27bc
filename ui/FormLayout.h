#pragma once

// Shared by the program's windows: the twips of the design, the cream background and
// the way dialogs are opened.

#include <QColor>
#include <QRect>
#include <QString>
#include <QtGlobal>

class QDialog;
class QWidget;

// Positions are designed in twips; 15 twips make one pixel at 96 dpi.
inline int Px(int twips) { return qRound(twips / 15.0); }

inline QRect TwipRect(int left, int top, int width, int height) {
    return QRect(Px(left), Px(top), Px(width), Px(height));
}

// Names a control and puts it at its designed place.
template <class W>
W* Place(W* widget, const char* name, int left, int top, int width, int height) {
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(TwipRect(left, top, width, height));
    return widget;
}

// 0x00DEEFEF, the background of all the program's windows.
inline const QColor kCream(0xEF, 0xEF, 0xDE);

// The classic system colours of disabled text and of the 3D edges.
inline const QColor kGrayText(0x80, 0x80, 0x80);
inline const QColor kEdgeShadow(0x80, 0x80, 0x80);
inline const QColor kEdgeDarkShadow(0x40, 0x40, 0x40);
inline const QColor kEdgeHighlight(0xFF, 0xFF, 0xFF);

// Shows a fresh dialog application-modal, centred on `owner`, and deletes it afterwards
// (or lets an owner that goes away first take it along).
void ExecCentred(QDialog* dialog, QWidget* owner);
