#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "FileFacts.h"
#include "TestAppFolder.h"
#include "platform/Dialogs.h"
#include "platform/FormRegistry.h"
#include "platform/MousePointer.h"
#include "shell/Application.h"
#include "shell/FormCatalog.h"
#include "utilities/CompactForm.h"
#include "utilities/CompactRepair.h"
#include <QProgressBar>
#include <QTimer>

using namespace FileFacts;
Q_DECLARE_METATYPE(FileFacts::Damage)

namespace {
// Adds rows and deletes half of them again, so the file has free pages that a
// compaction gives back.
void fillWithFreeSpace(const TestAppFolder& f) {
    f.exec(QStringLiteral(
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000) "
        "INSERT INTO InspectionRecord (Facility, ModelNumber, SerialNum, InspectorNum, Date, Station, PartNum, "
        "DefectCode, LocationCode, ReworkNum, Notes) SELECT 'A', 'M' || (i % 7), 'S' || i, 'E1', '2026-03-01', 'ST1', "
        "'001', '1', '1', 1, printf('%0200d', i) FROM n"));
    f.exec(QStringLiteral("DELETE FROM InspectionRecord WHERE InspectionID % 2 = 0"));
}

enum class Fault { Missing, Empty, NotSqlite, ReadOnly };

void applyFault(const TestAppFolder& f, Fault fault) {
    switch (fault) {
    case Fault::Missing: QFile::remove(f.livePath()); break;
    case Fault::Empty: writeFile(f.livePath(), QByteArray()); break;
    case Fault::NotSqlite: writeFile(f.livePath(), QByteArray("Standard Jet DB\0 not a database at all", 39)); break;
    case Fault::ReadOnly: QFile::setPermissions(f.livePath(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther); break;
    }
}
}  // namespace

class TestCompactRepair : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { initFormTests(); }
    void cleanup() { unloadAllForms(); MousePointer::arrow(); }

    void sequenceStatesAndLeftovers();
    void unusableLiveDatabase_data();
    void unusableLiveDatabase();
    void refusedWhileHeldOpen();
    void damagedFileRebuiltFromReadableRows_data();
    void damagedFileRebuiltFromReadableRows();

    void repairFormCompletes();
    void repairFormReportsFailure_data();
    void repairFormReportsFailure();
    void repairFormClosedUnused();

    void compactFormReportsOnce_data();
    void compactFormReportsOnce();
    void exitAfterWorkingFormsCompacts_data();
    void exitAfterWorkingFormsCompacts();
    void damageFoundAtStart_data();
    void damageFoundAtStart();

    void exitRunsOnlyWhenWorthIt_data();
    void exitRunsOnlyWhenWorthIt();
    void compactFormShowsItsTextAndPages();
};

