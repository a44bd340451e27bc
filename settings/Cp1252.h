#pragma once

// Text encoding of the settings file: UTF-8, with lines from Windows machines in
// Windows-1252 still read correctly and written back in it.

#include <QByteArray>
#include <QString>
#include <optional>
#include <string>
#include <string_view>

// True when `bytes` is well-formed UTF-8 (no overlong forms, no surrogates, at most U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

// Windows-1252 bytes as UTF-8; the five unassigned bytes map to the C1 controls of the same number.
std::string Cp1252ToUtf8(std::string_view bytes);

// `bytes` unchanged when it is valid UTF-8, else read as Windows-1252 and returned as UTF-8.
std::string DecodeLine(std::string_view bytes);

// The Windows-1252 bytes of `text`, or nothing when a character has no Windows-1252 byte.
std::optional<QByteArray> EncodeCp1252(const QString& text);
