#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "FileFacts.h"
#include "TestAppFolder.h"
#include "platform/DatabaseFileLock.h"
#include "platform/Dialogs.h"
#include "platform/FormRegistry.h"
#include "platform/MousePointer.h"
#include "utilities/DatabaseBackup.h"

using namespace FileFacts;

namespace {
FormRegistry& forms() { return FormRegistry::instance(); }

// Shows frmBackUp, types `typed` into its path box and clicks Start Backup.
Form* clickStart(const QString& typed) {
    Form* form = showForm(QStringLiteral("frmBackUp"));
    if (!form)
        return nullptr;
    form->findChild<QLineEdit*>(QStringLiteral("txtFolder"))->setText(typed);
    QTest::mouseClick(form->findChild<QPushButton*>(QStringLiteral("cmdBackup")), Qt::LeftButton);
    return form;
}

QString utility() { return QCoreApplication::applicationDirPath() + QStringLiteral("/../app/varnex-utility"); }
}  // namespace

class TestBackup : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { initFormTests(); }
    void cleanup() { unloadAllForms(); MousePointer::arrow(); }

    void backupThroughTheForm_data();
    void backupThroughTheForm();
    void historyKeptAndLastBackupShown();
    void interruptedWriteRolledBackBeforeCopy();
    void ownFolderRefused_data();
    void ownFolderRefused();
};

void TestBackup::backupThroughTheForm_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("message");  // empty: the form closes without a word
    const QString repair = QStringLiteral("Compact and Repair");
    QTest::newRow("completes") << QString() << QStringLiteral("Backup Complete");
    QTest::newRow("nothing typed") << QStringLiteral("nothing") << QString();
    QTest::newRow("folder does not exist") << QStringLiteral("missing") << QStringLiteral("Path not found");
    QTest::newRow("database held open") << QStringLiteral("held") << QStringLiteral("is open in another window");
    // An earlier backup may be the only good copy left.
    QTest::newRow("emptied file") << QStringLiteral("emptied") << QStringLiteral("file is not a database");
    QTest::newRow("truncated file") << QStringLiteral("truncated") << repair;
    QTest::newRow("damaged index page") << QStringLiteral("index page") << repair;
}

