#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "FileFacts.h"
#include "TestAppFolder.h"
#include "platform/Dialogs.h"
#include "platform/FormRegistry.h"
#include "platform/MousePointer.h"
#include "shell/FormCatalog.h"
#include "utilities/DatabaseBackup.h"

using namespace FileFacts;
Q_DECLARE_METATYPE(FileFacts::Damage)

class TestBackup : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { initFormTests(); }
    void cleanup() { unloadAllForms(); MousePointer::arrow(); }

    void cancelOrEmptyClosesSilently_data();
    void cancelOrEmptyClosesSilently();
    void backupCompletes();
    void trailingBackslashAndOverwrite();
    void failures_data();
    void failures();
    void damagedLiveKeepsEarlierBackup_data();
    void damagedLiveKeepsEarlierBackup();
    void interruptedCopyLeftoversRemoved();
    void interruptedWriteRolledBackBeforeCopy();

private:
    // Shows frmBackUp, answers the input box with text and clicks Start Backup.
    Form* clickStart(Dialogs::Scripted& dialogs, const QString& typed);
};

Form* TestBackup::clickStart(Dialogs::Scripted& dialogs, const QString& typed) {
    FormRegistry& forms = FormRegistry::instance();
    if (!forms.show(QStringLiteral("frmBackUp")).isOk())
        return nullptr;
    Form* form = forms.form(QStringLiteral("frmBackUp"));
    if (!QTest::qWaitForWindowActive(form->window_()))
        return nullptr;
    dialogs.inputAnswers.enqueue(typed);
    QTest::mouseClick(form->findChild<QPushButton*>(QStringLiteral("cmdBackup")), Qt::LeftButton);
    return form;
}

void TestBackup::cancelOrEmptyClosesSilently_data() {
    QTest::addColumn<bool>("answered");
    QTest::newRow("cancel") << false;
    QTest::newRow("ok with nothing typed") << true;
}

void TestBackup::cancelOrEmptyClosesSilently() {
    QFETCH(bool, answered);
    TestAppFolder f(TestAppFolder::Data::Demo);
    const QByteArray bytes = digest(f.livePath());
    Dialogs::Scripted dialogs;
    FormRegistry& forms = FormRegistry::instance();
    QVERIFY(forms.show(QStringLiteral("frmBackUp")).isOk());
    Form* form = forms.form(QStringLiteral("frmBackUp"));
    QVERIFY(QTest::qWaitForWindowActive(form->window_()));
    QCOMPARE(form->window_()->windowTitle(), QStringLiteral("BackUp"));
    QCOMPARE(form->findChild<QPushButton*>(QStringLiteral("cmdBackup"))->text(), QStringLiteral("Start Backup"));
    if (answered)
        dialogs.inputAnswers.enqueue(QString());
    QTest::mouseClick(form->findChild<QPushButton*>(QStringLiteral("cmdBackup")), Qt::LeftButton);
    QCOMPARE(dialogs.inputs.size(), 1);
    QCOMPARE(dialogs.inputs.first().prompt, QStringLiteral("Enter filepath for backup location"));
    QCOMPARE(dialogs.inputs.first().title, QStringLiteral("File Backup"));
    QCOMPARE(dialogs.inputs.first().defaultText, QString());
    QVERIFY(dialogs.messages.isEmpty());
    QVERIFY(!forms.isLoaded(QStringLiteral("frmBackUp")));
    QVERIFY(forms.isVisible(QStringLiteral("frmMain")));
    QCOMPARE(digest(f.livePath()), bytes);
}

