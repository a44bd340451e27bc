#pragma once

#include <QString>
#include <optional>

// Reads a value (or, with no key, the NUL-separated key list without its final extra
// NUL) through the profile primitive with a buffer of `size` characters.
QString ReadIniString(const QString& section, const std::optional<QString>& key, const QString& defaultText,
                      const QString& fileName, qint16 size);
