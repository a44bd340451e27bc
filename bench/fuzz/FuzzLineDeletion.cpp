// The two line deletions on fuzzed file bytes, checked against a plain model of lines:
// exactly the chosen line and its ending go, every other byte stays, the mode is kept,
// a link stays a link, and no temporary is left behind.

#include "FuzzFiles.h"
#include "fileservice/FileService.h"

#include <cstdint>
#include <cstdlib>
#include <fuzzer/FuzzedDataProvider.h>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

struct Line {
    std::string text;    // without its ending
    std::string ending;  // "\n", "\r\n" or "" for a last line without one
};

// Built character by character, independently of the code under test.
std::vector<Line> SplitLines(const std::string& content) {
    std::vector<Line> lines;
    Line current;
    bool open = false;
    for (const char c : content) {
        open = true;
        if (c == '\n') {
            if (!current.text.empty() && current.text.back() == '\r') {
                current.text.pop_back();
                current.ending = "\r\n";
            } else {
                current.ending = "\n";
            }
            lines.push_back(current);
            current = Line{};
            open = false;
        } else {
            current.text += c;
        }
    }
    if (open) lines.push_back(current);
    return lines;
}

std::string Join(const std::vector<Line>& lines, std::size_t skip) {
    std::string out;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i != skip) out += lines[i].text + lines[i].ending;
    }
    return out;
}

void Check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::uint8_t mode = input.ConsumeIntegral<std::uint8_t>();
    const bool byText = mode & 1;
    const bool throughLink = mode & 2;
    const bool pickExisting = mode & 4;
    const std::int32_t rawNumber = input.ConsumeIntegral<std::int32_t>();
    std::string text = input.ConsumeRandomLengthString(80);
    const std::string content = input.ConsumeRemainingBytesAsString();

    const std::vector<Line> lines = SplitLines(content);
    Check(Join(lines, lines.size()) == content);

    std::int32_t number = rawNumber;
    if (pickExisting && !lines.empty()) {
        const std::size_t chosen = static_cast<std::uint32_t>(rawNumber) % lines.size();
        number = static_cast<std::int32_t>(chosen + 1);
        text = lines[chosen].text;
    }
    // A C string ends at its first NUL; that is the text the function sees.
    text = std::string(text.c_str());

    std::size_t removed = lines.size();
    if (byText) {
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (lines[i].text == text) {
                removed = i;
                break;
            }
        }
    } else if (number >= 1 && static_cast<std::size_t>(number) <= lines.size()) {
        removed = static_cast<std::size_t>(number) - 1;
    }

    const std::string file = FuzzDir() + "/file.txt";
    const std::string link = FuzzDir() + "/link.txt";
    PutFile(file, content);
    ::chmod(file.c_str(), 0640);
    ::unlink(link.c_str());
    if (throughLink) Check(::symlink("file.txt", link.c_str()) == 0);
    const std::string& called = throughLink ? link : file;

    std::int32_t result;
    if (byText) {
        std::int8_t flag = 0;
        result = VBFILEDELETELINEBYTEXT(called.c_str(), text.c_str(), flag);
    } else {
        result = VBFILEDELETEBYLINENUMBER(called.c_str(), number);
    }

    Check(result == 0);
    Check(GetFile(file) == Join(lines, removed));
    struct stat st;
    Check(::stat(file.c_str(), &st) == 0 && (st.st_mode & 07777) == 0640);
    if (throughLink) {
        Check(::lstat(link.c_str(), &st) == 0 && S_ISLNK(st.st_mode));
        Check(StrayEntries("file.txt") == 1);
    } else {
        Check(StrayEntries("file.txt") == 0);
    }
    return 0;
}