void TestBackup::backupCompletes() {
    TestAppFolder f(TestAppFolder::Data::Demo);
    f.exec(QStringLiteral("INSERT INTO defects (defectcode, defectdescription) VALUES ('ZZ9', 'ONLY IN THE LIVE FILE')"));
    QVERIFY(QDir(f.path()).mkdir(QStringLiteral("backups")));
    const QString backup = f.file(QStringLiteral("backups/kelid.mdb"));
    const QByteArray bytes = digest(f.livePath());
    Dialogs::Scripted dialogs;
    Form* form = nullptr;
    bool checked = false;
    dialogs.onMessage = [&](const Dialogs::Message&) {
        QVERIFY(!form->window_()->isVisible());
        QCOMPARE(form->findChild<QLabel*>(QStringLiteral("lblBackup"))->text(), QStringLiteral("Backup in Progress"));
        QVERIFY(form->findChild<QPushButton*>(QStringLiteral("cmdBackup"))->isHidden());
        QCOMPARE(MousePointer::current(), MousePointer::Shape::Default);
        QCOMPARE(digest(backup), bytes);
        checked = true;
    };
    FormRegistry& forms = FormRegistry::instance();
    QVERIFY(forms.show(QStringLiteral("frmBackUp")).isOk());
    form = forms.form(QStringLiteral("frmBackUp"));
    QVERIFY(QTest::qWaitForWindowActive(form->window_()));
    dialogs.inputAnswers.enqueue(f.file(QStringLiteral("backups")));
    QTest::mouseClick(form->findChild<QPushButton*>(QStringLiteral("cmdBackup")), Qt::LeftButton);
    QVERIFY(checked);
    QCOMPARE(dialogs.texts(), QStringList{QStringLiteral("Backup Complete")});
    QVERIFY(!forms.isLoaded(QStringLiteral("frmBackUp")));
    QVERIFY(forms.isVisible(QStringLiteral("frmMain")));
    QCOMPARE(digest(f.livePath()), bytes);
    QCOMPARE(rows(backup), rows(f.livePath()));
    QVERIFY(intact(backup));
    // Nothing but the backup is left in the folder.
    QCOMPARE(entries(f.file(QStringLiteral("backups"))), QStringList{QStringLiteral("kelid.mdb")});
}

void TestBackup::trailingBackslashAndOverwrite() {
    TestAppFolder f(TestAppFolder::Data::Demo);
    QVERIFY(QDir(f.path()).mkdir(QStringLiteral("Weekly")));
    const QString typed = f.file(QStringLiteral("Weekly")) + QStringLiteral("\\");
    // Two separators before the file name name the same file here.
    QCOMPARE(QFileInfo(DatabaseBackup::destinationFor(typed)).absoluteFilePath(),
             QFileInfo(f.file(QStringLiteral("Weekly/kelid.mdb"))).absoluteFilePath());
    // An earlier backup of other data is there already.
    const QString backup = f.file(QStringLiteral("Weekly/kelid.mdb"));
    QVERIFY(QFile::copy(f.file(QStringLiteral("DemoDb/kelid1.mdb")), backup));
    QVERIFY(digest(backup) != digest(f.livePath()));

    Dialogs::Scripted dialogs;
    QVERIFY(clickStart(dialogs, typed));
    QCOMPARE(dialogs.texts(), QStringList{QStringLiteral("Backup Complete")});
    QCOMPARE(digest(backup), digest(f.livePath()));

    // A second backup into the same folder overwrites the first silently.
    f.exec(QStringLiteral("INSERT INTO Station (StationID, [Station Description]) VALUES ('ST99', 'LATER')"));
    dialogs.clear();
    QVERIFY(clickStart(dialogs, typed));
    QCOMPARE(dialogs.texts(), QStringList{QStringLiteral("Backup Complete")});
    QCOMPARE(digest(backup), digest(f.livePath()));
    QCOMPARE(rows(backup), rows(f.livePath()));
}

void TestBackup::failures_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("error");
    QTest::newRow("folder does not exist") << QStringLiteral("missing") << QStringLiteral("Path not found");
    QTest::newRow("destination is a folder") << QStringLiteral("directory") << QStringLiteral("Cannot write");
    QTest::newRow("folder cannot be written") << QStringLiteral("proc") << QStringLiteral("Cannot write");
    QTest::newRow("database held open") << QStringLiteral("held") << QStringLiteral("is open in another window");
}

