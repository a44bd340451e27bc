#pragma once

#include <cstdio>

namespace fileservice {

// For the command line of a program built as a window program: on Windows such a program
// has no console of its own, so it writes into the console of the cmd.exe that started it
// (a stream that was redirected to a file or a pipe stays there), in UTF-8, the encoding its
// lines are printed in; the console's code page is put back at exit. Nothing to do elsewhere.
void UseParentConsole();

// Writes the UTF-8 text `utf8` to `stream`. Into a console window on Windows as wide text, so
// that its letters appear whatever code page the window has; into a file or a pipe, and on
// other systems, as it is.
void WriteText(std::FILE* stream, const char* utf8);

}  // namespace fileservice