void TestCompactRepair::sequenceStatesAndLeftovers() {
    TestAppFolder f(TestAppFolder::Data::Demo);
    fillWithFreeSpace(f);
    const QString target = f.file(QStringLiteral("temp/kelid.mdb"));
    const QString safety = f.file(QStringLiteral("temp2/kelid.mdb"));
    // Left by an interrupted run: a half-written target and an old safety copy.
    writeFile(target, QByteArray("half written", 12));
    writeFile(safety, QByteArray("old copy", 8));
    // Temporary files of copies cut short, and files that only look alike.
    writeFile(f.file(QStringLiteral(".kelid.mdb.Ab12cD")), QByteArray("partial", 7));
    writeFile(f.file(QStringLiteral("temp2/.kelid.mdb.x9Y8z7")), QByteArray("partial", 7));
    writeFile(f.file(QStringLiteral(".kelid.mdb.keep")), QByteArray("not a copy", 10));
    writeFile(f.file(QStringLiteral("temp2/.kelid1.mdb.Ab12cD")), QByteArray("another file's", 14));
    const QString before = rows(f.livePath());
    const qint64 sizeBefore = QFileInfo(f.livePath()).size();
    QVERIFY(before.contains(QStringLiteral("InspectionRecord=")));

    CompactRepair sequence;
    QStringList seen;
    sequence.afterStep = [&](int step) {
        const QByteArray live = digest(f.livePath()), t = digest(target), s = digest(safety);
        switch (step) {
        case 2:
            QVERIFY(t.isEmpty());
            QVERIFY(!QFileInfo::exists(f.file(QStringLiteral(".kelid.mdb.Ab12cD"))));
            QVERIFY(!QFileInfo::exists(f.file(QStringLiteral("temp2/.kelid.mdb.x9Y8z7"))));
            break;
        case 3: QCOMPARE(s, live); QVERIFY(t.isEmpty()); break;
        case 4: QVERIFY(!t.isEmpty()); QCOMPARE(s, live); QVERIFY(t != live); QCOMPARE(rows(target), before); break;
        case 5: QCOMPARE(live, t); QVERIFY(s != live); break;
        case 6: QVERIFY(t.isEmpty()); QVERIFY(!s.isEmpty()); break;
        case 7: QVERIFY(s.isEmpty()); break;
        }
        seen << QString::number(step);
    };
    const Status s = sequence.run();
    QVERIFY2(s.isOk(), qPrintable(s.error()));
    QCOMPARE(seen.join(QLatin1Char(',')), QStringLiteral("1,2,3,4,5,6,7"));
    QCOMPARE(sequence.completedSteps(), 7);
    QCOMPARE(rows(f.livePath()), before);
    QVERIFY(intact(f.livePath()));
    QVERIFY(QFileInfo(f.livePath()).size() < sizeBefore);
    QCOMPARE(entries(f.file(QStringLiteral("temp"))), QStringList());
    QCOMPARE(entries(f.file(QStringLiteral("temp2"))), QStringList{QStringLiteral(".kelid1.mdb.Ab12cD")});
    QCOMPARE(entries(f.path()).filter(QStringLiteral("kelid")),
             (QStringList{QStringLiteral(".kelid.mdb.keep"), QStringLiteral("kelid.mdb")}));
}

void TestCompactRepair::unusableLiveDatabase_data() {
    QTest::addColumn<int>("fault");
    QTest::addColumn<QString>("error");
    QTest::newRow("missing") << int(Fault::Missing) << QStringLiteral("Could not find file");
    QTest::newRow("empty") << int(Fault::Empty) << QStringLiteral("file is not a database");
    QTest::newRow("not sqlite") << int(Fault::NotSqlite) << QStringLiteral("file is not a database");
    QTest::newRow("read-only") << int(Fault::ReadOnly) << QStringLiteral("Permission denied");
}

void TestCompactRepair::unusableLiveDatabase() {
    QFETCH(int, fault);
    QFETCH(QString, error);
    TestAppFolder f(TestAppFolder::Data::Demo);
    applyFault(f, Fault(fault));
    const QByteArray bytes = digest(f.livePath());
    CompactRepair sequence;
    const Status s = sequence.run();
    QVERIFY(!s.isOk());
    QVERIFY2(s.error().contains(error), qPrintable(s.error()));
    QCOMPARE(sequence.completedSteps(), 0);
    QCOMPARE(digest(f.livePath()), bytes);
    QCOMPARE(entries(f.file(QStringLiteral("temp"))), QStringList());
    QCOMPARE(entries(f.file(QStringLiteral("temp2"))), QStringList());
    QFile::setPermissions(f.livePath(), QFile::ReadOwner | QFile::WriteOwner);
}

void TestCompactRepair::refusedWhileHeldOpen() {
    TestAppFolder f(TestAppFolder::Data::Demo);
    const QByteArray bytes = digest(f.livePath());
    {
        Database held;
        QVERIFY(held.open(f.livePath()).isOk());
        const Status s = CompactRepair().run();
        QVERIFY(!s.isOk());
        QVERIFY2(s.error().contains(QStringLiteral("is open in another window")), qPrintable(s.error()));
    }
    QCOMPARE(digest(f.livePath()), bytes);
    QCOMPARE(entries(f.file(QStringLiteral("temp2"))), QStringList());
    // Once released, the sequence runs.
    QVERIFY(CompactRepair().run().isOk());
}

