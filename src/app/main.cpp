#include <QApplication>

#include "platform/CommandLine.h"
#include "shell/Application.h"

namespace {
const char* const kHelp =
    "usage: varnex [--folder DIR] [--server URI] [--board]\n"
    "Records quality inspections and prints their reports.\n"
    "  --folder DIR  work in the application folder DIR (it must exist; also VARNEX_FOLDER).\n"
    "                Installed, the default is $XDG_DATA_HOME/varnex (~/.local/share/varnex),\n"
    "                made on the first start with the demo database.\n"
    "  --server URI  work on a plant server for this run: postgresql://USER@HOST:PORT/DBNAME\n"
    "                (the password from ~/.pgpass or PGPASSWORD)\n"
    "  --board       open only the line board, full screen and read-only (F11: full screen)\n"
    "  --version     print the version and exit\n"
    "  --help        print this help and exit\n";
}  // namespace

int main(int argc, char* argv[]) {
    if (CommandLine::answered(argc, argv, "varnex", kHelp))
        return 0;
    QApplication app(argc, argv);
    return Application::run();
}
