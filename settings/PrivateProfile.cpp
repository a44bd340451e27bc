#include "settings/PrivateProfile.h"

#include "fileservice/SafeFile.h"
#include "settings/Cp1252.h"

#include <QSet>
#include <QString>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view TrimBlanks(std::string_view s) {
    std::size_t b = 0;
    std::size_t e = s.size();
    while (b < e && IsBlank(s[b])) ++b;
    while (e > b && IsBlank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

// Names compare by Unicode case folding of the decoded text.
QString FoldName(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())).toCaseFolded();
}

// A name handed in by a caller, decoded and trimmed the way names in the file are.
QString FoldCallerName(const char* name) {
    const std::string decoded = DecodeLine(name);
    return FoldName(TrimBlanks(decoded));
}

// True when `name` (from the file) folds to `folded`. ASCII names, nearly all of them,
// compare without building a string.
bool NameMatches(std::string_view name, const QString& folded) {
    bool ascii = true;
    for (const char c : name) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (!ascii) {
        return FoldName(name) == folded;
    }
    if (folded.size() != static_cast<qsizetype>(name.size())) {
        return false;
    }
    for (std::size_t i = 0; i < name.size(); ++i) {
        char c = name[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (folded[static_cast<qsizetype>(i)].unicode() != static_cast<unsigned char>(c)) {
            return false;
        }
    }
    return true;
}

bool IsContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Moves a cut position back so that it never splits a UTF-8 sequence.
std::size_t CutAtCharBoundary(std::string_view text, std::size_t cut) {
    std::size_t steps = 0;
    while (cut > 0 && cut < text.size() && IsContinuationByte(text[cut]) && steps < 3) {
        --cut;
        ++steps;
    }
    return cut;
}

enum class LineKind { Blank, Comment, Section, Key, Other };

struct IniLine {
    std::size_t begin = 0;       // first byte of the line
    std::size_t contentEnd = 0;  // end of the text, before CR LF or LF
    std::size_t end = 0;         // past the line ending
    LineKind kind = LineKind::Other;
    std::string_view name;   // section or key name, UTF-8, blanks trimmed
    std::string_view value;  // key value, UTF-8, blanks trimmed
};

struct IniSection {
    std::size_t head = 0;  // index of the head line
    std::size_t end = 0;   // index of the next head line, or the line count
    std::string_view name;
};

struct IniFile {
    std::string bytes;
    std::vector<IniLine> lines;
    std::vector<IniSection> sections;
    // UTF-8 text of the lines that were not UTF-8; names and values of those lines
    // point here (a deque never moves its elements).
    std::deque<std::string> decoded;
};

void ParseLine(std::string_view raw, IniLine& line, std::deque<std::string>& decodedStore) {
    std::string_view text = raw;
    if (!IsValidUtf8(raw)) {
        decodedStore.push_back(Cp1252ToUtf8(raw));
        text = decodedStore.back();
    }
    text = TrimBlanks(text);
    if (text.empty()) {
        line.kind = LineKind::Blank;
        return;
    }
    if (text.front() == ';') {
        line.kind = LineKind::Comment;
        return;
    }
    if (text.front() == '[') {
        const std::size_t close = text.find(']');
        if (close != std::string_view::npos) {
            // A head that ends in "]" owns everything inside, so a name with "]" reads back.
            const std::string_view inner =
                text.back() == ']' ? text.substr(1, text.size() - 2) : text.substr(1, close - 1);
            line.kind = LineKind::Section;
            line.name = TrimBlanks(inner);
            return;
        }
    }
    const std::size_t eq = text.find('=');
    if (eq == std::string_view::npos) {
        line.kind = LineKind::Other;
        return;
    }
    line.kind = LineKind::Key;
    line.name = TrimBlanks(text.substr(0, eq));
    line.value = TrimBlanks(text.substr(eq + 1));
}

// One pass over the bytes: linear in the file size whatever it holds. For a lookup of the
// section `lookedUp` the pass ends with the first section of that name: a file of thousands
// of profiles is read once per lookup, and the profile list looks up every profile.
void Parse(IniFile& ini, const QString* lookedUp = nullptr) {
    const std::string& b = ini.bytes;
    // A byte-order mark, as Windows editors write it, is not part of the first line's text;
    // its bytes stay in the file.
    const std::size_t bom = b.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    std::size_t pos = 0;
    while (pos < b.size()) {
        IniLine line;
        line.begin = pos;
        const std::size_t nl = b.find('\n', pos);
        if (nl == std::string::npos) {
            line.contentEnd = b.size();
            line.end = b.size();
        } else {
            line.contentEnd = nl;
            line.end = nl + 1;
            if (line.contentEnd > pos && b[line.contentEnd - 1] == '\r') {
                --line.contentEnd;
            }
        }
        const std::size_t textBegin = pos == 0 ? std::min(bom, line.contentEnd) : pos;
        ParseLine(std::string_view(b).substr(textBegin, line.contentEnd - textBegin), line, ini.decoded);
        pos = line.end;
        if (line.kind == LineKind::Section) {
            if (lookedUp != nullptr && !ini.sections.empty() && NameMatches(ini.sections.back().name, *lookedUp)) {
                break;
            }
            if (!ini.sections.empty()) {
                ini.sections.back().end = ini.lines.size();
            }
            IniSection section;
            section.head = ini.lines.size();
            section.name = line.name;
            ini.sections.push_back(std::move(section));
        }
        ini.lines.push_back(std::move(line));
    }
    if (!ini.sections.empty()) {
        ini.sections.back().end = ini.lines.size();
    }
}

enum class LoadResult { Loaded, Missing, Failed };

// Reads the whole file. A path that is not a regular file (a folder, a FIFO) is never
// read: a FIFO would hang us.
LoadResult LoadBytes(const char* fileName, std::string& out, int* error) {
    if (fileName == nullptr || *fileName == '\0') {
        return LoadResult::Missing;
    }
    fileservice::Result<std::string> read = fileservice::ReadRegularFile(fileName);
    if (!read) {
        if (error != nullptr) *error = read.Error().error;
        return read.Error().error == ENOENT ? LoadResult::Missing : LoadResult::Failed;
    }
    out = std::move(read.Value());
    return LoadResult::Loaded;
}

LoadResult Load(const char* fileName, IniFile& ini, const QString* lookedUp = nullptr, int* error = nullptr) {
    const LoadResult result = LoadBytes(fileName, ini.bytes, error);
    if (result == LoadResult::Loaded) {
        Parse(ini, lookedUp);
    }
    return result;
}

// Compared without folding every head first (see Parse).
const IniSection* FindSection(const IniFile& ini, const QString& folded) {
    for (const IniSection& section : ini.sections) {
        if (NameMatches(section.name, folded)) {
            return &section;
        }
    }
    return nullptr;
}

// The first line of the key in the section; duplicates after it are never seen.
std::optional<std::size_t> FindKey(const IniFile& ini, const IniSection& section, const QString& folded) {
    for (std::size_t i = section.head + 1; i < section.end; ++i) {
        const IniLine& line = ini.lines[i];
        if (line.kind == LineKind::Key && NameMatches(line.name, folded)) {
            return i;
        }
    }
    return std::nullopt;
}

std::uint32_t CopyValue(std::string_view value, char* buffer, std::uint32_t size) {
    std::size_t n = value.size();
    if (n > size - 1) {
        n = CutAtCharBoundary(value, size - 1);
    }
    std::memcpy(buffer, value.data(), n);
    buffer[n] = '\0';
    return static_cast<std::uint32_t>(n);
}

// Names each followed by a NUL, then one more NUL. When the list does not fit, the
// last name is cut and followed by two NULs; the count then excludes both.
std::uint32_t CopyList(const std::vector<std::string_view>& names, char* buffer, std::uint32_t size) {
    std::string list;
    for (const std::string_view name : names) {
        list += name;
        list += '\0';
    }
    if (list.empty()) {
        buffer[0] = '\0';
        if (size > 1) buffer[1] = '\0';
        return 0;
    }
    list += '\0';
    if (list.size() <= size) {
        std::memcpy(buffer, list.data(), list.size());
        return static_cast<std::uint32_t>(list.size() - 1);
    }
    if (size < 2) {
        buffer[0] = '\0';
        return 0;
    }
    const std::size_t n = CutAtCharBoundary(list, size - 2);
    std::memcpy(buffer, list.data(), n);
    buffer[n] = '\0';
    buffer[n + 1] = '\0';
    return static_cast<std::uint32_t>(n);
}

// Each name once, in its first spelling, so that listing and reading agree.
std::vector<std::string_view> SectionNames(const IniFile& ini) {
    std::vector<std::string_view> names;
    QSet<QString> seen;
    for (const IniSection& section : ini.sections) {
        const QString folded = FoldName(section.name);
        if (!seen.contains(folded)) {
            seen.insert(folded);
            names.push_back(section.name);
        }
    }
    return names;
}

// Every key line, a repeated key each time it occurs, as the Windows primitive lists them.
std::vector<std::string_view> KeyNames(const IniFile& ini, const IniSection& section) {
    std::vector<std::string_view> names;
    for (std::size_t i = section.head + 1; i < section.end; ++i) {
        const IniLine& line = ini.lines[i];
        if (line.kind == LineKind::Key) names.push_back(line.name);
    }
    return names;
}

bool HasLineBreak(const char* text) {
    return std::strpbrk(text, "\r\n") != nullptr;
}

// Through a temporary file and a rename: a crash or a full disk leaves either the old file
// or the new one, never a cut one. A failure names the settings file, not the temporary.
fileservice::Status Replace(const char* fileName, const std::string& content) {
    const fileservice::Status replaced = fileservice::ReplaceFile(fileName, content);
    if (replaced) return {};
    return fileservice::Failure{fileName, replaced.Error().error};
}

// The file without the lines whose `drop` flag is set.
std::string WithoutLines(const IniFile& ini, const std::vector<bool>& drop) {
    std::string out;
    out.reserve(ini.bytes.size());
    for (std::size_t i = 0; i < ini.lines.size(); ++i) {
        if (!drop[i]) {
            const IniLine& line = ini.lines[i];
            out.append(ini.bytes, line.begin, line.end - line.begin);
        }
    }
    return out;
}

// A file that already holds Windows-1252 text (written on Windows) gets its new lines in
// Windows-1252 too, so that it stays in one encoding there; a line that cannot be written
// in it, or whose bytes would read back as other text, stays UTF-8.
std::string EncodeLine(const std::string& utf8, bool windows1252) {
    if (!windows1252) return utf8;
    const QString text = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
    const std::optional<QByteArray> bytes = EncodeCp1252(text);
    if (!bytes) return utf8;
    std::string out(bytes->constData(), static_cast<std::size_t>(bytes->size()));
    return DecodeLine(out) == utf8 ? out : utf8;
}

}  // namespace

