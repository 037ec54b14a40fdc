#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <unistd.h>

#include "FileFacts.h"
#include "TestAppFolder.h"
#include "platform/Dialogs.h"
#include "platform/FileSystem.h"
#include "platform/FormRegistry.h"
#include "platform/MousePointer.h"
#include "shell/Application.h"
#include "utilities/CompactForm.h"
#include "utilities/CompactRepair.h"

using namespace FileFacts;
Q_DECLARE_METATYPE(FileFacts::Damage)

namespace {
// Rows whose notes are `width` characters long, added in one transaction.
void addRows(const TestAppFolder& f, int n, int width = 200) {
    f.exec(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < ") + QString::number(n) +
           QStringLiteral(") INSERT INTO InspectionRecord (Facility, ModelNumber, SerialNum, Station, ReworkNum, Notes) "
                          "SELECT 'A', 'M', 'S' || i, 'ST1', 1, substr(printf('%0200d', i), 1, ") +
           QString::number(width) + QStringLiteral(") FROM n"));
}

void readOnly(const QString& path) { QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther); }

FormRegistry& forms() { return FormRegistry::instance(); }

// The question that says the file is damaged and offers Compact and Repair.
void verifyRepairOffer(const Dialogs::Message& offer) {
    QVERIFY2(offer.text.contains(QStringLiteral("is damaged")) && offer.text.endsWith(QStringLiteral("Run Compact and Repair now?")),
             qPrintable(offer.text));
    QCOMPARE(offer.buttons, Dialogs::Buttons::YesNo);
}
}  // namespace

class TestCompactRepair : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { initFormTests(); }
    void cleanup() {
        unloadAllForms();
        MousePointer::arrow();
        CompactForm::exitRule() = CompactRepair::ExitRule();
    }

    void sequenceStatesAndLeftovers();
    void linkedDatabase();
    void repairForm_data();
    void repairForm();
    void damagedFileAtStart_data();
    void damagedFileAtStart();
    void exitRunsOnlyWhenWorthIt_data();
    void exitRunsOnlyWhenWorthIt();
    void damageFoundAtExit_data();
    void damageFoundAtExit();
};

void TestCompactRepair::sequenceStatesAndLeftovers() {
    TestAppFolder f(TestAppFolder::Data::Demo);
    addRows(f, 300);
    f.exec(QStringLiteral("DELETE FROM InspectionRecord WHERE InspectionID % 2 = 0"));
    const QString target = f.file(QStringLiteral("temp/kelid.mdb"));
    const QString safety = f.file(QStringLiteral("temp2/kelid.mdb"));
    // Left by an interrupted run: an old safety copy and temporary files of
    // copies cut short (the last is another file's).
    writeFile(safety, QByteArray("old copy", 8));
    writeFile(f.file(QStringLiteral(".kelid.mdb.Ab12cD")), QByteArray("partial", 7));
    writeFile(f.file(QStringLiteral("temp2/.kelid.mdb.x9Y8z7")), QByteArray("partial", 7));
    writeFile(f.file(QStringLiteral("temp2/.kelid1.mdb.Ab12cD")), QByteArray("another file's", 14));
    const QString before = rows(f.livePath());
    const qint64 sizeBefore = QFileInfo(f.livePath()).size();
    // The compaction alone never writes into a file that is there, even an empty one.
    writeFile(target, QByteArray());
    const Status refused = CompactRepair().compactPhase();
    QVERIFY2(!refused.isOk() && refused.error().contains(QStringLiteral("File already exists")), qPrintable(refused.error()));
    QCOMPARE(QFileInfo(target).size(), 0);

    CompactRepair sequence;
    QStringList seen, pages;
    sequence.progress = [&](qint64 done, qint64 all) { pages << QStringLiteral("%1/%2").arg(done).arg(all); };
    sequence.afterStep = [&](int step) {
        const QByteArray live = digest(f.livePath()), t = digest(target), s = digest(safety);
        switch (step) {
        case 2: QVERIFY(t.isEmpty()); break;
        case 3: QCOMPARE(s, live); QVERIFY(t.isEmpty()); break;
        case 4: QCOMPARE(s, live); QVERIFY(t != live); QCOMPARE(rows(target), before); break;
        case 5: QCOMPARE(live, t); QVERIFY(s != live); break;
        case 6: QVERIFY(t.isEmpty()); QVERIFY(!s.isEmpty()); break;
        case 7: QVERIFY(s.isEmpty()); break;
        }
        seen << QString::number(step);
    };
    const Status s = sequence.run();
    QVERIFY2(s.isOk(), qPrintable(s.error()));
    QCOMPARE(seen.join(QLatin1Char(',')), QStringLiteral("1,2,3,4,5,6,7"));
    QCOMPARE(rows(f.livePath()), before);
    QVERIFY(intact(f.livePath()));
    QVERIFY(QFileInfo(f.livePath()).size() < sizeBefore);
    // The compaction counts its pages from none to all.
    const QString all = pages.value(0).section(QLatin1Char('/'), 1);
    QVERIFY2(all.toInt() > 0 && pages.first() == QStringLiteral("0/") + all && pages.last() == all + QLatin1Char('/') + all,
             qPrintable(pages.join(QLatin1Char(' '))));
    QCOMPARE(entries(f.file(QStringLiteral("temp"))), QStringList());
    QCOMPARE(entries(f.file(QStringLiteral("temp2"))), QStringList{QStringLiteral(".kelid1.mdb.Ab12cD")});
    QCOMPARE(entries(f.path()).filter(QStringLiteral("kelid")), QStringList{QStringLiteral("kelid.mdb")});
}

