#include "WindowFixture.h"

#include "settings/Startup.h"
#include "ui/DirList.h"

#include <QAbstractItemModel>
#include <QCheckBox>
#include <QListView>
#include <QPushButton>
#include <QTest>

std::unique_ptr<frmMain> WindowFixture::Open() {
    auto window = OpenWindow();
    FillProfileList(Settings(), *window, QStringLiteral("Standard"));
    return window;
}

QStringList WindowFixture::StatusLines(frmMain& window) {
    QStringList lines;
    const QAbstractItemModel* model = Control<QListView>(window, "lstStatus")->model();
    for (int row = 0; row < model->rowCount(); ++row) lines << model->index(row, 0).data().toString();
    return lines;
}

QStringList WindowFixture::StatusMessages(frmMain& window) {
    QStringList messages;
    for (const QString& line : StatusLines(window)) messages << line.mid(8);
    return messages;
}

QStringList WindowFixture::ProfileNames(frmMain& window) {
    QStringList names;
    const QComboBox* box = Control<QComboBox>(window, "cmbProfile");
    for (int i = 0; i < box->count(); ++i) names << box->itemText(i);
    return names;
}

void WindowFixture::Click(frmMain& window, const char* button) {
    QTest::mouseClick(Control<QPushButton>(window, button), Qt::LeftButton);
}

void WindowFixture::PrepareRun(frmMain& window) {
    ASSERT_TRUE(Control<DirList>(window, "dirSource")->setPath(QString::fromStdString(m_tree.Path("src"))));
    ASSERT_TRUE(Control<DirList>(window, "dirTarget")->setPath(QString::fromStdString(m_tree.Path("dst"))));
    Control<QCheckBox>(window, "chkCopyOnlyNew")->setCheckState(Qt::Unchecked);
}
