// Table browser cases: the inspection browser over a large table opens its
// first screen, goes to the last row, and sorts by three keys.
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QRadioButton>

#include <QProcess>

#include "Bench.h"
#include "database/Database.h"
#include "database/GridModel.h"
#include "database/RecordSet.h"
#include "database/Schema.h"
#include "platform/AppPaths.h"
#include "platform/Dialogs.h"
#include "platform/FormRegistry.h"
#include "tables/InspectionSortDialog.h"
#include "tables/TableBrowser.h"

void registerTableBrowsers();

namespace {
void registerOnce() {
    static bool registered = false;
    if (!registered)
        registerTableBrowsers();
    registered = true;
}

// An application folder whose kelid.mdb is the large database (linked, not copied:
// these cases only read).
void useLargeDatabase() {
    // No message box may wait for an answer here.
    static Dialogs::Scripted quiet;
    static bool ready = false;
    const QString folder = Bench::folder() + QStringLiteral("/tables-app");
    if (!ready) {
        const QString source = Bench::largeDatabase(Bench::rows());
        QDir().mkpath(folder);
        QFile::remove(folder + QStringLiteral("/kelid.mdb"));
        QFile::link(source, folder + QStringLiteral("/kelid.mdb"));
        ready = true;
    }
    AppPaths::setFolder(folder);
    registerOnce();
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

// The windows are deleted as the event loop would, so that a run's memory
// is that of one browser.
void closeBrowser() {
    FormRegistry::instance().unloadAll();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

Bench::Registrar firstScreen{Bench::Case{
    QStringLiteral("tables: tblInspection opens, first screen"), QString(), [] { useLargeDatabase(); },
    [] {
        TableBrowser* b = openBrowser();
        readScreen(b, 0);
        closeBrowser();
    },
    [] {}, 5}};

// The same on the --cluster server, the large database copied into it.
QString g_override;
Bench::Registrar serverFirstScreen{Bench::Case{
    QStringLiteral("server: tables: tblInspection opens, first screen"), QString(),
    [] {
        useLargeDatabase();
        g_override = Schema::isServer() ? Schema::databaseName() : QString();  // --server's, given back after
        Schema::setServerOverride(Bench::serverDatabase(Bench::rows()));
        const QString folder = Bench::folder() + QStringLiteral("/server-app");
        QDir().mkpath(folder);
        AppPaths::setFolder(folder);
        registerOnce();
    },
    [] {
        TableBrowser* b = openBrowser();
        readScreen(b, 0);
        closeBrowser();
    },
    [] { Schema::setServerOverride(g_override); }, 5}};

Bench::Registrar lastRow{Bench::Case{
    QStringLiteral("tables: tblInspection Last, last screen"), QString(), [] { useLargeDatabase(); openBrowser(); },
    [] {
        TableBrowser* b = FormRegistry::instance().formAs<TableBrowser>(QStringLiteral("tblInspection"));
        b->findChild<QPushButton*>(QStringLiteral("cmdFirst"))->click();
        b->findChild<QPushButton*>(QStringLiteral("cmdLast"))->click();
        readScreen(b, b->gridModel()->rowCount() - 40);
    },
    [] { closeBrowser(); }, 7}};

void sortThreeKeys() {
        TableBrowser* b = FormRegistry::instance().formAs<TableBrowser>(QStringLiteral("tblInspection"));
        FormRegistry::instance().load(QStringLiteral("frmSortInsp"));
        auto* d = FormRegistry::instance().formAs<InspectionSortDialog>(QStringLiteral("frmSortInsp"));
        d->keyBox(1)->setCurrentText(QStringLiteral("Facility"));
        d->directionOption(1, 0)->setChecked(true);
        d->keyBox(2)->setCurrentText(QStringLiteral("Date"));
        d->directionOption(2, 1)->setChecked(true);
        d->keyBox(3)->setCurrentText(QStringLiteral("SerialNum"));
        b->sortRecords();
}

TableBrowser* browser() { return FormRegistry::instance().formAs<TableBrowser>(QStringLiteral("tblInspection")); }

Bench::Registrar threeKeys{Bench::Case{
    QStringLiteral("tables: tblInspection three-key sort, first screen"), QString(), [] { useLargeDatabase(); openBrowser(); },
    [] {
        sortThreeKeys();
        readScreen(browser(), 0);
    },
    [] { closeBrowser(); }, 5}};

// The first screen of that order as the sqlite3 tool reads it (with its own
// start-up), and every key of it read at once as the browser did before.
const char* const kThreeKeyOrder = "ORDER BY Facility ASC, Date DESC, SerialNum ASC, rowid";
Bench::Registrar cliThreeKeys{Bench::Case{
    QStringLiteral("tables: sqlite3 tool, first 40 rows in the three-key order"), QString(), [] { useLargeDatabase(); },
    [] {
        QProcess p;
        p.setStandardOutputFile(QProcess::nullDevice());
        p.start(QStringLiteral("sqlite3"), {QStringLiteral("-readonly"), Bench::largeDatabase(Bench::rows())});
        p.write(QStringLiteral("SELECT * FROM InspectionRecord %1 LIMIT 40;\n").arg(QLatin1String(kThreeKeyOrder)).toUtf8());
        p.closeWriteChannel();
        if (!p.waitForFinished(120000) || p.exitCode() != 0)
            Bench::fail(QStringLiteral("sqlite3 failed"));
    },
    {}, 5}};
Bench::Registrar wholeThreeKeys{Bench::Case{
    QStringLiteral("tables: baseline, every key of the three-key order read at once"), QString(), [] { useLargeDatabase(); },
    [] {
        Database db;
        db.open(Bench::largeDatabase(Bench::rows()), Database::Mode::ReadOnly);
        SqlStatement st(db, QStringLiteral("SELECT rowid FROM InspectionRecord %1").arg(QLatin1String(kThreeKeyOrder)));
        std::vector<qint64> keys;
        while (st.next())
            keys.push_back(st.int64(0));
        if (!st.status() || qint64(keys.size()) != Bench::rows())
            Bench::fail(QStringLiteral("%1 keys read").arg(keys.size()));
    },
    {}, 3}};

// Last at once after the sort, while the rest of the order is still read.
Bench::Registrar threeKeysLast{Bench::Case{
    QStringLiteral("tables: tblInspection three-key sort, then Last, last screen"), QString(),
    [] { useLargeDatabase(); openBrowser(); },
    [] {
        sortThreeKeys();
        TableBrowser* b = browser();
        b->findChild<QPushButton*>(QStringLiteral("cmdLast"))->click();
        readScreen(b, b->gridModel()->rowCount() - 40);
        if (b->recordSet()->absolutePosition() != b->recordSet()->recordCount() - 1)
            Bench::fail(QStringLiteral("Last did not reach the last row"));
    },
    [] { closeBrowser(); }, 5}};

// The whole order, read in the background: from the sort until every row
// has its place (the window stays free meanwhile).
Bench::Registrar threeKeysAll{Bench::Case{
    QStringLiteral("tables: tblInspection three-key sort, every row in order"), QString(),
    [] { useLargeDatabase(); openBrowser(); },
    [] {
        sortThreeKeys();
        const Status s = browser()->recordSet()->waitUntilComplete();
        if (!s)
            Bench::fail(s.error());
        readScreen(browser(), browser()->gridModel()->rowCount() / 2);
    },
    [] { closeBrowser(); }, 3}};
}  // namespace
