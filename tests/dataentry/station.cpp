// A station of the concurrency test: varnex-test-station APPFOLDER INSPECTOR SEED ROWS
// submits rows through the data entry screen of the folder. It prints "ready", waits
// for a line on its input so that all stations start at once, then prints
// "submitted N" and each error box, and exits 1 after any error.
// varnex-test-station APPFOLDER --row FACILITY MODEL SERIAL STATION PART DEFECT LOCATION DATE INSPECTOR
// submits that one row (DATE as yyyy-MM-dd; no other defect follows) at once.
#include <cstdio>
#include <iostream>
#include <string>

#include <QApplication>
#include <QDate>

#include "TestAppFolder.h"
#include "datagen/StationRun.h"
#include "platform/AppPaths.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const bool oneRow = args.size() == 12 && args[2] == QStringLiteral("--row");
    if (args.size() != 5 && !oneRow)
        return 2;
    AppPaths::setFolder(args[1]);
    initFormTests();
    StationRun::Plan plan;
    if (oneRow) {
        plan.rows = 1;
        plan.facility = args[3];
        plan.model = args[4];
        plan.serial = args[5];
        plan.stations = {args[6]};
        plan.part = args[7];
        plan.defect = args[8];
        plan.location = args[9];
        plan.date = QDate::fromString(args[10], Qt::ISODate);
        plan.inspector = args[11];
        plan.defectShare = 1;
        plan.anotherShare = 0;
    } else {
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
    }
    const StationRun::Result r = StationRun::run(plan);
    std::printf("submitted %d\n", r.submitted);
    for (const QString& e : r.errors)
        std::printf("error: %s\n", qPrintable(e));
    return r.errors.isEmpty() ? 0 : 1;
}