void TestCompactRepair::damagedFileRebuiltFromReadableRows_data() {
    QTest::addColumn<Damage>("kind");
    QTest::newRow("index page") << Damage::IndexPage;
    QTest::newRow("table leaf page") << Damage::TableLeaf;
}

void TestCompactRepair::damagedFileRebuiltFromReadableRows() {
    QFETCH(Damage, kind);
    TestAppFolder f(TestAppFolder::Data::Demo);
    const QString all = QStringLiteral("SELECT * FROM InspectionRecord ORDER BY InspectionID");
    const QStringList before = f.rows(all);
    const QString employees = f.rows(QStringLiteral("SELECT * FROM Employees ORDER BY EmployeeID")).join(QLatin1Char('\n'));
    int onPage = 0;
    QVERIFY(damage(f.livePath(), kind, QStringLiteral("InspectionRecord"), QStringLiteral("InspectionUnit"), &onPage));
    const QByteArray damaged = digest(f.livePath());
    QVERIFY(!Maintenance::quickCheck(f.livePath()).isOk());

    const Status s = CompactRepair().run();
    QVERIFY(intact(f.livePath()));
    QCOMPARE(f.rows(QStringLiteral("SELECT * FROM Employees ORDER BY EmployeeID")).join(QLatin1Char('\n')), employees);
    const QStringList after = f.rows(all);
    const QStringList kept = QDir(f.path()).entryList({QStringLiteral("kelid-damaged-*.mdb")}, QDir::Files);
    if (kind == Damage::IndexPage) {
        // Every row is readable: the repair goes through and nothing is kept.
        QVERIFY2(s.isOk(), qPrintable(s.error()));
        QCOMPARE(after, before);
        QCOMPARE(kept, QStringList());
    } else {
        // The rows of the damaged page are gone: the repair says how many and keeps the damaged file.
        QVERIFY(onPage > 0);
        QVERIFY(!s.isOk());
        QVERIFY2(s.error().contains(QStringLiteral("%1 row(s) of InspectionRecord could not be read").arg(onPage)), qPrintable(s.error()));
        QCOMPARE(after.size(), before.size() - onPage);
        for (const QString& row : after)
            QVERIFY(before.contains(row));
        QCOMPARE(kept.size(), 1);
        QVERIFY2(s.error().contains(kept.first()), qPrintable(s.error()));
        QCOMPARE(digest(f.file(kept.first())), damaged);
        // Rows added later are numbered after every row the file ever had.
        f.exec(QStringLiteral("INSERT INTO InspectionRecord (Facility) VALUES ('Z')"));
        QCOMPARE(f.scalar(QStringLiteral("SELECT max(InspectionID) FROM InspectionRecord")).toLongLong(),
                 before.last().section(QLatin1Char('|'), 0, 0).toLongLong() + 1);
    }
    QCOMPARE(QDir(f.path()).entryList({QStringLiteral(".kelid*")}, QDir::Files | QDir::Hidden), QStringList());
}

void TestCompactRepair::repairFormCompletes() {
    TestAppFolder f(TestAppFolder::Data::Demo);
    const QString before = rows(f.livePath());
    const QByteArray bytes = digest(f.livePath());
    Dialogs::Scripted dialogs;
    FormRegistry& forms = FormRegistry::instance();
    QVERIFY(forms.show(QStringLiteral("frmRepair")).isOk());
    Form* form = forms.form(QStringLiteral("frmRepair"));
    QVERIFY(QTest::qWaitForWindowActive(form->window_()));
    QCOMPARE(form->window_()->windowTitle(), QStringLiteral("Compact And Repair"));
    auto* label = form->findChild<QLabel*>(QStringLiteral("lblmessage"));
    auto* button = form->findChild<QPushButton*>(QStringLiteral("cmdRepair"));
    QVERIFY(label && button);
    QCOMPARE(label->text(), QStringLiteral("Perform this task once a week!"));
    QCOMPARE(button->text(), QStringLiteral("Start Compact and Repair"));

    bool checked = false;
    dialogs.onMessage = [&](const Dialogs::Message&) {
        // While the box is up the window is already hidden, the pointer back.
        QVERIFY(!form->window_()->isVisible());
        QVERIFY(label->isHidden());
        QVERIFY(button->isHidden());
        QCOMPARE(MousePointer::current(), MousePointer::Shape::Default);
        checked = true;
    };
    QTest::mouseClick(button, Qt::LeftButton);
    QVERIFY(checked);
    QCOMPARE(dialogs.messages.size(), 1);
    QCOMPARE(dialogs.messages.first().text, QStringLiteral("Compact and Repair Complete"));
    QVERIFY(!forms.isLoaded(QStringLiteral("frmRepair")));
    QVERIFY(forms.isVisible(QStringLiteral("frmMain")));
    QCOMPARE(rows(f.livePath()), before);
    QVERIFY(digest(f.livePath()) != bytes);  // compacted, and marked checked
    QCOMPARE(entries(f.file(QStringLiteral("temp"))), QStringList());
    QCOMPARE(entries(f.file(QStringLiteral("temp2"))), QStringList());
}

