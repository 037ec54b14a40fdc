// Table browser cases: the inspection browser over a large table opens its
// first screen, goes to the last row, and sorts by three keys.
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QRadioButton>

#include "Bench.h"
#include "database/GridModel.h"
#include "database/RecordSet.h"
#include "platform/AppPaths.h"
#include "platform/Dialogs.h"
#include "platform/FormRegistry.h"
#include "tables/InspectionSortDialog.h"
#include "tables/TableBrowser.h"

void registerTableBrowsers();

namespace {
// An application folder whose kelid.mdb is the large database (linked, not copied:
// these cases only read).
void useLargeDatabase() {
    static bool ready = false;
    if (ready)
        return;
    ready = true;
    // No message box may wait for an answer here.
    static Dialogs::Scripted quiet;
    const QString source = Bench::largeDatabase(Bench::rows());
    const QString folder = Bench::folder() + QStringLiteral("/tables-app");
    QDir().mkpath(folder);
    QFile::remove(folder + QStringLiteral("/kelid.mdb"));
    QFile::link(source, folder + QStringLiteral("/kelid.mdb"));
    AppPaths::setFolder(folder);
    registerTableBrowsers();
}

// Reads every cell of a screenful of lines, then paints the window as the
// screen would show it.
void readScreen(TableBrowser* b, int firstLine) {
    const GridModel* m = b->gridModel();
    for (int r = firstLine; r < qMin(firstLine + 40, m->rowCount()); ++r)
        for (int c = 0; c < m->columnCount(); ++c)
            m->data(m->index(r, c));
    b->grab();
}

TableBrowser* openBrowser() {
    FormRegistry::instance().show(QStringLiteral("tblInspection"));
    return FormRegistry::instance().formAs<TableBrowser>(QStringLiteral("tblInspection"));
}

void closeBrowser() { FormRegistry::instance().unloadAll(); }

Bench::Registrar firstScreen{Bench::Case{
    QStringLiteral("tables: tblInspection opens, first screen"), QString(), [] { useLargeDatabase(); },
    [] {
        TableBrowser* b = openBrowser();
        readScreen(b, 0);
        closeBrowser();
    },
    [] {}, 5}};

Bench::Registrar lastRow{Bench::Case{
    QStringLiteral("tables: tblInspection Last, last screen"), QString(), [] { useLargeDatabase(); openBrowser(); },
    [] {
        TableBrowser* b = FormRegistry::instance().formAs<TableBrowser>(QStringLiteral("tblInspection"));
        b->findChild<QPushButton*>(QStringLiteral("cmdFirst"))->click();
        b->findChild<QPushButton*>(QStringLiteral("cmdLast"))->click();
        readScreen(b, b->gridModel()->rowCount() - 40);
    },
    [] { closeBrowser(); }, 7}};

Bench::Registrar threeKeys{Bench::Case{
    QStringLiteral("tables: tblInspection three-key sort, first screen"), QString(), [] { useLargeDatabase(); openBrowser(); },
    [] {
        TableBrowser* b = FormRegistry::instance().formAs<TableBrowser>(QStringLiteral("tblInspection"));
        FormRegistry::instance().load(QStringLiteral("frmSortInsp"));
        auto* d = FormRegistry::instance().formAs<InspectionSortDialog>(QStringLiteral("frmSortInsp"));
        d->keyBox(1)->setCurrentText(QStringLiteral("Facility"));
        d->directionOption(1, 0)->setChecked(true);
        d->keyBox(2)->setCurrentText(QStringLiteral("Date"));
        d->directionOption(2, 1)->setChecked(true);
        d->keyBox(3)->setCurrentText(QStringLiteral("SerialNum"));
        b->sortRecords();
        readScreen(b, 0);
    },
    [] { closeBrowser(); }, 5}};
}  // namespace
