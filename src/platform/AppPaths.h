#pragma once
#include <QString>

// The application folder and the paths built from it. Paths are written as the
// program has always written them (folder + "\kelid.mdb"); native() turns such a
// text into a path of this system.
namespace AppPaths {

// The folder the program runs from (the executable's folder unless set).
QString folder();
void setFolder(const QString& folder);

// Application folder + a backslash path such as "\kelid.mdb", made native.
QString join(const QString& backslashPath);

// Backslashes become the native separator; a drive root ("C:\") stands for the
// application folder; a path component that does not exist is matched without
// regard to case, so "Temp2" finds "temp2".
QString native(const QString& path);

}  // namespace AppPaths
