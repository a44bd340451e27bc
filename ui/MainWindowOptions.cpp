#include "ui/MainWindowOptions.h"

#include "settings/LogOptions.h"

#include <QCheckBox>
#include <QLineEdit>

void ReadWindowOptions(const clsINI& settings, QCheckBox* chkLog, QLineEdit* txtLogSize) {
    // A missing key keeps the designed limit; a stored text goes in unchanged, even an empty one.
    const LogOptions stored = ReadLogOptions(settings, {QString(), txtLogSize->text()});
    // Only the three states a check box can hold are taken; anything else keeps the box as it is.
    const QString writelog = stored.writeLog.trimmed();
    if (writelog == QLatin1String("0")) {
        chkLog->setCheckState(Qt::Unchecked);
    } else if (writelog == QLatin1String("1")) {
        chkLog->setCheckState(Qt::Checked);
    } else if (writelog == QLatin1String("2")) {
        chkLog->setTristate(true);
        chkLog->setCheckState(Qt::PartiallyChecked);
    }
    txtLogSize->setText(stored.logSize);
}

fileservice::Status WriteWindowOptions(clsINI& settings, const QCheckBox* chkLog, const QLineEdit* txtLogSize) {
    const Qt::CheckState state = chkLog->checkState();
    const int value = state == Qt::Checked ? 1 : (state == Qt::PartiallyChecked ? 2 : 0);
    return WriteLogOptions(settings, {QString::number(value), txtLogSize->text()});
}
