#pragma once

// Paths reach the file service as UTF-8 on every system, never in the local 8-bit code page
// (on Windows that would turn every character outside it into "?"). For any text type with
// toUtf8(), which is QString above the file service, so that this header needs no Qt.

#include <cstddef>
#include <string>

namespace fileservice {

template <typename Text>
std::string Utf8Path(const Text& path) {
    const auto bytes = path.toUtf8();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

}  // namespace fileservice
