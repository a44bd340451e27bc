#pragma once

#include <QAbstractListModel>
#include <QStringList>

// The lines of the status list; appending is O(1), so a run of many thousand
// lines stays fast.
class StatusListModel : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    // Adds `line` as the last row.
    void Append(const QString& line);
    // All lines, oldest first.
    const QStringList& Lines() const { return m_lines; }

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    QStringList m_lines;
};
