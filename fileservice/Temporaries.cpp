// The names of the copy's hidden temporaries: ".tvl-" + 16 hex digits + ".tmp".

#include "fileservice/FileServiceInternal.h"
#include "fileservice/FileServiceTesting.h"

#include <algorithm>

namespace {

constexpr char kTempPrefix[] = ".tvl-";
constexpr char kTempSuffix[] = ".tmp";
constexpr std::size_t kTempPrefixLength = sizeof(kTempPrefix) - 1;
constexpr std::size_t kTempSuffixLength = sizeof(kTempSuffix) - 1;
constexpr std::size_t kHashDigits = 16;

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

}  // namespace

std::string TemporaryNameFor(const std::string& fileName) {
    // Deterministic per target name, so a later copy of the same file replaces a leftover
    // of a killed run; fixed length, so it fits beside any name.
    return TemporaryName(Fnv1a64(fileName.data(), fileName.size()));
}

namespace fileservice {

std::string TemporaryPathFor(const std::string& path, const std::vector<std::uint64_t>* listed) {
    const std::size_t slash = path.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    std::uint64_t hash = Fnv1a64(path.data() + nameStart, path.size() - nameStart);
    // A listed file of that name is mirrored in this folder: the temporary must be another
    // name, or the copy would remove that file or be overwritten by its copy. The next
    // candidate is as deterministic as the first, so leftovers are still replaced.
    if (listed) {
        while (std::binary_search(listed->begin(), listed->end(), hash))
            hash = (hash + 0x9E3779B97F4A7C15ull) * 1099511628211ull;
    }
    return path.substr(0, nameStart) + TemporaryName(hash);
}

bool IsTemporaryName(std::string_view name, std::uint64_t* hash) {
    if (name.size() != kTempPrefixLength + kHashDigits + kTempSuffixLength) return false;
    if (name.compare(0, kTempPrefixLength, kTempPrefix) != 0) return false;
    if (name.compare(kTempPrefixLength + kHashDigits, kTempSuffixLength, kTempSuffix) != 0) return false;
    std::uint64_t digits = 0;
    for (std::size_t i = kTempPrefixLength; i < kTempPrefixLength + kHashDigits; ++i) {
        const char c = name[i];
        if (c >= '0' && c <= '9') digits = digits << 4 | static_cast<std::uint64_t>(c - '0');
        else if (c >= 'a' && c <= 'f') digits = digits << 4 | static_cast<std::uint64_t>(c - 'a' + 10);
        else return false;
    }
    if (hash) *hash = digits;
    return true;
}

}  // namespace fileservice