std::uint32_t GetPrivateProfileStringA(const char* section, const char* key, const char* defaultText,
                                       char* buffer, std::uint32_t size, const char* fileName) {
    if (buffer == nullptr || size == 0) {
        return 0;
    }
    if (defaultText == nullptr) {
        defaultText = "";
    }
    IniFile ini;
    if (section == nullptr) {
        const bool loaded = Load(fileName, ini) == LoadResult::Loaded;
        return CopyList(loaded ? SectionNames(ini) : std::vector<std::string_view>{}, buffer, size);
    }
    const QString foldedSection = FoldCallerName(section);
    const bool loaded = Load(fileName, ini, &foldedSection) == LoadResult::Loaded;
    const IniSection* found = loaded ? FindSection(ini, foldedSection) : nullptr;
    if (found == nullptr) {
        return CopyValue(defaultText, buffer, size);
    }
    if (key == nullptr) {
        return CopyList(KeyNames(ini, *found), buffer, size);
    }
    const std::optional<std::size_t> line = FindKey(ini, *found, FoldCallerName(key));
    if (!line) {
        return CopyValue(defaultText, buffer, size);
    }
    return CopyValue(ini.lines[*line].value, buffer, size);
}

std::uint32_t GetPrivateProfileIntA(const char* section, const char* key, std::int32_t defaultValue,
                                    const char* fileName) {
    const std::uint32_t fallback = static_cast<std::uint32_t>(defaultValue);
    if (section == nullptr || key == nullptr) {
        return fallback;
    }
    IniFile ini;
    const QString foldedSection = FoldCallerName(section);
    if (Load(fileName, ini, &foldedSection) != LoadResult::Loaded) {
        return fallback;
    }
    const IniSection* found = FindSection(ini, foldedSection);
    if (found == nullptr) {
        return fallback;
    }
    const std::optional<std::size_t> line = FindKey(ini, *found, FoldCallerName(key));
    if (!line) {
        return fallback;
    }
    const std::string_view text = TrimBlanks(ini.lines[*line].value);
    // An empty value counts as missing, as on Windows.
    if (text.empty()) {
        return fallback;
    }
    std::size_t i = 0;
    bool negative = false;
    if (text[i] == '+' || text[i] == '-') {
        negative = text[i] == '-';
        ++i;
    }
    // Unsigned arithmetic wraps like the Windows conversion and can never overflow.
    std::uint32_t result = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        result = result * 10u + static_cast<std::uint32_t>(text[i] - '0');
    }
    return negative ? 0u - result : result;
}