void TestCompactRepair::repairFormReportsFailure_data() {
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("phase");
    QTest::newRow("temp2 missing") << QStringLiteral("temp2") << QStringLiteral("Database Repair in Progress");
    QTest::newRow("temp missing") << QStringLiteral("temp") << QStringLiteral("Compacting Database in Progress");
}

void TestCompactRepair::repairFormReportsFailure() {
    QFETCH(QString, folder);
    QFETCH(QString, phase);
    TestAppFolder f(TestAppFolder::Data::Demo);
    const QString before = rows(f.livePath());
    const QByteArray bytes = digest(f.livePath());
    QVERIFY(QDir(f.file(folder)).removeRecursively());
    Dialogs::Scripted dialogs;
    FormRegistry& forms = FormRegistry::instance();
    QVERIFY(forms.show(QStringLiteral("frmRepair")).isOk());
    Form* form = forms.form(QStringLiteral("frmRepair"));
    QVERIFY(QTest::qWaitForWindowActive(form->window_()));
    auto* label = form->findChild<QLabel*>(QStringLiteral("lblmessage"));
    QString labelAtError;
    dialogs.onMessage = [&](const Dialogs::Message&) { labelAtError = label->text(); };
    QTest::mouseClick(form->findChild<QPushButton*>(QStringLiteral("cmdRepair")), Qt::LeftButton);

    QCOMPARE(dialogs.messages.size(), 1);
    const QString text = dialogs.messages.first().text;
    QVERIFY2(text.startsWith(QStringLiteral("Path not found")) && text.contains(folder), qPrintable(text));
    QCOMPARE(labelAtError, phase);
    QVERIFY(!forms.isLoaded(QStringLiteral("frmRepair")));
    QVERIFY(forms.isVisible(QStringLiteral("frmMain")));
    QCOMPARE(MousePointer::current(), MousePointer::Shape::Default);
    // The live database is the repaired file, unchanged; with temp missing the safety copy was made.
    QCOMPARE(digest(f.livePath()), bytes);
    QCOMPARE(rows(f.livePath()), before);
    if (folder == QLatin1String("temp"))
        QCOMPARE(digest(f.file(QStringLiteral("temp2/kelid.mdb"))), bytes);
}

void TestCompactRepair::repairFormClosedUnused() {
    TestAppFolder f(TestAppFolder::Data::Demo);
    const QByteArray bytes = digest(f.livePath());
    Dialogs::Scripted dialogs;
    FormRegistry& forms = FormRegistry::instance();
    QVERIFY(forms.show(QStringLiteral("frmRepair")).isOk());
    QVERIFY(QTest::qWaitForWindowActive(forms.form(QStringLiteral("frmRepair"))->window_()));
    forms.form(QStringLiteral("frmRepair"))->window_()->close();
    QVERIFY(!forms.isLoaded(QStringLiteral("frmRepair")));
    QVERIFY(forms.isVisible(QStringLiteral("frmMain")));
    QVERIFY(dialogs.messages.isEmpty());
    QCOMPARE(digest(f.livePath()), bytes);
    QCOMPARE(entries(f.file(QStringLiteral("temp2"))), QStringList());
}

