#include "bench/BenchLog.h"

#include <QFile>

RunEnd RunEndOfLine(const QByteArray& line) {
    QByteArray text = line;
    if (text.endsWith('\r')) text.chop(1);
    if (text.endsWith(" - Abgleich ausgeführt!")) return RunEnd::Succeeded;
    // "Abgleich mit 3 Fehlern ausgeführt!", "Abgleich abgebrochen! ...": the run is over too.
    const qsizetype at = text.lastIndexOf(" - Abgleich ");
    if (at >= 0 && (text.endsWith(" ausgeführt!") || text.mid(at).startsWith(" - Abgleich abgebrochen!")))
        return RunEnd::Failed;
    return RunEnd::Pending;
}

LogFollower::LogFollower(QString path) : m_path(std::move(path)) {
    QFile file(m_path);
    m_offset = file.exists() ? file.size() : 0;
}

RunEnd LogFollower::Poll() {
    if (m_end != RunEnd::Pending) return m_end;
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly)) return m_end;
    // A log cut back below where we were was rewritten: start again at its beginning.
    if (file.size() < m_offset) {
        m_offset = 0;
        m_partial.clear();
    }
    if (file.size() == m_offset || !file.seek(m_offset)) return m_end;
    const QByteArray added = file.readAll();
    m_offset += added.size();
    m_partial += added;
    qsizetype begin = 0;
    for (qsizetype nl = m_partial.indexOf('\n'); nl >= 0; nl = m_partial.indexOf('\n', begin)) {
        m_lastLine = m_partial.mid(begin, nl - begin);
        if (m_lastLine.endsWith('\r')) m_lastLine.chop(1);
        begin = nl + 1;
        m_end = RunEndOfLine(m_lastLine);
        if (m_end != RunEnd::Pending) break;
    }
    m_partial.remove(0, begin);
    return m_end;
}
