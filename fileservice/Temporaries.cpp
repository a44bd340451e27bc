// The one scheme of hidden temporary names, for the copy and the atomic replacement alike:
// ".tvl-" + 16 hex digits + ".tmp". A copy's digits follow from its target's name, so that
// a later copy of the same file replaces a leftover of a killed run; a replacement's are
// random and its file is created exclusively, so that two writers of one file never share one.

#include "fileservice/AtomicReplace.h"
#include "fileservice/FileServiceInternal.h"
#include "fileservice/FileServiceTesting.h"
#include "fileservice/Identity.h"

#include <cerrno>
#include <random>

namespace {

constexpr char kTempPrefix[] = ".tvl-";
constexpr char kTempSuffix[] = ".tmp";
constexpr std::size_t kTempPrefixLength = sizeof(kTempPrefix) - 1;
constexpr std::size_t kTempSuffixLength = sizeof(kTempSuffix) - 1;
constexpr std::size_t kHashDigits = 16;
// A source folder holding this many names of one copy's candidates is built against it:
// the copy then writes its last candidate, which its clean-up would keep.
constexpr int kMaxCandidates = 64;

std::string TemporaryName(std::uint64_t hash) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string name(kTempPrefix);
    name.resize(kTempPrefixLength + kHashDigits);
    for (std::size_t i = 0; i < kHashDigits; ++i) {
        name[kTempPrefixLength + kHashDigits - 1 - i] = kHex[hash & 0xF];
        hash >>= 4;
    }
    name += kTempSuffix;
    return name;
}

std::uint64_t Fnv1a64(const char* data, std::size_t size) {
    std::uint64_t hash = 14695981039346656037ull;
    for (std::size_t i = 0; i < size; ++i) {
        hash ^= static_cast<unsigned char>(data[i]);
        hash *= 1099511628211ull;
    }
    return hash;
}

std::size_t NameStart(const std::string& path) {
#ifdef _WIN32
    const std::size_t slash = path.find_last_of("/\\");  // Windows takes either
#else
    const std::size_t slash = path.rfind('/');
#endif
    return slash == std::string::npos ? 0 : slash + 1;
}

}  // namespace

std::string TemporaryNameFor(const std::string& fileName) {
    // Fixed length, so it fits beside any name.
    return TemporaryName(Fnv1a64(fileName.data(), fileName.size()));
}

namespace fileservice {

std::string TemporaryPathFor(const std::string& destination, const std::string& source) {
    const std::size_t nameStart = NameStart(destination);
    const std::string folder = destination.substr(0, nameStart);
    const std::string sourceFolder = source.substr(0, NameStart(source));
    std::uint64_t hash = Fnv1a64(destination.data() + nameStart, destination.size() - nameStart);
    // The target folder mirrors the source's folder: a name that stands there is a file the
    // run mirrors into this folder, and the temporary must be another name, or the copy would
    // remove that file or be overwritten by its copy. The next candidate is as deterministic
    // as the first, so leftovers are still replaced.
    for (int candidate = 1; candidate < kMaxCandidates && !sourceFolder.empty(); ++candidate) {
        if (!EntryExists(sourceFolder + TemporaryName(hash))) break;
        hash = (hash + 0x9E3779B97F4A7C15ull) * 1099511628211ull;
    }
    return folder + TemporaryName(hash);
}

Result<FileHandle> CreateTemporary(const std::string& path, mode_t mode) {
    Result<FileHandle> created = CreateExclusive(path, mode);
    if (created || created.Error().error != EEXIST) return created;
    if (Status removed = Remove(path); !removed && removed.Error().error != ENOENT) return removed.Error();
    return CreateExclusive(path, mode);
}

Result<FileHandle> CreateReplacementTemporary(const std::string& target) {
    Result<FileHandle> created = Failure{target, EEXIST};
    // A name taken meanwhile is never reused, only the next one tried.
    for (int attempt = 0; attempt < 20 && !created && created.Error().error == EEXIST; ++attempt)
        created = CreateExclusive(UniqueTemporaryPath(target), 0666);
    return created;
}

int CaseFoldsByProbe(const std::string& folder) {
    Result<FileHandle> probe = CreateReplacementTemporary(folder + "/probe");
    if (!probe) return -1;
    const std::string path = probe.Value().Path();
    (void)probe.Value().Close();
    // The scheme's names are ASCII, with letters in them.
    std::string swapped = path;
    for (std::size_t i = NameStart(path); i < swapped.size(); ++i) {
        char& c = swapped[i];
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        else if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    const int folds = EntryExists(swapped) ? 1 : 0;
    (void)Remove(path);
    return folds;
}

std::string UniqueTemporaryPath(const std::string& target) {
    std::random_device device;
    const std::uint64_t number = (static_cast<std::uint64_t>(device()) << 32) | device();
    const std::size_t nameStart = NameStart(target);
    return (nameStart == 0 ? std::string("./") : target.substr(0, nameStart)) + TemporaryName(number);
}

bool IsTemporaryName(std::string_view name) {
    if (name.size() != kTempPrefixLength + kHashDigits + kTempSuffixLength) return false;
    if (name.compare(0, kTempPrefixLength, kTempPrefix) != 0) return false;
    if (name.compare(kTempPrefixLength + kHashDigits, kTempSuffixLength, kTempSuffix) != 0) return false;
    for (std::size_t i = kTempPrefixLength; i < kTempPrefixLength + kHashDigits; ++i) {
        const char c = name[i];
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    }
    return true;
}

}  // namespace fileservice