void TestCompactRepair::compactFormReportsOnce_data() {
    QTest::addColumn<int>("fault");  // -2: temp2 missing
    QTest::addColumn<QString>("error");
    QTest::newRow("kelid.mdb read-only") << int(Fault::ReadOnly) << QStringLiteral("Permission denied");
    QTest::newRow("temp2 missing") << -2 << QStringLiteral("Path not found");
}

void TestCompactRepair::compactFormReportsOnce() {
    QFETCH(int, fault);
    QFETCH(QString, error);
    TestAppFolder f(TestAppFolder::Data::Demo);
    const QString before = rows(f.livePath());
    if (fault == -2)
        QVERIFY(QDir(f.file(QStringLiteral("temp2"))).removeRecursively());
    else
        applyFault(f, Fault(fault));
    const QByteArray bytes = digest(f.livePath());
    Dialogs::Scripted dialogs;
    FormRegistry& forms = FormRegistry::instance();
    QVERIFY(forms.load(QStringLiteral("frmCompact")).isOk());
    forms.unload(QStringLiteral("frmCompact"));
    QCOMPARE(dialogs.messages.size(), 1);
    QVERIFY2(dialogs.messages.first().text.contains(error), qPrintable(dialogs.messages.first().text));
    QVERIFY(!forms.isLoaded(QStringLiteral("frmCompact")));
    QCOMPARE(MousePointer::current(), MousePointer::Shape::Default);
    QCOMPARE(digest(f.livePath()), bytes);
    if (fault < 0)
        QCOMPARE(rows(f.livePath()), before);
    QFile::setPermissions(f.livePath(), QFile::ReadOwner | QFile::WriteOwner);
}

void TestCompactRepair::exitAfterWorkingFormsCompacts_data() {
    QTest::addColumn<QStringList>("path");  // menu, button, menu, button, the form opened
    QTest::newRow("data entry screen") << QStringList{QStringLiteral("frmMain"), QStringLiteral("cmdDataEntry"),
                                                      QStringLiteral("frmDataEntMenu"), QStringLiteral("cmdInspectionData"), QStringLiteral("frmDataEntry")};
    QTest::newRow("record editor") << QStringList{QStringLiteral("frmMain"), QStringLiteral("cmdDataEntry"),
                                                  QStringLiteral("frmDataEntMenu"), QStringLiteral("cmdModel"), QStringLiteral("frmModel")};
    QTest::newRow("inspection table") << QStringList{QStringLiteral("frmMain"), QStringLiteral("cmdTables"),
                                                     QStringLiteral("frmTblMenu"), QStringLiteral("cmdInspection"), QStringLiteral("tblInspection")};
    QTest::newRow("part table") << QStringList{QStringLiteral("frmMain"), QStringLiteral("cmdTables"),
                                               QStringLiteral("frmTblMenu"), QStringLiteral("cmdPart"), QStringLiteral("tblPart")};
}

// The working forms release the database when they unload, before the exit
// compaction runs: it must neither be refused nor replace a file in use.
void TestCompactRepair::exitAfterWorkingFormsCompacts() {
    QFETCH(QStringList, path);
    TestAppFolder f(TestAppFolder::Data::Demo);
    const QString before = rows(f.livePath());
    const QByteArray bytes = digest(f.livePath());
    Dialogs::Scripted dialogs;
    int quits = 0;
    Application::setQuitHandler([&] { ++quits; });
    QVERIFY(Application::start().isOk());
    FormRegistry& forms = FormRegistry::instance();
    for (int i = 0; i + 1 < path.size(); i += 2) {
        auto* button = forms.form(path[i])->findChild<QPushButton*>(path[i + 1]);
        QVERIFY2(button, qPrintable(path[i + 1]));
        button->click();
    }
    QVERIFY(forms.isVisible(path.last()));
    QVERIFY(dialogs.messages.isEmpty());
    // File / Exit, with the working form still open.
    forms.unload(QStringLiteral("MDIBackground"));
    QCOMPARE(quits, 1);
    QVERIFY2(dialogs.messages.isEmpty(), qPrintable(dialogs.texts().join(QLatin1Char('\n'))));
    QCOMPARE(rows(f.livePath()), before);
    QVERIFY(digest(f.livePath()) != bytes);  // compacted, and marked checked
    QCOMPARE(entries(f.file(QStringLiteral("temp"))), QStringList());
    QCOMPARE(entries(f.file(QStringLiteral("temp2"))), QStringList());
}

