#pragma once

#include <QAbstractListModel>
#include <QString>
#include <cstdint>
#include <string>
#include <vector>

// The lines of the status list. A run over 100,000 files adds a line for each, so lines are
// kept compactly: each as the bytes in which it differs from the line before (the time and the
// folder mostly repeat), with every 32nd line whole, so that any line is rebuilt from at most
// 32 records. Appending is O(length of the line).
class StatusListModel : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    // Adds `line` as the last row.
    void Append(const QString& line);
    // Line `row`, 0 being the oldest; empty outside the list.
    QString Line(int row) const;
    int Count() const { return m_count; }

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    // Where a record begins.
    struct Mark {
        std::uint32_t block;
        std::uint32_t offset;
    };

    void Write(const std::string& record);

    std::vector<std::string> m_blocks;  // records never straddle two blocks
    std::vector<Mark> m_marks;          // of every 32nd line, whose record holds it whole
    std::string m_last;                 // the last line, encoded
    std::string m_record;               // scratch
    int m_count = 0;
};
