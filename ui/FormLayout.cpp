#include "ui/FormLayout.h"

#include <QDialog>
#include <QPointer>
#include <QWidget>

void ExecCentred(QDialog* dialog, QWidget* owner) {
    QPointer<QDialog> guard = dialog;
    dialog->setWindowModality(Qt::ApplicationModal);
    if (owner) {
        const QRect area = owner->frameGeometry();
        dialog->move(area.center() - QPoint(dialog->width() / 2, dialog->height() / 2));
    }
    dialog->exec();
    delete guard.data();
}
