#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "FileFacts.h"
#include "TestAppFolder.h"
#include "platform/Dialogs.h"
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
    void refusalsLeaveTheFilesAlone_data();
    void refusalsLeaveTheFilesAlone();
    void repairForm_data();
    void repairForm();
    void damagedFileAtStart_data();
    void damagedFileAtStart();
    void exitAfterWorkingFormsCompacts_data();
    void exitAfterWorkingFormsCompacts();
    void exitRunsOnlyWhenWorthIt_data();
    void exitRunsOnlyWhenWorthIt();
};

void TestCompactRepair::sequenceStatesAndLeftovers() {
    TestAppFolder f(TestAppFolder::Data::Demo);
    addRows(f, 300);
    f.exec(QStringLiteral("DELETE FROM InspectionRecord WHERE InspectionID % 2 = 0"));
    const QString target = f.file(QStringLiteral("temp/kelid.mdb"));
    const QString safety = f.file(QStringLiteral("temp2/kelid.mdb"));
    // Left by an interrupted run: a half-written target, an old safety copy,
    // temporary files of copies cut short, and files that only look alike.
    writeFile(target, QByteArray("half written", 12));
    writeFile(safety, QByteArray("old copy", 8));
    writeFile(f.file(QStringLiteral(".kelid.mdb.Ab12cD")), QByteArray("partial", 7));
    writeFile(f.file(QStringLiteral("temp2/.kelid.mdb.x9Y8z7")), QByteArray("partial", 7));
    writeFile(f.file(QStringLiteral(".kelid.mdb.keep")), QByteArray("not a copy", 10));
    writeFile(f.file(QStringLiteral("temp2/.kelid1.mdb.Ab12cD")), QByteArray("another file's", 14));
    const QString before = rows(f.livePath());
    const qint64 sizeBefore = QFileInfo(f.livePath()).size();

    CompactRepair sequence;
    QStringList seen, pages;
    sequence.progress = [&](qint64 done, qint64 all) { pages << QStringLiteral("%1/%2").arg(done).arg(all); };
    sequence.afterStep = [&](int step) {
        const QByteArray live = digest(f.livePath()), t = digest(target), s = digest(safety);
        switch (step) {
        case 2:  // the unfinished copies go first
            QVERIFY(t.isEmpty());
            QCOMPARE(entries(f.file(QStringLiteral("temp2"))), (QStringList{QStringLiteral(".kelid1.mdb.Ab12cD"), QStringLiteral("kelid.mdb")}));
            break;
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
    QCOMPARE(entries(f.path()).filter(QStringLiteral("kelid")),
             (QStringList{QStringLiteral(".kelid.mdb.keep"), QStringLiteral("kelid.mdb")}));
}

enum class Fault { Missing, Empty, ReadOnly, HeldOpen, TargetThere };

void TestCompactRepair::refusalsLeaveTheFilesAlone_data() {
    QTest::addColumn<int>("fault");
    QTest::addColumn<QString>("error");
    QTest::newRow("missing") << int(Fault::Missing) << QStringLiteral("Could not find file");
    QTest::newRow("empty") << int(Fault::Empty) << QStringLiteral("file is not a database");
    QTest::newRow("read-only") << int(Fault::ReadOnly) << QStringLiteral("Permission denied");
    QTest::newRow("held open") << int(Fault::HeldOpen) << QStringLiteral("is open in another window");
    // The compaction alone never writes into a file that is there, even an empty one.
    QTest::newRow("target there") << int(Fault::TargetThere) << QStringLiteral("File already exists");
}

void TestCompactRepair::refusalsLeaveTheFilesAlone() {
    QFETCH(int, fault);
    QFETCH(QString, error);
    TestAppFolder f(TestAppFolder::Data::Demo);
    const QString target = f.file(QStringLiteral("temp/kelid.mdb"));
    std::unique_ptr<Database> held;
    switch (Fault(fault)) {
    case Fault::Missing: QFile::remove(f.livePath()); break;
    case Fault::Empty: writeFile(f.livePath(), QByteArray()); break;
    case Fault::ReadOnly: readOnly(f.livePath()); break;
    case Fault::HeldOpen:
        held = std::make_unique<Database>();
        QVERIFY(held->open(f.livePath()).isOk());
        break;
    case Fault::TargetThere: writeFile(target, QByteArray()); break;
    }
    const QByteArray live = digest(f.livePath()), targetBytes = digest(target);
    CompactRepair sequence;
    const Status s = Fault(fault) == Fault::TargetThere ? sequence.compactPhase() : sequence.run();
    held.reset();
    QFile::setPermissions(f.livePath(), QFile::ReadOwner | QFile::WriteOwner);
    QVERIFY2(!s.isOk() && s.error().contains(error), qPrintable(s.error()));
    QCOMPARE(sequence.completedSteps(), 0);
    QCOMPARE(digest(f.livePath()), live);
    QCOMPARE(digest(target), targetBytes);
    QCOMPARE(entries(f.file(QStringLiteral("temp2"))), QStringList());
}

void TestCompactRepair::repairForm_data() {
    QTest::addColumn<QString>("removed");  // a working folder removed first
    QTest::addColumn<QString>("phase");    // what the window says when the error comes
    QTest::newRow("completes") << QString() << QString();
    QTest::newRow("temp2 missing") << QStringLiteral("temp2") << QStringLiteral("Database Repair in Progress");
    QTest::newRow("temp missing") << QStringLiteral("temp") << QStringLiteral("Compacting Database in Progress");
}

void TestCompactRepair::repairForm() {
    QFETCH(QString, removed);
    QFETCH(QString, phase);
    TestAppFolder f(TestAppFolder::Data::Demo);
    const QString before = rows(f.livePath());
    const QByteArray bytes = digest(f.livePath());
    if (!removed.isEmpty())
        QVERIFY(QDir(f.file(removed)).removeRecursively());
    Dialogs::Scripted dialogs;
    QVERIFY(forms().show(QStringLiteral("frmRepair")).isOk());
    Form* form = forms().form(QStringLiteral("frmRepair"));
    QVERIFY(QTest::qWaitForWindowActive(form->window_()));
    QCOMPARE(form->window_()->windowTitle(), QStringLiteral("Compact And Repair"));
    auto* label = form->findChild<QLabel*>(QStringLiteral("lblmessage"));
    auto* button = form->findChild<QPushButton*>(QStringLiteral("cmdRepair"));
    QCOMPARE(label->text(), QStringLiteral("Perform this task once a week!"));
    QCOMPARE(button->text(), QStringLiteral("Start Compact and Repair"));
    QString said = QStringLiteral("no message");
    bool shown = true;
    dialogs.onMessage = [&](const Dialogs::Message&) {
        said = label->isHidden() ? QString() : label->text();
        shown = form->window_()->isVisible() || !button->isHidden();
    };
    QTest::mouseClick(button, Qt::LeftButton);

    QCOMPARE(said, phase);
    QCOMPARE(dialogs.messages.size(), 1);
    const QString text = dialogs.messages.first().text;
    QCOMPARE(MousePointer::current(), MousePointer::Shape::Default);
    QVERIFY(!forms().isLoaded(QStringLiteral("frmRepair")));
    QVERIFY(forms().isVisible(QStringLiteral("frmMain")));
    QCOMPARE(rows(f.livePath()), before);
    if (removed.isEmpty()) {
        // While the box is up the window is already hidden.
        QVERIFY(!shown);
        QCOMPARE(text, QStringLiteral("Compact and Repair Complete"));
        QVERIFY(digest(f.livePath()) != bytes);  // compacted, and marked checked
        QCOMPARE(entries(f.file(QStringLiteral("temp"))) + entries(f.file(QStringLiteral("temp2"))), QStringList());
    } else {
        QVERIFY2(text.startsWith(QStringLiteral("Path not found")) && text.contains(removed), qPrintable(text));
        QCOMPARE(digest(f.livePath()), bytes);
        if (removed == QLatin1String("temp"))
            QCOMPARE(digest(f.file(QStringLiteral("temp2/kelid.mdb"))), bytes);
    }
}

void TestCompactRepair::damagedFileAtStart_data() {
    QTest::addColumn<Damage>("kind");
    QTest::addColumn<bool>("repair");
    QTest::newRow("index page, repaired") << Damage::IndexPage << true;
    QTest::newRow("index page, declined") << Damage::IndexPage << false;
    QTest::newRow("table leaf page, repaired") << Damage::TableLeaf << true;
}

// A damaged file is reported before any form opens, with Compact and Repair
// offered; the repair rebuilds the file from the rows it can still read.
void TestCompactRepair::damagedFileAtStart() {
    QFETCH(Damage, kind);
    QFETCH(bool, repair);
    TestAppFolder f(TestAppFolder::Data::Demo);
    const QString all = QStringLiteral("SELECT * FROM InspectionRecord ORDER BY InspectionID");
    const QString employees = QStringLiteral("SELECT * FROM Employees ORDER BY EmployeeID");
    const QStringList before = f.rows(all), employeesBefore = f.rows(employees);
    int onPage = 0;
    QVERIFY(damage(f.livePath(), kind, QStringLiteral("InspectionRecord"), QStringLiteral("InspectionUnit"), &onPage));
    const QByteArray damaged = digest(f.livePath());
    Dialogs::Scripted dialogs;
    dialogs.answers.enqueue(repair ? Dialogs::Answer::Yes : Dialogs::Answer::No);
    bool formsWhenAsked = false;
    dialogs.onMessage = [&](const Dialogs::Message&) {
        formsWhenAsked = formsWhenAsked || forms().isLoaded(QStringLiteral("MDIBackground")) || forms().isLoaded(QStringLiteral("frmMain"));
    };
    QVERIFY(Application::start().isOk());
    QVERIFY(!formsWhenAsked);
    QVERIFY(forms().isVisible(QStringLiteral("frmMain")));
    QCOMPARE(dialogs.messages.size(), repair ? 2 : 1);
    const Dialogs::Message& offer = dialogs.messages.first();
    QVERIFY2(offer.text.contains(QStringLiteral("is damaged")) && offer.text.endsWith(QStringLiteral("Run Compact and Repair now?")),
             qPrintable(offer.text));
    QCOMPARE(offer.buttons, Dialogs::Buttons::YesNo);
    if (!repair) {
        QCOMPARE(digest(f.livePath()), damaged);
        return;
    }
    const QString said = dialogs.messages.last().text;
    QVERIFY(intact(f.livePath()));
    QCOMPARE(f.rows(employees), employeesBefore);
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
        for (const QString& row : after)
            QVERIFY(before.contains(row));
        QCOMPARE(kept.size(), 1);
        QVERIFY2(said.contains(kept.first()), qPrintable(said));
        QCOMPARE(digest(f.file(kept.first())), damaged);
        // Rows added later are numbered after every row the file ever had.
        f.exec(QStringLiteral("INSERT INTO InspectionRecord (Facility) VALUES ('Z')"));
        QCOMPARE(f.scalar(QStringLiteral("SELECT max(InspectionID) FROM InspectionRecord")).toLongLong(),
                 before.last().section(QLatin1Char('|'), 0, 0).toLongLong() + 1);
    }
    QCOMPARE(QDir(f.path()).entryList({QStringLiteral(".kelid*")}, QDir::Files | QDir::Hidden), QStringList());
}

void TestCompactRepair::exitAfterWorkingFormsCompacts_data() {
    QTest::addColumn<QStringList>("path");  // menu, button, menu, button, the form opened
    const QString main = QStringLiteral("frmMain");
    const QString entry = QStringLiteral("cmdDataEntry"), entryMenu = QStringLiteral("frmDataEntMenu");
    const QString tables = QStringLiteral("cmdTables"), tableMenu = QStringLiteral("frmTblMenu");
    QTest::newRow("data entry screen") << QStringList{main, entry, entryMenu, QStringLiteral("cmdInspectionData"), QStringLiteral("frmDataEntry")};
    QTest::newRow("record editor") << QStringList{main, entry, entryMenu, QStringLiteral("cmdModel"), QStringLiteral("frmModel")};
    QTest::newRow("inspection table") << QStringList{main, tables, tableMenu, QStringLiteral("cmdInspection"), QStringLiteral("tblInspection")};
    QTest::newRow("part table") << QStringList{main, tables, tableMenu, QStringLiteral("cmdPart"), QStringLiteral("tblPart")};
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
    for (int i = 0; i + 1 < path.size(); i += 2) {
        auto* button = forms().form(path[i])->findChild<QPushButton*>(path[i + 1]);
        QVERIFY2(button, qPrintable(path[i + 1]));
        button->click();
    }
    QVERIFY(forms().isVisible(path.last()));
    // File / Exit, with the working form still open.
    forms().unload(QStringLiteral("MDIBackground"));
    QCOMPARE(quits, 1);
    QVERIFY2(dialogs.messages.isEmpty(), qPrintable(dialogs.texts().join(QLatin1Char('\n'))));
    QCOMPARE(rows(f.livePath()), before);
    QVERIFY(digest(f.livePath()) != bytes);  // compacted, and marked checked
    QCOMPARE(entries(f.file(QStringLiteral("temp"))) + entries(f.file(QStringLiteral("temp2"))), QStringList());
}

enum class Since { NeverChecked, Nothing, SmallFile, FewRows, ManyWrites, FreePages, Growth, Leftover, ReadOnly };

void TestCompactRepair::exitRunsOnlyWhenWorthIt_data() {
    QTest::addColumn<int>("since");
    QTest::addColumn<QString>("reason");  // part of why it runs; empty: the file is left as it is
    QTest::addColumn<QString>("error");   // the one message the run shows
    const auto row = [](const char* name, Since since, const char* reason, const char* error = "") {
        QTest::newRow(name) << int(since) << QString::fromLatin1(reason) << QString::fromLatin1(error);
    };
    row("never checked", Since::NeverChecked, "not been checked");
    row("nothing written since the last run", Since::Nothing, "");
    row("a small file, nothing written", Since::SmallFile, "the file is small");
    row("a few rows written", Since::FewRows, "");
    row("a write for every eighth page", Since::ManyWrites, "writes since the last check");
    row("an eighth of the pages free", Since::FreePages, "pages are free");
    row("grown by an eighth", Since::Growth, "pages were added");
    row("an unfinished run left its target", Since::Leftover, "not finished");
    row("a read-only file", Since::ReadOnly, "not been checked", "Permission denied");
}

// On exit the sequence runs when the file says it is worth it, with its
// window up; otherwise the file is left byte for byte as it was. A run
// leaves a file that the next exit finds unchanged.
void TestCompactRepair::exitRunsOnlyWhenWorthIt() {
    QFETCH(int, since);
    QFETCH(QString, reason);
    QFETCH(QString, error);
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
    case Since::FreePages: f.exec(QStringLiteral("DELETE FROM InspectionRecord WHERE InspectionID > 1300")); break;
    case Since::Growth: addRows(f, 300); break;
    case Since::Leftover: writeFile(f.file(QStringLiteral("temp/kelid.mdb")), QByteArray("half written", 12)); break;
    case Since::ReadOnly: readOnly(f.livePath()); break;
    default: break;
    }
    const QString why = CompactRepair().exitReason(CompactForm::exitRule());
    QVERIFY2(reason.isEmpty() ? why.isEmpty() : why.contains(reason), qPrintable(why));
    const QString before = rows(f.livePath());
    const QByteArray bytes = digest(f.livePath());
    Dialogs::Scripted dialogs;
    QString seen;
    QTimer look;  // fires at the first moment the window lets events through
    look.setSingleShot(true);
    connect(&look, &QTimer::timeout, [&] {
        if (Form* form = forms().form(QStringLiteral("frmCompact")))
            seen = QStringLiteral("%1: visible=%2 text=%3")
                       .arg(form->windowTitle())
                       .arg(form->isVisible())
                       .arg(form->findChild<QLabel*>(QStringLiteral("lblmessage"))->text());
    });
    look.start(0);
    QVERIFY(forms().load(QStringLiteral("frmCompact")).isOk());
    forms().unload(QStringLiteral("frmCompact"));
    QFile::setPermissions(f.livePath(), QFile::ReadOwner | QFile::WriteOwner);
    QCOMPARE(seen.isEmpty(), reason.isEmpty());
    if (!reason.isEmpty())
        QCOMPARE(seen, QStringLiteral("Compacting Database: visible=1 text=Compacting Database, Please wait..."));
    QCOMPARE(dialogs.messages.size(), error.isEmpty() ? 0 : 1);
    if (!error.isEmpty())
        QVERIFY2(dialogs.messages.first().text.contains(error), qPrintable(dialogs.messages.first().text));
    QCOMPARE(MousePointer::current(), MousePointer::Shape::Default);
    const bool runs = !reason.isEmpty() && error.isEmpty();
    QCOMPARE(digest(f.livePath()) != bytes, runs);
    QCOMPARE(rows(f.livePath()), before);
    QVERIFY(intact(f.livePath()));
    QCOMPARE(entries(f.file(QStringLiteral("temp"))), QStringList());
    if (runs)
        QCOMPARE(CompactRepair().exitReason(large), QString());
}

QTEST_MAIN(TestCompactRepair)
#include "tst_compactrepair.moc"
