// Database utility cases on a copy of the large database: the full repair and
// compaction as Compact and Repair runs it, and the exit of the program after
// a few rows were written since (the exit compaction decides it is not worth
// running).
#include <cstdio>
#include <memory>

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include "Bench.h"
#include "database/Database.h"
#include "platform/AppPaths.h"
#include "platform/Dialogs.h"
#include "platform/FileSystem.h"
#include "platform/FormRegistry.h"
#include "utilities/CompactRepair.h"

void registerUtilityForms();

namespace {
struct Folder {
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<Dialogs::Scripted> dialogs;
    int serial = 0;

    void make() {
        if (dir)
            return;
        static bool registered = false;
        if (!registered) {
            registerUtilityForms();
            registered = true;
        }
        const QString source = Bench::largeDatabase(Bench::rows());
        dir = std::make_unique<QTemporaryDir>(Bench::folder() + QStringLiteral("/utilities-XXXXXX"));
        QDir(dir->path()).mkpath(QStringLiteral("temp"));
        QDir(dir->path()).mkpath(QStringLiteral("temp2"));
        const Status s = FileSystem::copyFile(source, dir->path() + QStringLiteral("/kelid.mdb"));
        if (!s) {
            std::fprintf(stderr, "bench_utilities: %s\n", qPrintable(s.error()));
            std::exit(1);
        }
        AppPaths::setFolder(dir->path());
        dialogs = std::make_unique<Dialogs::Scripted>();
    }
    void check() {
        if (!dialogs->messages.isEmpty())
            Bench::fail(QStringLiteral("message box: %1").arg(dialogs->messages.first().text));
        dialogs->clear();
    }
    // A few units inspected: three rows, each in its own write.
    void writeFewRows() {
        Database db;
        db.open(dir->path() + QStringLiteral("/kelid.mdb"));
        for (int i = 0; i < 3; ++i) {
            SqlStatement st(db, QStringLiteral("INSERT INTO InspectionRecord (Facility, ModelNumber, SerialNum, Station, ReworkNum) "
                                               "VALUES ('A', 'BENCH', ?, 'T1', 1)"));
            st.bind(1, QStringLiteral("EXIT%1").arg(++serial));
            if (!st.run())
                Bench::fail(QStringLiteral("could not write a row"));
        }
    }
};
Folder g_folder;

void fullSequence() {
    const Status s = CompactRepair().run();
    if (!s)
        Bench::fail(s.error());
}

Bench::Registrar full{Bench::Case{QStringLiteral("utilities: compact and repair, full sequence"), QString(),
                                  [] { g_folder.make(); }, &fullSequence, {}, 3}};

Bench::Registrar exitLittle{Bench::Case{
    QStringLiteral("utilities: exit after 3 rows written since the last compaction"), QString(),
    [] {
        g_folder.make();
        // The last compaction (untimed here when the case above has not run).
        if (!CompactRepair().exitReason().isEmpty())
            fullSequence();
        g_folder.writeFewRows();
    },
    [] {
        FormRegistry::instance().load(QStringLiteral("frmCompact"));
        FormRegistry::instance().unload(QStringLiteral("frmCompact"));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        g_folder.check();
    },
    [] {
        g_folder.dialogs.reset();
        g_folder.dir.reset();
    },
    7, [] { g_folder.writeFewRows(); }}};
}  // namespace