// A kelid.mdb that is a symbolic link stays one: the compaction and a rebuild
// by the repair replace the file it leads to, from a temporary file beside
// that one. A file with a second name (a hard link) is refused as it is.
void TestCompactRepair::linkedDatabase() {
    TestAppFolder f(TestAppFolder::Data::Demo);
    QTemporaryDir elsewhere;
    const QString real = elsewhere.filePath(QStringLiteral("plant.mdb"));
    QVERIFY(QFile::rename(f.livePath(), real) && QFile::link(real, f.livePath()));
    addRows(f, 300);
    f.exec(QStringLiteral("DELETE FROM InspectionRecord WHERE InspectionID % 2 = 0"));
    const QString before = rows(real);
    const qint64 sizeBefore = QFileInfo(real).size();
    Status s = CompactRepair().run();
    QVERIFY2(s.isOk(), qPrintable(s.error()));
    QVERIFY(QFileInfo(real).size() < sizeBefore);
    QVERIFY(damage(real, Damage::IndexPage));
    s = CompactRepair().repairPhase();
    QVERIFY2(s.isOk(), qPrintable(s.error()));
    QCOMPARE(QFileInfo(f.livePath()).symLinkTarget(), real);
    QVERIFY(intact(real));
    QCOMPARE(rows(real), before);
    QCOMPARE(entries(elsewhere.path()), QStringList{QStringLiteral("plant.mdb")});

    const QString second = elsewhere.filePath(QStringLiteral("second.mdb"));
    QVERIFY(::link(QFile::encodeName(real).constData(), QFile::encodeName(second).constData()) == 0);
    s = CompactRepair().run();
    QVERIFY2(!s.isOk() && s.error().contains(QStringLiteral("(hard links)")), qPrintable(s.error()));
    QVERIFY(FileSystem::sameFile(real, second));
}

