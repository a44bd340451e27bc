#pragma once

// What a comparing listing keeps per file for the version queries: the time it saw and what
// stood below the target. Not part of the library's interface.

#include <climits>
#include <cstdint>
#include <cstring>

namespace fileservice {

// A listed modification time as nanoseconds since 1970; kNotListed when the listing did not
// stat the entry or the time does not fit (such entries are read live).
constexpr std::int64_t kNotListed = INT64_MIN;

// What was read for one entry below the second directory.
enum class AlongTag : std::uint8_t {
    SameAsSource = 0,  // a file with the very time and size the listing saw in the source
    NoFile = 1,        // nothing there, or a folder: the version is empty
    ReadLive = 2,      // could not be read ahead: the query reads it itself
    Differs = 3,       // a file with another time or size, kept in the differing entries
};

// One listed file in 9 bytes: a listing of a million files keeps a million of them. The tag
// of what stood below the second directory (ReadLive until read), and the time the listing saw.
class ListedEntry {
public:
    explicit ListedEntry(std::int64_t time) { SetTime(time); }
    AlongTag Tag() const { return static_cast<AlongTag>(m_tag); }
    void SetTag(AlongTag tag) { m_tag = static_cast<std::uint8_t>(tag); }
    std::int64_t Time() const {
        std::int64_t time;
        std::memcpy(&time, m_time, sizeof time);
        return time;
    }
    void SetTime(std::int64_t time) { std::memcpy(m_time, &time, sizeof time); }

private:
    std::uint8_t m_tag = static_cast<std::uint8_t>(AlongTag::ReadLive);
    unsigned char m_time[8];
};
static_assert(sizeof(ListedEntry) == 9);

// An entry whose target differs from its source, with the sizes of both (a size of -1: the
// listing did not learn it), so that the two version texts compare as the files would.
struct DifferingEntry {
    std::uint32_t entry;  // index in listing order
    std::int64_t time;
    std::int64_t size;
    std::int64_t sourceSize;
};

}  // namespace fileservice