std::int32_t WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                        const char* fileName) {
    return WriteProfileString(section, key, value, fileName) ? 1 : 0;
}

fileservice::Status WriteProfileString(const char* section, const char* key, const char* value,
                                       const char* fileName) {
    if (fileName == nullptr || *fileName == '\0') {
        return fileservice::Failure{std::string(), ENOENT};
    }
    if (section == nullptr) {
        // All three null only flushes a cache on Windows; there is none here.
        if (key == nullptr && value == nullptr) return {};
        return fileservice::Failure{fileName, EINVAL};
    }
    // A line break would split the line and plant other keys or sections in the file.
    if (HasLineBreak(section) || (key != nullptr && HasLineBreak(key)) ||
        (value != nullptr && HasLineBreak(value))) {
        return fileservice::Failure{fileName, EINVAL};
    }

    IniFile ini;
    int readError = 0;
    const LoadResult loaded = Load(fileName, ini, nullptr, &readError);
    if (loaded == LoadResult::Failed) {
        return fileservice::Failure{fileName, readError};
    }
    const QString foldedSection = FoldCallerName(section);

    if (key == nullptr) {
        // Every section of that name goes, so a later duplicate cannot resurface.
        std::vector<bool> drop(ini.lines.size(), false);
        bool any = false;
        for (const IniSection& s : ini.sections) {
            if (NameMatches(s.name, foldedSection)) {
                any = true;
                for (std::size_t i = s.head; i < s.end; ++i) drop[i] = true;
            }
        }
        if (!any) {
            return {};
        }
        return Replace(fileName, WithoutLines(ini, drop));
    }

    const IniSection* found = FindSection(ini, foldedSection);
    const QString foldedKey = FoldCallerName(key);

    if (value == nullptr) {
        if (found == nullptr) {
            return {};
        }
        std::vector<bool> drop(ini.lines.size(), false);
        bool any = false;
        for (std::size_t i = found->head + 1; i < found->end; ++i) {
            const IniLine& line = ini.lines[i];
            if (line.kind == LineKind::Key && NameMatches(line.name, foldedKey)) {
                drop[i] = true;
                any = true;
            }
        }
        if (!any) {
            return {};
        }
        return Replace(fileName, WithoutLines(ini, drop));
    }

    const bool windows1252 = !ini.decoded.empty();
    const std::string valueText = DecodeLine(value);
    std::string ownLine = EncodeLine(DecodeLine(key) + "=" + valueText, windows1252);
    std::string out;
    if (found == nullptr) {
        out = ini.bytes;
        if (!out.empty() && out.back() != '\n') {
            out += "\r\n";
        }
        out += EncodeLine("[" + DecodeLine(section) + "]", windows1252);
        out += "\r\n";
        out += ownLine;
        out += "\r\n";
    } else if (const std::optional<std::size_t> existing = FindKey(ini, *found, foldedKey)) {
        // Only the value changes: the key keeps its spelling in the file, the line its ending.
        const IniLine& line = ini.lines[*existing];
        ownLine = EncodeLine(std::string(line.name) + "=" + valueText, windows1252);
        if (std::string_view(ini.bytes).substr(line.begin, line.contentEnd - line.begin) == ownLine) {
            return {};
        }
        out.reserve(ini.bytes.size() + ownLine.size());
        out.append(ini.bytes, 0, line.begin);
        out += ownLine;
        out.append(ini.bytes, line.contentEnd, std::string::npos);
    } else {
        // After the section's last entry, so blank lines and comments before the next
        // section stay where they are.
        std::size_t after = found->head;
        for (std::size_t i = found->head + 1; i < found->end; ++i) {
            const LineKind kind = ini.lines[i].kind;
            if (kind == LineKind::Key || kind == LineKind::Other) after = i;
        }
        const IniLine& line = ini.lines[after];
        out.reserve(ini.bytes.size() + ownLine.size() + 4);
        out.append(ini.bytes, 0, line.end);
        if (line.end == line.contentEnd) {
            out += "\r\n";  // the file's last line had no ending
        }
        out += ownLine;
        out += "\r\n";
        out.append(ini.bytes, line.end, std::string::npos);
    }
    return Replace(fileName, out);
}
