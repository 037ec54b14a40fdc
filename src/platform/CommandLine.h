#pragma once
#include <QStringList>

// What every command of the program answers before it starts any work (and
// before it needs a screen): "--version" and "--help" (also "-h").
namespace CommandLine {

// The program's version, as the package names it.
const char* version();

// Prints "NAME VERSION" for --version or the help text for --help/-h to
// stdout and returns true (the caller exits 0); false for any other call.
bool answered(int argc, char** argv, const char* name, const char* help);

// Whether the arguments (the program's name first) hold an option without a
// value, such as "--board".
bool has(const QStringList& args, const char* option);

}  // namespace CommandLine
