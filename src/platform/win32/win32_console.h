// Text for the user of a command line, from a program that has no console of
// its own (tonegen.exe is a window program) or has one (tonegen-render.exe).
//
// How it works: what the program was given as standard output or error (a
// pipe, a file, or the console of a console program) is written to as it
// is, in UTF-8. A window program started from a console has no such handles;
// it attaches to its parent's console (AttachConsole) and writes there. When
// there is no console at all, the text goes into a message box, so that a
// wrong command line is never silently ignored.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tonegen::win32 {

// The arguments after the program's name, in UTF-8 (from the UTF-16 command
// line, so that any file name passes).
std::vector<std::string> command_line_arguments();

enum class Stream { output, error };

// Writes `text` where the user of the command line reads it; `title` is the
// message box's title when there is no console.
void tell_user(Stream stream, std::string_view text, std::string_view title);

// Writes `line` and a line end to standard error when the program was given
// one (a pipe, a file or a console); says nothing otherwise, never in a box.
void log_line(std::string_view line);

// True when standard error is a console (a progress bar makes sense there).
bool error_is_console();

} // namespace tonegen::win32