void TestCompactRepair::damageFoundAtStart_data() {
    QTest::addColumn<bool>("repair");
    QTest::newRow("repaired") << true;
    QTest::newRow("declined") << false;
}

// A damaged file is reported before any form opens, with Compact and Repair offered.
void TestCompactRepair::damageFoundAtStart() {
    QFETCH(bool, repair);
    TestAppFolder f(TestAppFolder::Data::Demo);
    const QStringList before = f.rows(QStringLiteral("SELECT * FROM InspectionRecord ORDER BY InspectionID"));
    QVERIFY(damage(f.livePath(), Damage::IndexPage));
    const QByteArray damaged = digest(f.livePath());
    Dialogs::Scripted dialogs;
    dialogs.answers.enqueue(repair ? Dialogs::Answer::Yes : Dialogs::Answer::No);
    FormRegistry& forms = FormRegistry::instance();
    QStringList loadedWhenAsked;
    dialogs.onMessage = [&](const Dialogs::Message&) {
        for (const QString& name : {QStringLiteral("MDIBackground"), QStringLiteral("frmMain"), QStringLiteral("frmDataEntry")})
            if (forms.isLoaded(name))
                loadedWhenAsked << name;
    };
    QVERIFY(Application::start().isOk());
    QCOMPARE(loadedWhenAsked, QStringList());
    QVERIFY(!dialogs.messages.isEmpty());
    const Dialogs::Message& offer = dialogs.messages.first();
    QVERIFY2(offer.text.contains(QStringLiteral("is damaged")) && offer.text.endsWith(QStringLiteral("Run Compact and Repair now?")),
             qPrintable(offer.text));
    QCOMPARE(offer.buttons, Dialogs::Buttons::YesNo);
    QVERIFY(forms.isVisible(QStringLiteral("frmMain")));
    if (repair) {
        QCOMPARE(dialogs.texts().mid(1), QStringList{QStringLiteral("Compact and Repair Complete")});
        QVERIFY(intact(f.livePath()));
        QCOMPARE(f.rows(QStringLiteral("SELECT * FROM InspectionRecord ORDER BY InspectionID")), before);
    } else {
        QCOMPARE(dialogs.messages.size(), 1);
        QCOMPARE(digest(f.livePath()), damaged);
    }
}

enum class Since { NeverChecked, Nothing, FewRows, ManyWrites, FreePages, Growth, Leftover };

void TestCompactRepair::exitRunsOnlyWhenWorthIt_data() {
    QTest::addColumn<int>("since");
    QTest::addColumn<bool>("runs");
    QTest::newRow("never checked") << int(Since::NeverChecked) << true;
    QTest::newRow("nothing written since the last run") << int(Since::Nothing) << false;
    QTest::newRow("a few rows written") << int(Since::FewRows) << false;
    QTest::newRow("a write for every eighth page") << int(Since::ManyWrites) << true;
    QTest::newRow("an eighth of the pages free") << int(Since::FreePages) << true;
    QTest::newRow("grown by an eighth") << int(Since::Growth) << true;
    QTest::newRow("an unfinished run left its target") << int(Since::Leftover) << true;
}