void TestCompactRepair::repairForm_data() {
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("error");  // the message shown at the end
    QTest::addColumn<QString>("phase");  // what the window says then
    const QString repairing = QStringLiteral("Database Repair in Progress");
    QTest::newRow("completes") << QString() << QStringLiteral("Compact and Repair Complete") << QString();
    QTest::newRow("missing") << QStringLiteral("missing") << QStringLiteral("Could not find file") << repairing;
    QTest::newRow("empty") << QStringLiteral("empty") << QStringLiteral("file is not a database") << repairing;
    QTest::newRow("held open") << QStringLiteral("held") << QStringLiteral("is open in another window") << repairing;
    QTest::newRow("temp2 missing") << QStringLiteral("temp2") << QStringLiteral("Path not found") << repairing;
    QTest::newRow("temp missing") << QStringLiteral("temp") << QStringLiteral("Path not found")
                                  << QStringLiteral("Compacting Database in Progress");
}

// A failing step is reported once and leaves the live file as it was.
void TestCompactRepair::repairForm() {
    QFETCH(QString, fault);
    QFETCH(QString, error);
    QFETCH(QString, phase);
    TestAppFolder f(TestAppFolder::Data::Demo);
    std::unique_ptr<Database> held;
    if (fault == QLatin1String("missing")) {
        QVERIFY(QFile::remove(f.livePath()));
    } else if (fault == QLatin1String("empty")) {
        writeFile(f.livePath(), QByteArray());
    } else if (fault == QLatin1String("held")) {
        held = std::make_unique<Database>();
        QVERIFY(held->open(f.livePath()).isOk());
    } else if (!fault.isEmpty()) {
        QVERIFY(QDir(f.file(fault)).removeRecursively());
    }
    const QString before = rows(f.livePath());
    const QByteArray bytes = digest(f.livePath());
    Dialogs::Scripted dialogs;
    QVERIFY(forms().show(QStringLiteral("frmRepair")).isOk());
    Form* form = forms().form(QStringLiteral("frmRepair"));
    QVERIFY(QTest::qWaitForWindowActive(form->window_()));
    auto* label = form->findChild<QLabel*>(QStringLiteral("lblmessage"));
    auto* button = form->findChild<QPushButton*>(QStringLiteral("cmdRepair"));
    QString said = QStringLiteral("no message");
    bool shown = true;
    dialogs.onMessage = [&](const Dialogs::Message&) {
        said = label->isHidden() ? QString() : label->text();
        shown = form->window_()->isVisible() || !button->isHidden();
    };
    QTest::mouseClick(button, Qt::LeftButton);
    held.reset();

    QCOMPARE(said, phase);
    QCOMPARE(dialogs.messages.size(), 1);
    QVERIFY2(dialogs.messages.first().text.contains(error), qPrintable(dialogs.messages.first().text));
    QCOMPARE(MousePointer::current(), MousePointer::Shape::Default);
    QVERIFY(!forms().isLoaded(QStringLiteral("frmRepair")));
    QVERIFY(forms().isVisible(QStringLiteral("frmMain")));
    QCOMPARE(rows(f.livePath()), before);
    // The window is already hidden while the box says it is done.
    QCOMPARE(shown, !fault.isEmpty());
    QCOMPARE(digest(f.livePath()) == bytes, !fault.isEmpty());  // compacted, and marked checked
    QCOMPARE(digest(f.file(QStringLiteral("temp2/kelid.mdb"))), fault == QLatin1String("temp") ? bytes : QByteArray());
    QCOMPARE(entries(f.file(QStringLiteral("temp"))), QStringList());
}

void TestCompactRepair::damagedFileAtStart_data() {
    QTest::addColumn<Damage>("kind");
    QTest::newRow("index page") << Damage::IndexPage;
    QTest::newRow("table leaf page") << Damage::TableLeaf;
}

