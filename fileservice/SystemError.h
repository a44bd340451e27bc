#pragma once

#include <string>

namespace fileservice {

// The system's own words for the errno value `error`, as UTF-8: for the values the program
// has no German sentence of its own for.
std::string SystemErrorText(int error);

}  // namespace fileservice
