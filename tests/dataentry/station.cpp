// A station of the concurrency test: varnex-test-station APPFOLDER INSPECTOR SEED ROWS
// submits rows through the data entry screen of the folder. It prints "ready", waits
// for a line on its input so that all stations start at once, then prints
// "submitted N" and each error box, and exits 1 after any error.
#include <cstdio>
#include <iostream>
#include <string>

#include <QApplication>

#include "TestAppFolder.h"
#include "datagen/StationRun.h"
#include "platform/AppPaths.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 5)
        return 2;
    AppPaths::setFolder(args[1]);
    initFormTests();
    StationRun::Plan plan;
    plan.inspector = args[2];
    plan.seed = args[3].toULongLong();
    plan.rows = args[4].toInt();
    plan.model = QStringLiteral("CM1");
    plan.stations = {QStringLiteral("ELE"), QStringLiteral("FIN")};
    plan.part = QStringLiteral("P7");
    plan.defect = QStringLiteral("D2");
    plan.location = QStringLiteral("L3");
    std::printf("ready\n");
    std::fflush(stdout);
    std::string go;
    std::getline(std::cin, go);
    const StationRun::Result r = StationRun::run(plan);
    std::printf("submitted %d\n", r.submitted);
    for (const QString& e : r.errors)
        std::printf("error: %s\n", qPrintable(e));
    return r.errors.isEmpty() ? 0 : 1;
}