// A damaged file is reported before any form opens, with Compact and Repair
// offered; the repair rebuilds the file from the rows it can still read.
void TestCompactRepair::damagedFileAtStart() {
    QFETCH(Damage, kind);
    TestAppFolder f(TestAppFolder::Data::Demo);
    const QString all = QStringLiteral("SELECT * FROM InspectionRecord ORDER BY InspectionID");
    const QStringList before = f.rows(all);
    int onPage = 0;
    QVERIFY(damage(f.livePath(), kind, &onPage));
    const QByteArray damaged = digest(f.livePath());
    Dialogs::Scripted dialogs;
    dialogs.answers.enqueue(Dialogs::Answer::Yes);
    bool formsWhenAsked = false;
    dialogs.onMessage = [&](const Dialogs::Message&) {
        formsWhenAsked = formsWhenAsked || forms().isLoaded(QStringLiteral("MDIBackground")) || forms().isLoaded(QStringLiteral("frmMain"));
    };
    QVERIFY(Application::start().isOk());
    QVERIFY(!formsWhenAsked);
    QVERIFY(forms().isVisible(QStringLiteral("frmMain")));
    QCOMPARE(dialogs.messages.size(), 2);
    verifyRepairOffer(dialogs.messages.first());
    const QString said = dialogs.messages.last().text;
    QVERIFY(intact(f.livePath()));
    const QStringList after = f.rows(all);
    const QStringList kept = QDir(f.path()).entryList({QStringLiteral("kelid-damaged-*.mdb")}, QDir::Files);
    if (kind == Damage::IndexPage) {
        // Every row is readable: the repair goes through and nothing is kept.
        QCOMPARE(said, QStringLiteral("Compact and Repair Complete"));
        QCOMPARE(after, before);
        QCOMPARE(kept, QStringList());
    } else {
        // The rows of the damaged page are gone: the repair says how many and keeps the damaged file.
        QVERIFY(onPage > 0);
        QVERIFY2(said.contains(QStringLiteral("%1 row(s) of InspectionRecord could not be read").arg(onPage)), qPrintable(said));
        QCOMPARE(after.size(), before.size() - onPage);
        // The readable rows said, and the count the screens show, are those of the inspection table.
        QVERIFY2(said.contains(QStringLiteral("its %1 readable row(s) are").arg(after.size())), qPrintable(said));
        QCOMPARE(f.scalar(QStringLiteral("SELECT Rows FROM TableRows WHERE TableName = 'InspectionRecord'")).toInt(), after.size());
        // So are the units per station and day the alarms read.
        QCOMPARE(f.scalar(QStringLiteral("SELECT sum(Units) FROM StationDay")).toInt(),
                 f.scalar(QStringLiteral("SELECT count(*) FROM (SELECT DISTINCT Facility, Station, ModelNumber, SerialNum, Date "
                                         "FROM InspectionRecord WHERE ReworkNum = 1)")).toInt());
        for (const QString& row : after)
            QVERIFY(before.contains(row));
        QCOMPARE(kept.size(), 1);
        QVERIFY2(said.contains(kept.first()), qPrintable(said));
        QCOMPARE(digest(f.file(kept.first())), damaged);
    }
    QCOMPARE(QDir(f.path()).entryList({QStringLiteral(".kelid*")}, QDir::Files | QDir::Hidden), QStringList());
}

enum class Since { NeverChecked, Nothing, SmallFile, FewRows, ManyWrites, FreePages, Growth, Leftover, SafetyCopy, ReadOnly };

void TestCompactRepair::exitRunsOnlyWhenWorthIt_data() {
    QTest::addColumn<int>("since");
    QTest::addColumn<QString>("reason");   // part of why it runs; empty: the file is left as it is
    QTest::addColumn<QString>("error");    // the one message the run shows
    QTest::addColumn<QString>("working");  // a working form left open
    const auto row = [](const char* name, Since since, const char* reason, const char* error = "", const char* working = "") {
        QTest::newRow(name) << int(since) << QString::fromLatin1(reason) << QString::fromLatin1(error) << QString::fromLatin1(working);
    };
    row("never checked, data entry screen open", Since::NeverChecked, "not been checked", "", "frmDataEntry");
    row("nothing written since the last run", Since::Nothing, "");
    row("a small file, nothing written", Since::SmallFile, "the file is small");
    row("a few rows written", Since::FewRows, "");
    row("a write for every eighth page, record editor open", Since::ManyWrites, "writes since the last check", "", "frmModel");
    row("an eighth of the pages free, inspection table open", Since::FreePages, "pages are free", "", "tblInspection");
    row("grown by an eighth, part table open", Since::Growth, "pages were added", "", "tblPart");
    row("an unfinished run left its target", Since::Leftover, "not finished");
    row("an unfinished run left only its safety copy", Since::SafetyCopy, "not finished");
    row("a read-only file", Since::ReadOnly, "not been checked", "Permission denied");
}

