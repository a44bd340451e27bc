#include "log/StatusListModel.h"

#include "fileservice/Utf8.h"

#include <algorithm>

namespace {

constexpr int kStride = 32;
constexpr std::size_t kBlockBytes = 16 * 1024;

// Each UTF-16 unit on its own as one to three bytes, as UTF-8 would write it: lossless for
// any QString, unpaired surrogates (undecodable file names) included, and one byte for the
// ASCII that most of a line is.
void Encode(const QString& text, std::string& out) {
    out.clear();
    for (const QChar ch : text) AppendUtf8Bmp(out, ch.unicode());
}

QString Decode(const std::string& bytes) {
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* end = p + bytes.size();
    while (p < end) {
        char16_t unit = *p++;
        if (unit >= 0xE0 && end - p >= 2) {
            unit = static_cast<char16_t>(((unit & 0x0F) << 12) | ((p[0] & 0x3F) << 6) | (p[1] & 0x3F));
            p += 2;
        } else if (unit >= 0xC0 && end - p >= 1) {
            unit = static_cast<char16_t>(((unit & 0x1F) << 6) | (p[0] & 0x3F));
            p += 1;
        }
        text += QChar(unit);
    }
    return text;
}

void PutCount(std::string& out, std::size_t value) {
    while (value >= 0x80) {
        out += static_cast<char>(0x80 | (value & 0x7F));
        value >>= 7;
    }
    out += static_cast<char>(value);
}

std::size_t TakeCount(const char*& p) {
    std::size_t value = 0;
    int shift = 0;
    for (;;) {
        const auto byte = static_cast<unsigned char>(*p++);
        value |= static_cast<std::size_t>(byte & 0x7F) << shift;
        if (byte < 0x80) return value;
        shift += 7;
    }
}

}  // namespace

void StatusListModel::Append(const QString& line) {
    Publish();
    beginInsertRows(QModelIndex(), m_published, m_published);
    {
        const std::lock_guard lock(m_mutex);
        Keep(line);
        m_published = m_count;
    }
    endInsertRows();
}

void StatusListModel::AppendUnpublished(const QString& line) {
    const std::lock_guard lock(m_mutex);
    Keep(line);
}

bool StatusListModel::Publish() {
    const int count = Count();
    if (m_published == count) return false;
    beginInsertRows(QModelIndex(), m_published, count - 1);
    m_published = count;
    endInsertRows();
    return true;
}

int StatusListModel::Count() const {
    const std::lock_guard lock(m_mutex);
    return m_count;
}

void StatusListModel::Keep(const QString& line) {
    std::string encoded;
    Encode(line, encoded);
    std::size_t shared = 0;
    if (m_count % kStride != 0) {
        const std::size_t most = std::min(encoded.size(), m_last.size());
        while (shared < most && encoded[shared] == m_last[shared]) ++shared;
    }
    // Record: bytes shared with the line before, bytes that follow, those bytes.
    m_record.clear();
    PutCount(m_record, shared);
    PutCount(m_record, encoded.size() - shared);
    m_record.append(encoded, shared, std::string::npos);

    Write(m_record);
    m_last.swap(encoded);
    ++m_count;
}

void StatusListModel::Write(const std::string& record) {
    if (m_blocks.empty() || m_blocks.back().size() + record.size() > m_blocks.back().capacity()) {
        m_blocks.emplace_back();
        m_blocks.back().reserve(std::max(kBlockBytes, record.size()));
    }
    std::string& block = m_blocks.back();
    if (m_count % kStride == 0)
        m_marks.push_back(Mark{static_cast<std::uint32_t>(m_blocks.size() - 1), static_cast<std::uint32_t>(block.size())});
    block += record;
}

QString StatusListModel::Line(int row) const {
    const std::lock_guard lock(m_mutex);
    if (row < 0 || row >= m_count) return {};
    const Mark mark = m_marks[static_cast<std::size_t>(row / kStride)];
    std::size_t blockIndex = mark.block;
    std::size_t offset = mark.offset;
    std::string bytes;
    for (int at = row - row % kStride; at <= row; ++at) {
        if (offset >= m_blocks[blockIndex].size()) {  // the next record opened a new block
            ++blockIndex;
            offset = 0;
        }
        const std::string& block = m_blocks[blockIndex];
        const char* p = block.data() + offset;
        const std::size_t shared = TakeCount(p);
        const std::size_t added = TakeCount(p);
        bytes.resize(shared);
        bytes.append(p, added);
        offset = static_cast<std::size_t>(p + added - block.data());
    }
    return Decode(bytes);
}

int StatusListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : m_published; }

QVariant StatusListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || role != Qt::DisplayRole || index.row() >= m_published) return {};
    return Line(index.row());
}