// The backup replaces an earlier one in the typed folder (a trailing
// backslash is allowed), keeping it under the time it was written, and
// removes what backups killed at their rename left there; a refused one keeps
// the earlier backup alone and the user on the form with the path typed.
void TestBackup::backupThroughTheForm() {
    QFETCH(QString, kind);
    QFETCH(QString, message);
    TestAppFolder f(TestAppFolder::Data::Demo);
    QVERIFY(QDir(f.path()).mkdir(QStringLiteral("backups")));
    const QString backup = f.file(QStringLiteral("backups/kelid.mdb"));
    QVERIFY(QFile::copy(f.file(QStringLiteral("DemoDb/kelid1.mdb")), backup));
    writeFile(f.file(QStringLiteral("backups/.kelid.mdb.Ab12cD")), QByteArray(4096, 'x'));
    writeFile(f.file(QStringLiteral("backups/.kelid.mdb.keep")), QByteArray("not a copy", 10));
    const QByteArray earlier = digest(backup);
    QString typed = f.file(QStringLiteral("backups")) + QStringLiteral("\\");
    std::unique_ptr<Database> held;
    const QDateTime written(QDate(2026, 3, 4), QTime(5, 6, 7));
    {
        QFile earlierFile(backup);
        QVERIFY(earlierFile.open(QIODevice::ReadWrite) && earlierFile.setFileTime(written, QFileDevice::FileModificationTime));
    }
    if (kind == QLatin1String("nothing")) {
        typed = QLatin1String("");
    } else if (kind == QLatin1String("missing")) {
        typed = f.file(QStringLiteral("NoSuchFolder"));
    } else if (kind == QLatin1String("held")) {
        held = std::make_unique<Database>();
        QVERIFY(held->open(f.livePath()).isOk());
    } else if (!kind.isEmpty()) {
        const bool emptied = kind == QLatin1String("emptied");
        QVERIFY(damage(f.livePath(), emptied ? Damage::Emptied : kind == QLatin1String("truncated") ? Damage::Truncated : Damage::IndexPage));
    }
    const QByteArray live = digest(f.livePath());
    Dialogs::Scripted dialogs;
    QString whenSaid;
    dialogs.onMessage = [&](const Dialogs::Message&) {
        QWidget* window = forms().form(QStringLiteral("frmBackUp"))->window_();
        whenSaid = QStringLiteral("%1 visible=%2 button=%3 pointer=%4 backup=%5").arg(window->windowTitle()).arg(window->isVisible())
                       .arg(window->findChild<QPushButton*>(QStringLiteral("cmdBackup"))->isVisible())
                       .arg(int(MousePointer::current())).arg(digest(backup) == live);
    };
    Form* form = clickStart(typed);
    QVERIFY(form);
    held.reset();

    QCOMPARE(dialogs.messages.size(), message.isEmpty() ? 0 : 1);
    if (!message.isEmpty()) {
        QVERIFY2(dialogs.messages.first().text.contains(message), qPrintable(dialogs.messages.first().text));
        // While the box is up the button is gone; when done, the window too, and the copy is in place.
        const QString done = QStringLiteral("BackUp visible=0 button=0 pointer=%1 backup=1").arg(int(MousePointer::Shape::Default));
        QVERIFY2(kind.isEmpty() ? whenSaid == done : whenSaid.contains(QStringLiteral("button=0")), qPrintable(whenSaid));
    }
    QCOMPARE(MousePointer::current(), MousePointer::Shape::Default);
    if (kind.isEmpty()) {
        QVERIFY(!forms().isLoaded(QStringLiteral("frmBackUp")));
        QVERIFY(forms().isVisible(QStringLiteral("frmMain")));
    } else {
        // Nothing typed beeps; anything refused leaves the form as it was, path and button.
        QCOMPARE(dialogs.beeps, kind == QLatin1String("nothing") ? 1 : 0);
        QVERIFY(forms().isVisible(QStringLiteral("frmBackUp")));
        QCOMPARE(form->findChild<QLineEdit*>(QStringLiteral("txtFolder"))->text(), typed);
        QVERIFY(form->findChild<QPushButton*>(QStringLiteral("cmdBackup"))->isVisible());
    }
    QCOMPARE(digest(f.livePath()), live);
    QCOMPARE(digest(backup), kind.isEmpty() ? live : earlier);
    QVERIFY(intact(backup));
    const QString kept = DatabaseBackup::historyName(written);
    QCOMPARE(kept, QStringLiteral("kelid-2026-03-04-0506.mdb"));
    QCOMPARE(DatabaseBackup::history(f.file(QStringLiteral("backups"))), kind.isEmpty() ? QStringList{kept} : QStringList());
    if (kind.isEmpty())
        QCOMPARE(digest(f.file(QStringLiteral("backups/") + kept)), earlier);
    const QString keep = QStringLiteral(".kelid.mdb.keep");
    QCOMPARE(entries(f.file(QStringLiteral("backups"))).filter(QStringLiteral(".mdb.")),
             kind.isEmpty() ? QStringList{keep} : (QStringList{QStringLiteral(".kelid.mdb.Ab12cD"), keep}));
    QVERIFY(!QFileInfo::exists(f.file(QStringLiteral("NoSuchFolder"))));
}

