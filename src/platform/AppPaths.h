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

// A file of that name in the user's documents folder (the home folder when
// there is none): where the Save dialogs of exports start.
QString documentsFile(const QString& fileName);

// The folder an installed program reads and never writes (report
// definitions, help, the demo and blank databases): <bindir>/../share/varnex
// when it holds the demo database; empty for a program run from its build
// folder, whose application folder holds everything itself.
QString sharedFolder();
void setSharedFolder(const QString& folder);  // tests; an empty text finds it again

// A file the program reads: native(path), or, when that file is missing from
// the application folder, the same file in the shared folder.
QString readable(const QString& path);

}  // namespace AppPaths
