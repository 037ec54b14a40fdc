#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "FileFacts.h"
#include "TestAppFolder.h"
#include "platform/Dialogs.h"
#include "platform/FormRegistry.h"
#include "platform/MousePointer.h"
#include "utilities/DatabaseBackup.h"

using namespace FileFacts;

namespace {
FormRegistry& forms() { return FormRegistry::instance(); }

// Shows frmBackUp and clicks Start Backup; the input box is answered with
// `typed` (cancelled when it is null).
Form* clickStart(Dialogs::Scripted& dialogs, const QString& typed) {
    if (!forms().show(QStringLiteral("frmBackUp")).isOk())
        return nullptr;
    Form* form = forms().form(QStringLiteral("frmBackUp"));
    if (!QTest::qWaitForWindowActive(form->window_()))
        return nullptr;
    if (!typed.isNull())
        dialogs.inputAnswers.enqueue(typed);
    QTest::mouseClick(form->findChild<QPushButton*>(QStringLiteral("cmdBackup")), Qt::LeftButton);
    return form;
}
}  // namespace

class TestBackup : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { initFormTests(); }
    void cleanup() { unloadAllForms(); MousePointer::arrow(); }

    void backupReplacesTheEarlierOne();
    void refusedOrCancelledKeepsTheEarlierOne_data();
    void refusedOrCancelledKeepsTheEarlierOne();
    void interruptedWriteRolledBackBeforeCopy();
};

void TestBackup::backupReplacesTheEarlierOne() {
    TestAppFolder f(TestAppFolder::Data::Demo);
    f.exec(QStringLiteral("INSERT INTO defects (defectcode, defectdescription) VALUES ('ZZ9', 'ONLY IN THE LIVE FILE')"));
    QVERIFY(QDir(f.path()).mkdir(QStringLiteral("Weekly")));
    const QString backup = f.file(QStringLiteral("Weekly/kelid.mdb"));
    // An earlier backup of other data, and files left by backups killed at
    // their rename (the last name only looks alike).
    QVERIFY(QFile::copy(f.file(QStringLiteral("DemoDb/kelid1.mdb")), backup));
    writeFile(f.file(QStringLiteral("Weekly/.kelid.mdb.Ab12cD")), QByteArray(4096, 'x'));
    writeFile(f.file(QStringLiteral("Weekly/.kelid.mdb.x9Y8z7")), QByteArray(4096, 'x'));
    writeFile(f.file(QStringLiteral("Weekly/.kelid.mdb.keep")), QByteArray("not a copy", 10));
    const QByteArray bytes = digest(f.livePath());
    Dialogs::Scripted dialogs;
    bool checked = false;
    dialogs.onMessage = [&](const Dialogs::Message&) {
        Form* form = forms().form(QStringLiteral("frmBackUp"));
        QCOMPARE(form->window_()->windowTitle(), QStringLiteral("BackUp"));
        QVERIFY(!form->window_()->isVisible());
        QCOMPARE(form->findChild<QLabel*>(QStringLiteral("lblBackup"))->text(), QStringLiteral("Backup in Progress"));
        QCOMPARE(MousePointer::current(), MousePointer::Shape::Default);
        QCOMPARE(digest(backup), bytes);
        checked = true;
    };
    // Two separators before the file name name the same file here.
    QVERIFY(clickStart(dialogs, f.file(QStringLiteral("Weekly")) + QStringLiteral("\\")));
    QVERIFY(checked);
    QCOMPARE(dialogs.inputs.size(), 1);
    QCOMPARE(dialogs.inputs.first().prompt, QStringLiteral("Enter filepath for backup location"));
    QCOMPARE(dialogs.inputs.first().title, QStringLiteral("File Backup"));
    QCOMPARE(dialogs.inputs.first().defaultText, QString());
    QCOMPARE(dialogs.texts(), QStringList{QStringLiteral("Backup Complete")});
    QVERIFY(!forms().isLoaded(QStringLiteral("frmBackUp")));
    QVERIFY(forms().isVisible(QStringLiteral("frmMain")));
    QCOMPARE(digest(f.livePath()), bytes);
    QCOMPARE(rows(backup), rows(f.livePath()));
    QVERIFY(intact(backup));
    QCOMPARE(entries(f.file(QStringLiteral("Weekly"))), (QStringList{QStringLiteral(".kelid.mdb.keep"), QStringLiteral("kelid.mdb")}));
}

void TestBackup::refusedOrCancelledKeepsTheEarlierOne_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("error");  // empty: the form closes without a word
    const QString repair = QStringLiteral("Compact and Repair");
    QTest::newRow("cancel") << QStringLiteral("cancel") << QString();
    QTest::newRow("ok with nothing typed") << QStringLiteral("nothing") << QString();
    QTest::newRow("folder does not exist") << QStringLiteral("missing") << QStringLiteral("Path not found");
    QTest::newRow("destination is a folder") << QStringLiteral("directory") << QStringLiteral("Cannot write");
    QTest::newRow("folder cannot be written") << QStringLiteral("proc") << QStringLiteral("Cannot write");
    QTest::newRow("database held open") << QStringLiteral("held") << QStringLiteral("is open in another window");
    // An earlier backup may be the only good copy left.
    QTest::newRow("emptied file") << QStringLiteral("emptied") << QStringLiteral("file is not a database");
    QTest::newRow("truncated file") << QStringLiteral("truncated") << repair;
    QTest::newRow("damaged index page") << QStringLiteral("index page") << repair;
}