// A copy of the live file is whole and holds every committed row.
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
        QVERIFY(writer.exec(QStringLiteral("PRAGMA journal_mode = DELETE; PRAGMA cache_size = 2")).isOk());
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
    {
        QVERIFY(copy.open(backup, Database::Mode::ReadOnly).isOk());
        SqlStatement sum(copy, sumSql);
        QVERIFY(sum.next());
        QCOMPARE(sum.value(0).toString(), committed);
    }
    copy.close();

    // A writer killed after it committed: its rows are in the log beside the
    // file. The backup alone holds them, and no log is left beside either
    // file (the earlier backup's would be applied to the one replacing it).
    QVERIFY(killedAfter(crashedLive, QStringLiteral("UPDATE InspectionRecord SET Notes = 'logged'")));
    QVERIFY(killedAfter(backup, QStringLiteral("DELETE FROM InspectionRecord")));
    QVERIFY(DatabaseBackup::run(crashedLive, backup).isOk());
    const QStringList kept = DatabaseBackup::history(crashed.path());
    QCOMPARE(kept.size(), 1);
    QCOMPARE(entries(crashed.path()), (QStringList{QStringLiteral("backup.mdb"), kept.first(), QStringLiteral("kelid.mdb")}));
    QVERIFY(copy.open(backup, Database::Mode::ReadOnly).isOk());
    SqlStatement logged(copy, QStringLiteral("SELECT count(*), total(Notes IS NOT 'logged') FROM InspectionRecord"));
    QVERIFY(logged.next());
    QCOMPARE(logged.value(0).toString() + QLatin1Char('/') + logged.value(1).toString(), committed.section(QLatin1Char(':'), 0, 0) + "/0");
}

// varnex-utility backup keeps the ten newest replaced backups (and nothing
// else of the folder is touched); the form then offers that folder again, says
// when the backup was made, and its folder chooser fills the path box.
void TestBackup::historyKeptAndLastBackupShown() {
    TestAppFolder f(TestAppFolder::Data::Demo);
    QTemporaryDir backups;
    const QString earlier = backups.filePath(QStringLiteral("kelid.mdb"));
    QVERIFY(QFile::copy(f.file(QStringLiteral("DemoDb/kelid1.mdb")), earlier));
    {
        QFile file(earlier);
        QVERIFY(file.open(QIODevice::ReadWrite) &&
                file.setFileTime(QDateTime(QDate(2026, 1, 2), QTime(3, 4)), QFileDevice::FileModificationTime));
    }
    QStringList older;
    for (int month = 1; month <= 11; ++month)
        older << QStringLiteral("kelid-2025-%1-15-0930.mdb").arg(month, 2, 10, QLatin1Char('0'));
    const QStringList others{QStringLiteral("kelid-damaged-2025-01-01-093000.mdb"), QStringLiteral("kelid-notes.mdb")};
    for (const QString& name : older + others)
        writeFile(backups.filePath(name), name.toUtf8());
    Dialogs::Scripted dialogs;
    Form* form = showForm(QStringLiteral("frmBackUp"));
    QVERIFY(form);
    QCOMPARE(form->findChild<QLabel*>(QStringLiteral("lblLastBackup"))->text(),
             QStringLiteral("No backup has been made yet."));
    unloadAllForms();

    const QByteArray earlierBytes = digest(earlier);
    QProcess tool;
    tool.start(utility(), {QStringLiteral("backup"), f.path(), backups.path()});
    QVERIFY(tool.waitForFinished(30000));
    QVERIFY2(tool.exitCode() == 0, tool.readAllStandardError().constData());
    QCOMPARE(digest(earlier), digest(f.livePath()));
    QCOMPARE(DatabaseBackup::history(backups.path()), older.mid(2) + QStringList{QStringLiteral("kelid-2026-01-02-0304.mdb")});
    QCOMPARE(digest(backups.filePath(QStringLiteral("kelid-2026-01-02-0304.mdb"))), earlierBytes);
    for (const QString& name : others)
        QVERIFY(QFileInfo::exists(backups.filePath(name)));

    form = showForm(QStringLiteral("frmBackUp"));
    QVERIFY(form);
    auto* path = form->findChild<QLineEdit*>(QStringLiteral("txtFolder"));
    QCOMPARE(path->text(), backups.path());
    const QString last = form->findChild<QLabel*>(QStringLiteral("lblLastBackup"))->text();
    QVERIFY2(last.startsWith(QStringLiteral("Last backup: 20")) && last.endsWith(QStringLiteral(", into ") + backups.path()),
             qPrintable(last));
    QTemporaryDir chosen;
    dialogs.folderAnswers.enqueue(chosen.path());
    QTest::mouseClick(form->findChild<QPushButton*>(QStringLiteral("cmdBrowse")), Qt::LeftButton);
    QCOMPARE(dialogs.folders.size(), 1);
    QCOMPARE(dialogs.folders.first().defaultText, backups.path());
    QCOMPARE(path->text(), chosen.path());
    QTest::mouseClick(form->findChild<QPushButton*>(QStringLiteral("cmdBackup")), Qt::LeftButton);
    QCOMPARE(dialogs.texts(), QStringList{QStringLiteral("Backup Complete")});
    QCOMPARE(digest(chosen.filePath(QStringLiteral("kelid.mdb"))), digest(f.livePath()));
}

