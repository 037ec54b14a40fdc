#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QScopeGuard>
#include <QTextCursor>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

#include "TestAppFolder.h"
#include "database/RecordNavigator.h"
#include "platform/DateText.h"
#include "platform/Dialogs.h"
#include "platform/FileSystem.h"
#include "platform/FormRegistry.h"
#include "platform/MaskedDateBox.h"
#include "platform/OutputFile.h"
#include "platform/TextBox.h"

namespace {
QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& data) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(data);
}

ino_t inodeOf(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_ino : 0;
}

// A sync call that notes what it flushed and which file the target was then;
// it fails the sync numbered failAt (1 = the first). Being a hook, it fails
// alike for root, whom a read-only folder would not stop.
struct Synced {
    bool folder;
    ino_t inode, targetThen;
};
QVector<Synced> g_synced;
QString g_target;
int g_failAt = 0;
int recordingSync(int fd) {
    struct stat st {};
    ::fstat(fd, &st);
    g_synced.append({S_ISDIR(st.st_mode), st.st_ino, inodeOf(g_target)});
    if (g_synced.size() == g_failAt) {
        errno = EIO;
        return -1;
    }
    return ::fsync(fd);
}

QWidget* dataEntry() { return showForm(QStringLiteral("frmDataEntry")); }
}  // namespace

