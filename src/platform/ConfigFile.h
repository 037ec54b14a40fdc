#pragma once
#include <QString>

// varnex.conf in the application folder: "name = value" lines; blank lines and
// lines starting with "#" are notes. Names are matched without regard to case,
// and blanks and underscores in them are alike ("date order", "Date_Order").
namespace ConfigFile {
// The file's path in the application folder.
QString path();
// The value of the first line with that name, trimmed; empty when there is none.
QString value(const QString& name);
// The plant's name ("plant = Northfield Assembly"), else the built-in one given.
QString plantName(const QString& builtIn);
}  // namespace ConfigFile