void TestBackup::ownFolderRefused_data() {
    QTest::addColumn<QString>("typed");  // %1 the application folder, %2 a link to it
    QTest::newRow("the folder") << QStringLiteral("%1");
    QTest::newRow("back through ..") << QStringLiteral("%1/temp/..");
    QTest::newRow("a link to it") << QStringLiteral("%2");
    // %3: a folder whose kelid.mdb is a link to a database another program holds
    QTest::newRow("a link to a held database") << QStringLiteral("%3");
}

// A backup folder that leads back to the database's own is refused with one
// sentence by the utility (exit 1) and by the form, and the database is kept.
void TestBackup::ownFolderRefused() {
    QFETCH(QString, typed);
    TestAppFolder f(TestAppFolder::Data::Demo);
    QTemporaryDir elsewhere;
    typed = typed.arg(f.path(), elsewhere.filePath(QStringLiteral("app")), elsewhere.filePath(QStringLiteral("linked")));
    QVERIFY(QFile::link(f.path(), elsewhere.filePath(QStringLiteral("app"))));
    const QString other = elsewhere.filePath(QStringLiteral("other.mdb"));
    QVERIFY(QFile::copy(f.file(QStringLiteral("DemoDb/kelid1.mdb")), other));
    QVERIFY(QDir(elsewhere.path()).mkdir(QStringLiteral("linked")));
    QVERIFY(QFile::link(other, elsewhere.filePath(QStringLiteral("linked/kelid.mdb"))));
    DatabaseFileLock otherStation;
    DatabaseFileLock::Holder holder;
    QVERIFY(otherStation.tryLock(other, elsewhere.path(), &holder));
    const QByteArray otherBytes = digest(other);
    const QByteArray bytes = digest(f.livePath());
    const QString sentence = typed.endsWith(QLatin1String("linked"))
        ? QStringLiteral("leads to the database Varnex works on from the folder")
        : QStringLiteral("is the database itself: a backup must go into another folder.");
    QProcess utility;
    utility.start(::utility(), {QStringLiteral("backup"), f.path(), typed});
    QVERIFY(utility.waitForFinished(30000));
    const QString err = QString::fromLocal8Bit(utility.readAllStandardError());
    QVERIFY2(utility.exitCode() == 1 && err.contains(sentence), qPrintable(err));
    Dialogs::Scripted dialogs;
    QVERIFY(clickStart(typed));
    QCOMPARE(dialogs.messages.size(), 1);
    QVERIFY2(dialogs.messages.first().text.contains(sentence), qPrintable(dialogs.messages.first().text));
    QCOMPARE(digest(f.livePath()), bytes);
    QCOMPARE(digest(other), otherBytes);
}

QTEST_MAIN(TestBackup)
#include "tst_backup.moc"