// On exit the sequence runs, with its window up, when the file says it is worth it (after the working
// forms released the database); otherwise the file is left as it was. A run leaves a file the next exit
// finds unchanged.
void TestCompactRepair::exitRunsOnlyWhenWorthIt() {
    QFETCH(int, since);
    QFETCH(QString, reason);
    QFETCH(QString, error);
    QFETCH(QString, working);
    TestAppFolder f(TestAppFolder::Data::Demo);
    if (Since(since) != Since::NeverChecked && Since(since) != Since::ReadOnly)
        QVERIFY(CompactRepair().run().isOk());
    // The demo file is small; here it counts as large, but in one row.
    CompactRepair::ExitRule large;
    large.smallFileBytes = 0;
    if (Since(since) != Since::SmallFile)
        CompactForm::exitRule() = large;
    switch (Since(since)) {
    case Since::FewRows: addRows(f, 3, 10); break;
    case Since::ManyWrites:
        for (qint64 i = 0, pages = QFileInfo(f.livePath()).size() / 4096; i < pages / 8 + 1; ++i)
            addRows(f, 1, 10);
        break;
    // Deleted rows leave their old values in the audit trail, which takes
    // more pages than they free: indexes dropped free pages and add none.
    case Since::FreePages: f.exec(QStringLiteral("DROP INDEX InspectionUnit; DROP INDEX InspectionSerial")); break;
    case Since::Growth: addRows(f, 300); break;
    case Since::Leftover: writeFile(f.file(QStringLiteral("temp/kelid.mdb")), QByteArray("half written", 12)); break;
    case Since::SafetyCopy: QVERIFY(QFile::copy(f.livePath(), f.file(QStringLiteral("temp2/kelid.mdb")))); break;
    case Since::ReadOnly: readOnly(f.livePath()); break;
    default: break;
    }
    const QString why = CompactRepair().exitReason(CompactForm::exitRule());
    QVERIFY2(reason.isEmpty() ? why.isEmpty() : why.contains(reason), qPrintable(why));
    const QString before = rows(f.livePath());
    const QByteArray bytes = digest(f.livePath());
    Dialogs::Scripted dialogs;
    int quits = 0;
    Application::setQuitHandler([&] { ++quits; });
    QVERIFY(Application::start().isOk());
    QVERIFY(working.isEmpty() || forms().show(working).isOk());
    QString seen;  // the exit's window at the first moment it lets events through
    QObject looking;
    QTimer::singleShot(0, &looking, [&] {
        if (Form* form = forms().form(QStringLiteral("frmCompact")))
            seen = QStringLiteral("%1: visible=%2 text=%3").arg(form->windowTitle()).arg(form->isVisible())
                       .arg(form->findChild<QLabel*>(QStringLiteral("lblmessage"))->text());
    });
    // File / Exit.
    forms().unload(QStringLiteral("MDIBackground"));
    QFile::setPermissions(f.livePath(), QFile::ReadOwner | QFile::WriteOwner);
    QCOMPARE(quits, 1);
    // The file alone is the whole database once the program ended: no log beside it.
    QCOMPARE(entries(f.path()).filter(QStringLiteral("kelid.mdb-")), QStringList());
    QCOMPARE(seen.isEmpty(), reason.isEmpty());
    // A file never checked gets the engine's full check first.
    if (!reason.isEmpty())
        QCOMPARE(seen, QStringLiteral("Compacting Database: visible=1 text=%1 Database, Please wait...")
                           .arg(reason.contains(QStringLiteral("not been checked")) ? QStringLiteral("Checking") : QStringLiteral("Compacting")));
    QVERIFY2(dialogs.texts().size() == (error.isEmpty() ? 0 : 1) && dialogs.texts().join(QString()).contains(error),
             qPrintable(dialogs.texts().join(QLatin1Char('\n'))));
    QCOMPARE(MousePointer::current(), MousePointer::Shape::Default);
    const bool runs = !reason.isEmpty() && error.isEmpty();
    QCOMPARE(digest(f.livePath()) != bytes, runs);
    QCOMPARE(rows(f.livePath()), before);
    QVERIFY(intact(f.livePath()));
    QCOMPARE(entries(f.file(QStringLiteral("temp"))) + entries(f.file(QStringLiteral("temp2"))), QStringList());
    if (!runs)
        return;
    QCOMPARE(CompactRepair().exitReason(large), QString());
    Maintenance::FileState state;
    QVERIFY(Maintenance::fileState(f.livePath(), &state).isOk());
    QVERIFY(!state.writtenSinceCheck());
}

