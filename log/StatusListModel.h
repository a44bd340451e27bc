#pragma once

#include <QAbstractListModel>
#include <QString>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

// The lines of the status list. A run over 100,000 files adds a line for each, so lines are
// kept compactly: each as the bytes in which it differs from the line before (the time and the
// folder mostly repeat), with every 32nd line whole, so that any line is rebuilt from at most
// 32 records. Appending is O(length of the line). A run's thread keeps its lines here
// (AppendUnpublished); everything else happens on the model's own thread.
class StatusListModel : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    // Adds `line` as the last row, at once.
    void Append(const QString& line);
    // Keeps `line` after the lines kept so far without telling the views: it becomes a row
    // only at the next Publish, so that lines that scroll past unseen between two paints
    // cost the views nothing. Safe from any thread.
    void AppendUnpublished(const QString& line);
    // Makes every line kept since the last Publish a row, in one insertion; false when there
    // was none.
    bool Publish();
    // Line `row` of all kept lines, published or not, 0 being the oldest; empty outside them.
    QString Line(int row) const;
    // All kept lines; rowCount() counts only the published ones.
    int Count() const;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    // Where a record begins.
    struct Mark {
        std::uint32_t block;
        std::uint32_t offset;
    };

    void Keep(const QString& line);
    void Write(const std::string& record);

    mutable std::mutex m_mutex;         // guards the kept lines below, not m_published
    std::vector<std::string> m_blocks;  // records never straddle two blocks
    std::vector<Mark> m_marks;          // of every 32nd line, whose record holds it whole
    std::string m_last;                 // the last line, encoded
    std::string m_record;               // scratch
    int m_count = 0;
    int m_published = 0;                // the rows the views know of
};