// On exit the sequence runs when the file says it is worth it; otherwise the
// file is left byte for byte as it was. A run leaves a file that the next
// exit finds unchanged.
void TestCompactRepair::exitRunsOnlyWhenWorthIt() {
    QFETCH(int, since);
    QFETCH(bool, runs);
    TestAppFolder f(TestAppFolder::Data::Demo);
    // The demo file is small; here it counts as large.
    CompactForm::exitRule().smallFileBytes = 0;
    if (Since(since) != Since::NeverChecked)
        QVERIFY(CompactRepair().run().isOk());
    QVERIFY(CompactRepair().exitReason(CompactForm::exitRule()).isEmpty() || Since(since) == Since::NeverChecked);
    const auto insert = [&](int n, int notesWidth) {
        f.exec(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < ") + QString::number(n) +
               QStringLiteral(") INSERT INTO InspectionRecord (Facility, ModelNumber, SerialNum, Station, ReworkNum, Notes) "
                              "SELECT 'A', 'M', 'S' || i, 'ST1', 1, substr(printf('%0200d', i), 1, ") +
               QString::number(notesWidth) + QStringLiteral(") FROM n"));
    };
    switch (Since(since)) {
    case Since::FewRows: insert(3, 10); break;
    case Since::ManyWrites:
        for (qint64 i = 0, pages = QFileInfo(f.livePath()).size() / 4096; i < pages / 8 + 1; ++i)
            insert(1, 10);
        break;
    case Since::FreePages: f.exec(QStringLiteral("DELETE FROM InspectionRecord WHERE InspectionID > 1000")); break;
    case Since::Growth: insert(3000, 200); break;
    case Since::Leftover: writeFile(f.file(QStringLiteral("temp/kelid.mdb")), QByteArray("half written", 12)); break;
    default: break;
    }
    const QString before = rows(f.livePath());
    const QByteArray bytes = digest(f.livePath());
    Maintenance::FileState state;
    QVERIFY(Maintenance::fileState(f.livePath(), &state).isOk());
    QCOMPARE(state.writtenSinceCheck(), Since(since) != Since::Nothing && Since(since) != Since::Leftover);
    Dialogs::Scripted dialogs;
    FormRegistry& forms = FormRegistry::instance();
    QVERIFY(forms.load(QStringLiteral("frmCompact")).isOk());
    forms.unload(QStringLiteral("frmCompact"));
    CompactForm::exitRule() = CompactRepair::ExitRule();
    QVERIFY2(dialogs.messages.isEmpty(), qPrintable(dialogs.texts().join(QLatin1Char('\n'))));
    QCOMPARE(digest(f.livePath()) != bytes, runs);
    QCOMPARE(rows(f.livePath()), before);
    QVERIFY(intact(f.livePath()));
    QCOMPARE(entries(f.file(QStringLiteral("temp"))), QStringList());
    CompactRepair::ExitRule large;
    large.smallFileBytes = 0;
    QVERIFY(CompactRepair().exitReason(large).isEmpty());
    QVERIFY(Maintenance::fileState(f.livePath(), &state).isOk());
    QCOMPARE(state.writtenSinceCheck(), !runs && Since(since) != Since::Nothing);
}

// The exit compaction's window shows its text while the sequence works, and
// counts the pages of the compacted file.
void TestCompactRepair::compactFormShowsItsTextAndPages() {
    TestAppFolder f(TestAppFolder::Data::Demo);
    fillWithFreeSpace(f);
    Dialogs::Scripted dialogs;
    QString seen;
    // Runs at the first moment the window lets events through.
    QTimer::singleShot(0, [&] {
        Form* form = FormRegistry::instance().form(QStringLiteral("frmCompact"));
        if (!form)
            return;
        seen = QStringLiteral("%1: visible=%2 text=%3")
                   .arg(form->windowTitle())
                   .arg(form->isVisible())
                   .arg(form->findChild<QLabel*>(QStringLiteral("lblmessage"))->text());
    });
    QStringList pages;
    CompactRepair sequence;
    sequence.progress = [&](qint64 done, qint64 all) { pages << QStringLiteral("%1/%2").arg(done).arg(all); };
    QVERIFY(FormRegistry::instance().load(QStringLiteral("frmCompact")).isOk());
    FormRegistry::instance().unload(QStringLiteral("frmCompact"));
    QCOMPARE(seen, QStringLiteral("Compacting Database: visible=1 text=Compacting Database, Please wait..."));
    QVERIFY(sequence.run().isOk());
    const qint64 all = QFileInfo(f.livePath()).size() / 4096;
    QVERIFY2(pages.size() >= 2 && pages.first() == QStringLiteral("0/%1").arg(all) && pages.last() == QStringLiteral("%1/%1").arg(all),
             qPrintable(pages.join(QLatin1Char(' '))));
}

QTEST_MAIN(TestCompactRepair)
#include "tst_compactrepair.moc"
