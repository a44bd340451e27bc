// The profile primitives on fuzzed settings-file bytes: reads stay inside their buffers,
// a failed write leaves the file as it was, a successful one reads back, and no other
// section's keys change.

#include "FuzzFiles.h"
#include "settings/PrivateProfile.h"
#include "settings/SettingsLayout.h"

#include <QString>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fuzzer/FuzzedDataProvider.h>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr std::size_t kMaxSections = 8;
constexpr std::size_t kMaxKeys = 8;
constexpr std::uint32_t kValueSize = 4096;

// The settings file's own names, and two of no meaning.
const char* const kNames[] = {kProfilesSection, kOptionsSection, kStandardProfile, kKeyDirA, kKeyWriteLog, kKeyLogSize, "a", "B"};

void Check(bool condition) {
    if (!condition) std::abort();
}

QString Folded(const std::string& utf8) { return QString::fromUtf8(utf8.data(), qsizetype(utf8.size())).toCaseFolded(); }

// The NUL-separated list a null section or key returns, checked for its bounds.
std::vector<std::string> List(const char* section, std::uint32_t size, const std::string& file) {
    std::vector<char> buffer(size + 1, '\x7f');
    const std::uint32_t count = GetPrivateProfileStringA(section, nullptr, "", buffer.data(), size, file.c_str());
    Check(count < size && buffer[count] == '\0' && buffer[size] == '\x7f');
    std::vector<std::string> names;
    std::size_t start = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (buffer[i] == '\0') {
            names.emplace_back(buffer.data() + start, i - start);
            start = i + 1;
        }
    }
    return names;
}

std::string Value(const char* section, const char* key, const std::string& file) {
    std::vector<char> buffer(kValueSize + 1, '\x7f');
    const std::uint32_t count =
        GetPrivateProfileStringA(section, key, "<none>", buffer.data(), kValueSize, file.c_str());
    Check(count < kValueSize && buffer[count] == '\0' && buffer[kValueSize] == '\x7f');
    return std::string(buffer.data(), count);
}

std::string Name(FuzzedDataProvider& input) {
    const std::uint8_t pick = input.ConsumeIntegral<std::uint8_t>();
    if (pick < 8) return kNames[pick];
    return input.ConsumeRandomLengthString(24);
}

bool IsPlainName(const std::string& name) {
    if (name.empty()) return false;
    for (const char c : name) {
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_')) return false;
    }
    return true;
}

bool IsPlainValue(const std::string& value) {
    for (const char c : value) {
        if (c < 0x20 || c > 0x7e) return false;
    }
    return value.empty() || (value.front() != ' ' && value.back() != ' ');
}

using Snapshot = std::map<std::pair<std::string, std::string>, std::string>;

Snapshot Take(const std::string& file) {
    Snapshot snapshot;
    std::vector<std::string> sections = List(nullptr, kValueSize, file);
    if (sections.size() > kMaxSections) sections.resize(kMaxSections);
    for (const std::string& section : sections) {
        std::vector<std::string> keys = List(section.c_str(), kValueSize, file);
        if (keys.size() > kMaxKeys) keys.resize(kMaxKeys);
        for (const std::string& key : keys) snapshot[{section, key}] = Value(section.c_str(), key.c_str(), file);
    }
    return snapshot;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::uint8_t operation = input.ConsumeIntegral<std::uint8_t>() % 3;  // set, delete key, delete section
    const std::uint32_t smallSize = input.ConsumeIntegralInRange<std::uint32_t>(1, 300);
    const std::string section = Name(input);
    const std::string key = Name(input);
    const std::string value = input.ConsumeRandomLengthString(64);
    const std::string content = input.ConsumeRemainingBytesAsString();

    const std::string file = FuzzDir() + "/tvl.ini";
    PutFile(file, content);

    // Small buffers cut lists and values; they must still end inside the buffer.
    List(nullptr, smallSize, file);
    List(section.c_str(), smallSize, file);
    {
        std::vector<char> buffer(smallSize + 1, '\x7f');
        const std::uint32_t count =
            GetPrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), buffer.data(), smallSize, file.c_str());
        Check(count < smallSize && buffer[count] == '\0' && buffer[smallSize] == '\x7f');
    }
    GetPrivateProfileIntA(section.c_str(), key.c_str(), -1, file.c_str());

    const Snapshot before = Take(file);
    const char* keyArg = operation == 2 ? nullptr : key.c_str();
    const char* valueArg = operation == 0 ? value.c_str() : nullptr;
    const std::int32_t written = WritePrivateProfileStringA(section.c_str(), keyArg, valueArg, file.c_str());
    Check(StrayEntries("tvl.ini") == 0);
    if (written == 0) {
        Check(GetFile(file) == content);
        return 0;
    }
    if (!IsPlainName(section) || !IsPlainName(key)) return 0;

    const std::string shortValue(value.c_str());
    if (operation == 0 && IsPlainValue(shortValue) && shortValue.size() < kValueSize)
        Check(Value(section.c_str(), key.c_str(), file) == shortValue);
    if (operation != 0) Check(Value(section.c_str(), key.c_str(), file) == "<none>");

    const QString ourSection = Folded(section);
    const QString ourKey = Folded(key);
    for (const auto& [where, old] : before) {
        const bool sameSection = Folded(where.first) == ourSection;
        if (sameSection && (operation == 2 || Folded(where.second) == ourKey)) continue;
        Check(Value(where.first.c_str(), where.second.c_str(), file) == old);
    }
    return 0;
}