class TestPlatform : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { initFormTests(); }
    void cleanup() { unloadAllForms(); }

    // The Model Number box of the data entry screen, bound to a field of 15
    // characters, and its Notes box, 4,000: what a paste or a key leaves in them.
    void boxTakesWhatItsFieldHolds_data() {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("before");  // put there by the program
        QTest::addColumn<QString>("pasted");  // "" to type a Z instead
        QTest::addColumn<QString>("after");
        QTest::addColumn<int>("beeps");
        const QString model = QStringLiteral("txtModelNumber"), notes = QStringLiteral("txtNotes");
        const auto n = [](int count, char c) { return QString(count, QLatin1Char(c)); };
        QTest::newRow("lines joined by a blank") << model << "" << "\r\nAB-1\r\nCD\n" << "AB-1 CD" << 0;
        QTest::newRow("paste past the limit refused whole") << model << n(13, 'A') << "NOP" << n(13, 'A') << 1;
        QTest::newRow("notes: paste within") << notes << "n" << n(3999, 'p') << "n" + n(3999, 'p') << 0;
        QTest::newRow("notes: 1 MB paste refused") << notes << "" << n(1 << 20, 'p') << "" << 1;
        QTest::newRow("notes: key past refused") << notes << n(4000, 'n') << "" << n(4000, 'n') << 1;
    }
    void boxTakesWhatItsFieldHolds() {
        QFETCH(QString, box);
        QFETCH(QString, before);
        QFETCH(QString, pasted);
        QFETCH(QString, after);
        QFETCH(int, beeps);
        TestAppFolder app(TestAppFolder::Data::Demo);
        Dialogs::Scripted dialogs;
        QWidget* form = dataEntry();
        QVERIFY(form);
        auto* notes = form->findChild<QPlainTextEdit*>(box);
        auto* line = form->findChild<TextBox*>(box);
        QWidget* w = notes ? static_cast<QWidget*>(notes) : line;
        QVERIFY(w);
        const auto text = [&] { return notes ? notes->toPlainText() : line->text(); };
        w->setFocus();
        if (notes) {
            notes->setPlainText(before);
            notes->moveCursor(QTextCursor::End);
        } else {
            line->setText(before);
            line->end(false);
        }
        if (pasted.isEmpty()) {
            QTest::keyClick(w, Qt::Key_Z, Qt::ShiftModifier);
        } else {
            QGuiApplication::clipboard()->setText(pasted);
            notes ? notes->paste() : line->paste();
        }
        QCOMPARE(text(), after);
        QCOMPARE(dialogs.beeps, beeps);
    }

    // A stored note far past the limit is shown in part, read-only, and
    // written back whole; the next row is not given it.
    void longStoredNoteShownInPartKeptWhole() {
        TestAppFolder app;
        app.exec(QStringLiteral("INSERT INTO InspectionRecord (ModelNumber, SerialNum, Notes) VALUES "
                                "('M1', 'S1', replace(hex(zeroblob(150000)), '0', 'x')), ('M2', 'S2', 'short')"));
        Dialogs::Scripted dialogs;
        QWidget* form = dataEntry();
        QVERIFY(form);
        auto* notes = form->findChild<QPlainTextEdit*>(QStringLiteral("txtNotes"));
        auto* operatorBox = form->findChild<QLineEdit*>(QStringLiteral("txtOperatorNumber"));
        auto* nav = form->findChild<RecordNavigator*>(QStringLiteral("Data1"));
        QVERIFY(notes && operatorBox && nav);
        QVERIFY(nav->moveFirst().isOk());  // the screen opens on a new row
        QCOMPARE(notes->toPlainText().size(), 4000);
        QVERIFY(notes->isReadOnly());
        operatorBox->setText(QStringLiteral("O1"));
        QVERIFY(nav->moveNext().isOk());
        QCOMPARE(notes->toPlainText(), QStringLiteral("short"));
        QVERIFY(!notes->isReadOnly());
        operatorBox->setText(QStringLiteral("O2"));
        QVERIFY(nav->movePrevious().isOk());
        QCOMPARE(app.rows(QStringLiteral("SELECT OperatorNum, length(Notes) FROM InspectionRecord ORDER BY InspectionID")),
                 (QStringList{"O1|300000", "O2|5"}));
        QVERIFY(dialogs.messages.isEmpty());
    }

    void copyReplacesTargetWholeOrNotAtAll() {
        QTemporaryDir dir;
        const QString src = dir.filePath(QStringLiteral("a.bin")), dst = dir.filePath(QStringLiteral("b.bin"));
        const auto files = [&] { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(); };
        writeFile(src, QByteArray(3 << 20, 'x'));
        writeFile(dst, "former");
        QVERIFY(FileSystem::copyFile(src, dst).isOk());
        QCOMPARE(readAll(dst), readAll(src));
        QCOMPARE(files(), 2);  // no temporary file left beside the target

        // Missing source, missing folder: described errors, target untouched.
        QVERIFY(FileSystem::copyFile(dir.filePath(QStringLiteral("none")), dst).error().contains(QStringLiteral("File not found")));
        QVERIFY(FileSystem::copyFile(src, dir.filePath(QStringLiteral("no/x.bin"))).error().contains(QStringLiteral("Path not found")));
        QCOMPARE(readAll(dst), readAll(src));

        // A copy that cannot reach the disk keeps the former file and leaves
        // no temporary one; one whose rename cannot be made durable says so.
        const QString small = dir.filePath(QStringLiteral("c.bin"));
        writeFile(small, "new");
        g_target = dst;
        FileSystem::setSyncCall(recordingSync);
        for (g_failAt = 1; g_failAt <= 2; ++g_failAt) {
            g_synced.clear();
            QVERIFY(FileSystem::copyFile(small, dst).error().contains(QStringLiteral("Cannot sync")));
            QCOMPARE(readAll(dst), g_failAt == 1 ? readAll(src) : QByteArray("new"));
            QCOMPARE(files(), 3);
        }
        FileSystem::setSyncCall(nullptr);
        g_failAt = 0;
    }

    // A file that replaces another reaches the disk before the rename, and
    // the folder's new entry after it.
    void replacingSyncsFileThenFolder_data() {
        QTest::addColumn<bool>("outputFile");
        QTest::newRow("copy") << false;
        QTest::newRow("output file") << true;
    }
    void replacingSyncsFileThenFolder() {
        QFETCH(bool, outputFile);
        QTemporaryDir dir;
        const QString src = dir.filePath(QStringLiteral("a.bin"));
        g_target = dir.filePath(QStringLiteral("b.bin"));
        writeFile(src, "source");
        writeFile(g_target, "target");
        g_synced.clear();
        FileSystem::setSyncCall(recordingSync);
        OutputFile out(g_target);
        const Status s = !outputFile ? FileSystem::copyFile(src, g_target)
                                     : out.open().isOk() && out.write("out").isOk() ? out.commit() : Status::fail(QStringLiteral("open"));
        FileSystem::setSyncCall(nullptr);
        QVERIFY2(s.isOk(), qPrintable(s.error()));
        const ino_t replaced = inodeOf(g_target);
        QCOMPARE(g_synced.size(), 2);
        const Synced file = g_synced.first(), folder = g_synced.last();
        QVERIFY(!file.folder);
        QCOMPARE(file.inode, replaced);
        QVERIFY(file.targetThen != replaced);
        QVERIFY(folder.folder);
        QCOMPARE(folder.inode, inodeOf(dir.path()));
        QCOMPARE(folder.targetThen, replaced);
    }

    // The date box in this computer's order: the locale's short date order, or
    // the one varnex.conf names. Letters are refused, the mask and an empty box
    // show the order, a stored date keeps the mask for retyping, and a text that
    // names no real day is handed on as typed, for the database to refuse.
    void dateBoxFollowsTheOrder_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("conf");
        QTest::addColumn<QString>("typed");    // 31 December 2026, eight digits
        QTest::addColumn<QString>("shown");    // 5 March 2026
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("retyped");  // 8 December 2026 over the stored date
        QTest::newRow("en_US") << "en_US" << "" << "12312026" << "03/05/2026" << "mm/dd/yyyy" << "12082026";
        QTest::newRow("en_GB") << "en_GB" << "" << "31122026" << "05/03/2026" << "dd/mm/yyyy" << "08122026";
        QTest::newRow("de_DE") << "de_DE" << "" << "31122026" << "05.03.2026" << "dd.mm.yyyy" << "08122026";
        QTest::newRow("C") << "C" << "" << "20261231" << "2026-03-05" << "yyyy-mm-dd" << "20261208";
        QTest::newRow("en_US, date order = dmy") << "en_US" << "date order = dmy" << "31122026" << "05/03/2026"
                                                 << "dd/mm/yyyy" << "08122026";
        QTest::newRow("en_GB, Date_Order = YMD") << "en_GB" << "# plant\nDate_Order = YMD" << "20261231"
                                                 << "2026/03/05" << "yyyy/mm/dd" << "20261208";
    }
    void dateBoxFollowsTheOrder() {
        QFETCH(QString, locale);
        QFETCH(QString, conf);
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(QString, pattern);
        QFETCH(QString, retyped);
        TestAppFolder folder(TestAppFolder::Data::None);
        writeFile(folder.file(QStringLiteral("varnex.conf")), conf.toUtf8());
        QLocale::setDefault(QLocale(locale));
        const auto restore = qScopeGuard([] { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); });
        QWidget w;
        auto* box = new MaskedDateBox(QStringLiteral("MaskEdBox1"), &w);
        auto* other = new QLineEdit(&w);
        other->move(0, 40);
        box->reset();
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        other->setFocus();
        QCOMPARE(box->placeholderText(), pattern);
        QCOMPARE(box->displayText(), QString());  // empty, without the focus: the order shows
        box->setFocus();
        box->setCursorPosition(0);
        QTest::keyClicks(box, QStringLiteral("ab") + typed);
        QCOMPARE(box->value().toDate(), QDate(2026, 12, 31));
        box->setValue(QStringLiteral("2026-03-05"));
        other->setFocus();
        QCOMPARE(box->text(), shown);
        QCOMPARE(DateText::parse(shown), QDate(2026, 3, 5));
        QCOMPARE(DateText::refusal(QStringLiteral("Date"), QStringLiteral("99/99/2026")),
                 QStringLiteral("Date: 99/99/2026 is not a date in the form ") + pattern);

        // A stored date retyped: the mask takes eight digits over it.
        MaskedDateBox stored(QStringLiteral("MaskEdBox2"), &w);
        stored.setValue(QStringLiteral("2026-03-05"));
        stored.show();
        stored.setFocus();
        stored.setCursorPosition(0);
        QTest::keyClicks(&stored, retyped);
        QCOMPARE(stored.value().toDate(), QDate(2026, 12, 8));

        box->setFocus();
        box->setText(QStringLiteral("13/45/2026"));
        QCOMPARE(box->value().typeId(), int(QMetaType::QString));
        QCOMPARE(DateText::parse(QStringLiteral("2025-02-29")), QDate());
    }

    // Upper-casing on leaving and selecting on entering are the text box's
    // own; the forms only switch them on.
    void textBoxUpperCasesOnLeaveAndSelectsOnEnter() {
        QWidget w;
        auto* a = new TextBox(QStringLiteral("a"), &w);
        auto* b = new TextBox(QStringLiteral("b"), &w);
        b->move(0, 40);
        a->setUpperCaseOnLeave(true);
        b->setSelectOnEnter(true);
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        b->setText(QStringLiteral("123"));
        b->setCursorPosition(1);
        a->setFocus();
        QTest::keyClicks(a, QStringLiteral("ab1"));
        b->setFocus();  // moved by the program, not the user: from the caret to the end
        QCOMPARE(a->text(), QStringLiteral("AB1"));
        QCOMPARE(b->selectedText(), QStringLiteral("23"));
        a->setFocus();
        QTest::keyClick(a, Qt::Key_Tab);  // Tab: the whole text, replaced by typing
        QCOMPARE(b->selectedText(), QStringLiteral("123"));
        QTest::keyClicks(b, QStringLiteral("7"));
        QCOMPARE(b->text(), QStringLiteral("7"));
    }
};

QTEST_MAIN(TestPlatform)
#include "tst_platform.moc"