void TestCompactRepair::damageFoundAtExit_data() {
    QTest::addColumn<int>("checkedDaysAgo");  // when the last full check ran
    QTest::addColumn<bool>("leftAtStart");    // damaged at start, and the user said No there
    QTest::newRow("an index disagrees with its table, fully checked 8 days ago") << 8 << false;
    QTest::newRow("an index disagrees with its table, fully checked 6 days ago") << 6 << false;
    QTest::newRow("damage found at start and left so") << 0 << true;
}

// Damage the quick check at start cannot see is looked for on the first exit
// a week after the last full check, and damage the user left at start is
// brought up again: both are said as at start, with Compact and Repair offered.
void TestCompactRepair::damageFoundAtExit() {
    QFETCH(int, checkedDaysAgo);
    QFETCH(bool, leftAtStart);
    TestAppFolder f(TestAppFolder::Data::Demo);
    f.exec(QStringLiteral("INSERT INTO InspectionRecord (Facility, ModelNumber, SerialNum, Station, ReworkNum) "
                          "VALUES ('A', 'M', 'QZX12345', 'ST1', 1)"));
    QVERIFY(CompactRepair().run().isOk());
    f.exec(QStringLiteral("UPDATE Upkeep SET CheckedOn = strftime('%Y-%m-%dT%H:%M:%SZ', 'now', '-%1 days')").arg(checkedDaysAgo));
    QVERIFY(leftAtStart ? damage(f.livePath(), Damage::IndexPage) : alterStoredValue(f.livePath(), QStringLiteral("InspectionRecord"), "QZX12345"));
    QVERIFY(leftAtStart || Maintenance::quickCheck(f.livePath()).isOk());
    Dialogs::Scripted dialogs;
    if (leftAtStart)
        dialogs.answers.enqueue(Dialogs::Answer::No);
    dialogs.answers.enqueue(Dialogs::Answer::Yes);
    Application::setQuitHandler([] {});
    QVERIFY(Application::start().isOk());
    QCOMPARE(dialogs.messages.size(), leftAtStart ? 1 : 0);
    forms().unload(QStringLiteral("MDIBackground"));
    if (checkedDaysAgo == 6) {
        QCOMPARE(dialogs.texts(), QStringList());
        return;
    }
    QCOMPARE(dialogs.messages.size(), leftAtStart ? 3 : 2);
    verifyRepairOffer(dialogs.messages.at(dialogs.messages.size() - 2));
    QCOMPARE(dialogs.messages.last().text, QStringLiteral("Compact and Repair Complete"));
    QVERIFY(intact(f.livePath()));
    Maintenance::FileState state;
    QVERIFY(Maintenance::fileState(f.livePath(), &state).isOk());
    QVERIFY(state.fullCheck.secsTo(QDateTime::currentDateTimeUtc()) < 24 * 3600);
}

QTEST_MAIN(TestCompactRepair)
#include "tst_compactrepair.moc"