void TestBackup::failures() {
    QFETCH(QString, kind);
    QFETCH(QString, error);
    TestAppFolder f(TestAppFolder::Data::Demo);
    const QByteArray bytes = digest(f.livePath());
    const QString before = rows(f.livePath());
    QString typed = f.file(QStringLiteral("NoSuchFolder"));
    std::unique_ptr<Database> held;
    if (kind == QLatin1String("directory")) {
        typed = f.file(QStringLiteral("backups"));
        QVERIFY(QDir(f.path()).mkpath(QStringLiteral("backups/kelid.mdb")));
    } else if (kind == QLatin1String("proc")) {
        typed = QStringLiteral("/proc");
    } else if (kind == QLatin1String("held")) {
        typed = f.file(QStringLiteral("temp"));
        held = std::make_unique<Database>();
        QVERIFY(held->open(f.livePath()).isOk());
    }
    Dialogs::Scripted dialogs;
    QPushButton* button = nullptr;
    dialogs.onMessage = [&](const Dialogs::Message&) { QVERIFY(button && button->isHidden()); };
    FormRegistry& forms = FormRegistry::instance();
    QVERIFY(forms.show(QStringLiteral("frmBackUp")).isOk());
    Form* form = forms.form(QStringLiteral("frmBackUp"));
    QVERIFY(QTest::qWaitForWindowActive(form->window_()));
    button = form->findChild<QPushButton*>(QStringLiteral("cmdBackup"));
    dialogs.inputAnswers.enqueue(typed);
    QTest::mouseClick(button, Qt::LeftButton);
    held.reset();

    QCOMPARE(dialogs.messages.size(), 1);
    QVERIFY2(dialogs.messages.first().text.contains(error), qPrintable(dialogs.messages.first().text));
    QCOMPARE(MousePointer::current(), MousePointer::Shape::Default);
    QVERIFY(!forms.isLoaded(QStringLiteral("frmBackUp")));
    QVERIFY(forms.isVisible(QStringLiteral("frmMain")));
    QCOMPARE(digest(f.livePath()), bytes);
    QCOMPARE(rows(f.livePath()), before);
    QVERIFY(!QFileInfo::exists(f.file(QStringLiteral("NoSuchFolder"))));
    if (kind == QLatin1String("directory"))
        QVERIFY(QFileInfo(f.file(QStringLiteral("backups/kelid.mdb"))).isDir());
    if (kind == QLatin1String("held"))
        QCOMPARE(entries(f.file(QStringLiteral("temp"))), QStringList());
}

void TestBackup::damagedLiveKeepsEarlierBackup_data() {
    QTest::addColumn<Damage>("kind");
    QTest::addColumn<QString>("error");
    const QString repair = QStringLiteral("Compact and Repair");
    QTest::newRow("emptied file") << Damage::Emptied << QStringLiteral("file is not a database");
    QTest::newRow("truncated file") << Damage::Truncated << repair;
    QTest::newRow("damaged table page") << Damage::TablePage << repair;
    QTest::newRow("damaged index page") << Damage::IndexPage << repair;
}

void TestBackup::damagedLiveKeepsEarlierBackup() {
    QFETCH(Damage, kind);
    QFETCH(QString, error);
    TestAppFolder f(TestAppFolder::Data::Demo);
    QVERIFY(QDir(f.path()).mkdir(QStringLiteral("backups")));
    const QString backup = f.file(QStringLiteral("backups/kelid.mdb"));
    QVERIFY(QFile::copy(f.livePath(), backup));
    const QByteArray good = digest(backup);
    QVERIFY(damage(f.livePath(), kind));
    const QByteArray damaged = digest(f.livePath());
    Dialogs::Scripted dialogs;
    QVERIFY(clickStart(dialogs, f.file(QStringLiteral("backups"))));
    QCOMPARE(dialogs.messages.size(), 1);
    QVERIFY2(dialogs.messages.first().text.contains(error), qPrintable(dialogs.messages.first().text));
    QCOMPARE(digest(backup), good);
    QCOMPARE(digest(f.livePath()), damaged);
    QCOMPARE(entries(f.file(QStringLiteral("backups"))), QStringList{QStringLiteral("kelid.mdb")});
}

void TestBackup::interruptedCopyLeftoversRemoved() {
    TestAppFolder f(TestAppFolder::Data::Demo);
    QVERIFY(QDir(f.path()).mkdir(QStringLiteral("backups")));
    // Left by backups killed at their rename; the last name only looks alike.
    writeFile(f.file(QStringLiteral("backups/.kelid.mdb.Ab12cD")), QByteArray(4096, 'x'));
    writeFile(f.file(QStringLiteral("backups/.kelid.mdb.x9Y8z7")), QByteArray(4096, 'x'));
    writeFile(f.file(QStringLiteral("backups/.kelid.mdb.keep")), QByteArray("not a copy", 10));
    Dialogs::Scripted dialogs;
    QVERIFY(clickStart(dialogs, f.file(QStringLiteral("backups"))));
    QCOMPARE(dialogs.texts(), QStringList{QStringLiteral("Backup Complete")});
    QCOMPARE(entries(f.file(QStringLiteral("backups"))), (QStringList{QStringLiteral(".kelid.mdb.keep"), QStringLiteral("kelid.mdb")}));
}

void TestBackup::interruptedWriteRolledBackBeforeCopy() {
    TestAppFolder f(TestAppFolder::Data::Demo);
    const QString sumSql = QStringLiteral("SELECT count(*) || ':' || total(length(Notes)) || ':' || total(InspectionID) FROM InspectionRecord");
    const QString committed = f.scalar(sumSql).toString();
    QVERIFY(!committed.startsWith(QStringLiteral("0:")));
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
