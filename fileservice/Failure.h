#pragma once

// A failure as a value: the path that failed and its error code. It becomes a sentence only
// where the user is told (texts/Texts.h), never down here.

#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace fileservice {

// Conditions that are no errno value; above the errno range, so that one int holds either.
enum ErrorCode : int {
    kNotRegularFile = 0x10000,  // a FIFO, socket or device where a file is wanted: never opened
    kSourceChanged,             // the source changed while it was copied, also on the second try
    kFolderInUse,               // another process holds the folder's lock (LockFolder)
    kMountPoint,                // another file system is mounted there: never entered or removed
    kNameTakenByCase,           // the target does not tell case apart and holds the name with other capitals
    kTooLargeForFat,            // larger than a FAT file system holds (4 GiB less one byte)
    kNameNotAllowed,            // the target's file system refuses a character of the name
    kCopyDropped,               // handed over, then dropped by a stop before it began: no failure
    kNameReserved,              // Windows keeps the name for a device (CON, NUL…) or drops its final dot or blank
    kNoRecycleBin,              // the drive has no recycle bin (removable, network): nothing is deleted
};

struct Failure {
    std::string path;
    int error = 0;  // an errno value or an ErrorCode
};

// A value, or the failure that prevented it.
template <typename T>
class Result {
public:
    Result(T value) : m_state(std::in_place_index<0>, std::move(value)) {}
    Result(Failure failure) : m_state(std::in_place_index<1>, std::move(failure)) {}

    bool Ok() const { return m_state.index() == 0; }
    explicit operator bool() const { return Ok(); }
    T& Value() { return std::get<0>(m_state); }
    const T& Value() const { return std::get<0>(m_state); }
    const Failure& Error() const { return std::get<1>(m_state); }

private:
    std::variant<T, Failure> m_state;
};

// Success, or the failure.
template <>
class Result<void> {
public:
    Result() = default;
    Result(Failure failure) : m_failure(std::move(failure)) {}

    bool Ok() const { return !m_failure; }
    explicit operator bool() const { return Ok(); }
    const Failure& Error() const { return *m_failure; }

private:
    std::optional<Failure> m_failure;
};

using Status = Result<void>;

}  // namespace fileservice
