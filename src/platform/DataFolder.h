#pragma once
#include <QString>
#include <QStringList>

#include "platform/Status.h"

// The application folder a program works in. Run from its build folder, that
// is the executable's own folder, as it always was. An installed program
// (AppPaths::sharedFolder() found) keeps its data apart from its binaries: in
// $XDG_DATA_HOME/varnex (~/.local/share/varnex), made on its first start from
// the shared folder. "--folder DIR" or VARNEX_FOLDER names another one (a
// station's folder on a plant's data drive), which must exist.
namespace DataFolder {

// The folder named by "--folder DIR" / "--folder=DIR" in args (taken out of
// them), else by VARNEX_FOLDER; empty when neither names one.
QString named(QStringList* args);

// The user's own data folder of an installed program.
QString userFolder();

// Points AppPaths at the folder to work in: the named one (refused when it is
// not an existing folder), else the user's data folder of an installed
// program, else the executable's folder. An installed program's folder gets
// what it lacks from the shared folder (see populate).
Status select(const QString& named);

// Makes what a data folder lacks: temp, temp2, DemoDb with the blank database
// and, unless the folder names a server (varnex.conf), kelid.mdb from the
// demo database. Nothing present is ever replaced, also when two programs
// start at once.
Status populate(const QString& folder, const QString& shared);

}  // namespace DataFolder
