#pragma once

// UTF-8 well-formedness, shared by everything that must tell UTF-8 text from other bytes
// (file names, settings files written on Windows).

#include <cstddef>
#include <string>

// The length of the well-formed UTF-8 sequence at `at` (no overlong forms, no surrogates,
// at most U+10FFFF) within the `left` bytes available, or 0 when there is none.
inline int Utf8SequenceLength(const unsigned char* at, std::size_t left) {
    const unsigned char lead = at[0];
    if (lead < 0x80) return 1;
    int length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;   // overlong
        if (lead == 0xED) high = 0x9F;  // surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;   // overlong
        if (lead == 0xF4) high = 0x8F;  // above U+10FFFF
    } else {
        return 0;
    }
    if (left < static_cast<std::size_t>(length)) return 0;
    if (at[1] < low || at[1] > high) return 0;
    for (int i = 2; i < length; ++i) {
        if ((at[i] & 0xC0) != 0x80) return 0;
    }
    return length;
}

// Appends `value` (at most U+FFFF) in one to three bytes, as UTF-8 writes it. A surrogate is
// written on its own, which keeps any UTF-16 text, unpaired surrogates included, lossless.
inline void AppendUtf8Bmp(std::string& out, char32_t value) {
    if (value < 0x80) {
        out += static_cast<char>(value);
    } else if (value < 0x800) {
        out += static_cast<char>(0xC0 | (value >> 6));
        out += static_cast<char>(0x80 | (value & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (value >> 12));
        out += static_cast<char>(0x80 | ((value >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (value & 0x3F));
    }
}