void TestBackup::refusedOrCancelledKeepsTheEarlierOne() {
    QFETCH(QString, kind);
    QFETCH(QString, error);
    TestAppFolder f(TestAppFolder::Data::Demo);
    QVERIFY(QDir(f.path()).mkdir(QStringLiteral("backups")));
    const QString backup = f.file(QStringLiteral("backups/kelid.mdb"));
    QVERIFY(QFile::copy(f.file(QStringLiteral("DemoDb/kelid1.mdb")), backup));
    const QByteArray earlier = digest(backup);
    const QMap<QString, Damage> damages{
        {QStringLiteral("emptied"), Damage::Emptied}, {QStringLiteral("truncated"), Damage::Truncated},
        {QStringLiteral("index page"), Damage::IndexPage}};
    QString typed = f.file(QStringLiteral("backups"));
    std::unique_ptr<Database> held;
    if (kind == QLatin1String("cancel")) {
        typed = QString();
    } else if (kind == QLatin1String("nothing")) {
        typed = QLatin1String("");
    } else if (kind == QLatin1String("missing")) {
        typed = f.file(QStringLiteral("NoSuchFolder"));
    } else if (kind == QLatin1String("directory")) {
        QVERIFY(QDir(f.path()).mkpath(QStringLiteral("Weekly/kelid.mdb")));
        typed = f.file(QStringLiteral("Weekly"));
    } else if (kind == QLatin1String("proc")) {
        typed = QStringLiteral("/proc");
    } else if (kind == QLatin1String("held")) {
        held = std::make_unique<Database>();
        QVERIFY(held->open(f.livePath()).isOk());
    } else {
        QVERIFY(damage(f.livePath(), damages.value(kind)));
    }
    const QByteArray live = digest(f.livePath());
    Dialogs::Scripted dialogs;
    bool buttonHidden = false;
    dialogs.onMessage = [&](const Dialogs::Message&) {
        buttonHidden = forms().form(QStringLiteral("frmBackUp"))->findChild<QPushButton*>(QStringLiteral("cmdBackup"))->isHidden();
    };
    QVERIFY(clickStart(dialogs, typed));
    held.reset();

    QCOMPARE(dialogs.inputs.size(), 1);
    QCOMPARE(dialogs.messages.size(), error.isEmpty() ? 0 : 1);
    if (!error.isEmpty()) {
        QVERIFY2(dialogs.messages.first().text.contains(error), qPrintable(dialogs.messages.first().text));
        QVERIFY(buttonHidden);
    }
    QCOMPARE(MousePointer::current(), MousePointer::Shape::Default);
    QVERIFY(!forms().isLoaded(QStringLiteral("frmBackUp")));
    QVERIFY(forms().isVisible(QStringLiteral("frmMain")));
    QCOMPARE(digest(f.livePath()), live);
    QCOMPARE(digest(backup), earlier);
    QCOMPARE(entries(f.file(QStringLiteral("backups"))), QStringList{QStringLiteral("kelid.mdb")});
    QVERIFY(!QFileInfo::exists(f.file(QStringLiteral("NoSuchFolder"))));
    QVERIFY(kind != QLatin1String("directory") || QFileInfo(f.file(QStringLiteral("Weekly/kelid.mdb"))).isDir());
}

void TestBackup::interruptedWriteRolledBackBeforeCopy() {
    TestAppFolder f(TestAppFolder::Data::Demo);
    const QString sumSql = QStringLiteral("SELECT count(*) || ':' || total(length(Notes)) || ':' || total(InspectionID) FROM InspectionRecord");
    const QString committed = f.scalar(sumSql).toString();
    // A writer stopped in the middle of a transaction: part of its pages are
    // in the file already, the former ones in the journal beside it.
    QTemporaryDir crashed;
    const QString crashedLive = crashed.filePath(QStringLiteral("kelid.mdb"));
    {
        Database writer;
        QVERIFY(writer.open(f.livePath()).isOk());
        QVERIFY(writer.exec(QStringLiteral("PRAGMA cache_size = 2")).isOk());
        QVERIFY(writer.exec(QStringLiteral("BEGIN")).isOk());
        QVERIFY(writer.exec(QStringLiteral("UPDATE InspectionRecord SET Notes = printf('%0400d', InspectionID)")).isOk());
        QVERIFY(QFile::copy(f.livePath(), crashedLive));
        QVERIFY(QFile::copy(f.livePath() + QStringLiteral("-journal"), crashedLive + QStringLiteral("-journal")));
        QVERIFY(writer.exec(QStringLiteral("ROLLBACK")).isOk());
    }
    QVERIFY(digest(crashedLive) != digest(f.livePath()));
    const QString backup = crashed.filePath(QStringLiteral("backup.mdb"));
    const Status s = DatabaseBackup::run(crashedLive, backup);
    QVERIFY2(s.isOk(), qPrintable(s.error()));
    QVERIFY(intact(backup));
    Database copy;
    QVERIFY(copy.open(backup, Database::Mode::ReadOnly).isOk());
    SqlStatement sum(copy, sumSql);
    QVERIFY(sum.next());
    QCOMPARE(sum.value(0).toString(), committed);
}

QTEST_MAIN(TestBackup)
#include "tst_backup.moc"
