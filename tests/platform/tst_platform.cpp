#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

#include "TestAppFolder.h"
#include "database/RecordNavigator.h"
#include "platform/AppPaths.h"
#include "platform/Dialogs.h"
#include "platform/FileSystem.h"
#include "platform/FormRegistry.h"
#include "platform/HelpViewer.h"
#include "platform/MaskedDateBox.h"
#include "platform/MousePointer.h"
#include "platform/OutputFile.h"
#include "platform/TextBox.h"

namespace {
// A form that counts its load and unload handlers.
class CountingForm : public Form {
public:
    CountingForm(const QString& name, int* loads, int* unloads) : Form(name), m_loads(loads), m_unloads(unloads) {}
    void onLoad() override { ++*m_loads; }
    void onUnload() override { ++*m_unloads; }

private:
    int* m_loads;
    int* m_unloads;
};

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

ino_t inodeOf(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_ino : 0;
}

// A sync call that notes what it flushed and which file the target was then;
// it fails the sync numbered failAt (1 = the first).
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
}  // namespace

class TestPlatform : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    // The Model Number box of the data entry screen, bound to a field of 15
    // characters, and its Notes box, 4,000: what a paste or a key leaves in them.
    void boxTakesWhatItsFieldHolds_data() {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("before");  // put there by the program
        QTest::addColumn<QString>("pasted");  // "" to type a Z instead
        QTest::addColumn<QString>("after");
        QTest::addColumn<int>("beeps");
        const QString model = QStringLiteral("txtModelNumber"), notes = QStringLiteral("txtNotes");
        const QString stored40(40, QLatin1Char('S'));
        QTest::newRow("lines joined by a blank") << model << QString() << QStringLiteral("\r\nAB-1\r\nCD\n") << QStringLiteral("AB-1 CD") << 0;
        QTest::newRow("pasted after the text") << model << QStringLiteral("X") << QStringLiteral("1\r2") << QStringLiteral("X1 2") << 0;
        QTest::newRow("1 MB refused whole") << model << QStringLiteral("M1") << QString(1 << 20, QLatin1Char('7')) << QStringLiteral("M1") << 1;
        QTest::newRow("paste past the limit refused") << model << QStringLiteral("ABCDEFGHIJKLM") << QStringLiteral("NOP")
                                                      << QStringLiteral("ABCDEFGHIJKLM") << 1;
        QTest::newRow("typing past the limit refused") << model << QStringLiteral("ABCDEFGHIJKLMNO") << QString()
                                                       << QStringLiteral("ABCDEFGHIJKLMNO") << 1;
        QTest::newRow("a longer stored value shows whole") << model << stored40 << QString() << stored40 << 1;
        const auto n = [](int count, char c) { return QString(count, QLatin1Char(c)); };
        QTest::newRow("notes: paste within") << notes << n(10, 'n') << n(3990, 'p') << n(10, 'n') + n(3990, 'p') << 0;
        QTest::newRow("notes: paste past refused whole") << notes << n(10, 'n') << n(3991, 'p') << n(10, 'n') << 1;
        QTest::newRow("notes: 1 MB paste refused") << notes << QString() << n(1 << 20, 'p') << QString() << 1;
        QTest::newRow("notes: key past refused") << notes << n(4000, 'n') << QString() << n(4000, 'n') << 1;
        QTest::newRow("notes: key within") << notes << n(3999, 'n') << QString() << n(3999, 'n') + QLatin1Char('z') << 0;
    }

    void boxTakesWhatItsFieldHolds() {
        QFETCH(QString, box);
        QFETCH(QString, before);
        QFETCH(QString, pasted);
        QFETCH(QString, after);
        QFETCH(int, beeps);
        initFormTests();
        TestAppFolder app(TestAppFolder::Data::Demo);
        Dialogs::Scripted dialogs;
        QVERIFY(FormRegistry::instance().show(QStringLiteral("frmDataEntry")).isOk());
        QWidget* form = FormRegistry::instance().form(QStringLiteral("frmDataEntry"));
        QVERIFY(QTest::qWaitForWindowActive(form->window()));
        auto* notes = form->findChild<QPlainTextEdit*>(box);
        auto* line = form->findChild<TextBox*>(box);
        QVERIFY(notes || line);
        QWidget* w = notes ? static_cast<QWidget*>(notes) : line;
        const auto text = [&] { return notes ? notes->toPlainText() : line->text(); };
        w->setFocus();
        if (notes) {
            notes->setPlainText(before);
            notes->moveCursor(QTextCursor::End);
        } else {
            line->setText(before);
            line->end(false);
        }
        QCOMPARE(text(), before);
        if (pasted.isEmpty()) {
            QTest::keyClick(w, Qt::Key_Z, Qt::ShiftModifier);
        } else {
            QGuiApplication::clipboard()->setText(pasted);
            notes ? notes->paste() : line->paste();
        }
        QCOMPARE(text(), after);
        QCOMPARE(dialogs.beeps, beeps);
        unloadAllForms();
    }

    // A stored note far past the limit (one line of 300,000 characters) is
    // shown in part, read-only, and written back whole; the next row is not
    // given it.
    void longStoredNoteShownInPartKeptWhole() {
        initFormTests();
        TestAppFolder app;
        app.exec(QStringLiteral("INSERT INTO InspectionRecord (ModelNumber, SerialNum, Notes) VALUES "
                                "('M1', 'S1', replace(hex(zeroblob(150000)), '0', 'x')), ('M2', 'S2', 'short')"));
        Dialogs::Scripted dialogs;
        QVERIFY(FormRegistry::instance().show(QStringLiteral("frmDataEntry")).isOk());
        QWidget* form = FormRegistry::instance().form(QStringLiteral("frmDataEntry"));
        QVERIFY(QTest::qWaitForWindowActive(form->window()));
        auto* notes = form->findChild<QPlainTextEdit*>(QStringLiteral("txtNotes"));
        auto* serial = form->findChild<QLineEdit*>(QStringLiteral("txtSerialNumber"));
        auto* nav = form->findChild<RecordNavigator*>(QStringLiteral("Data1"));
        QVERIFY(notes && serial && nav);
        QCOMPARE(serial->text(), QStringLiteral("S1"));
        QCOMPARE(notes->toPlainText().size(), 4000);
        QVERIFY(notes->isReadOnly());
        // Another field changed: the row is written with its note whole.
        serial->setText(QStringLiteral("S1B"));
        QVERIFY(nav->moveNext().isOk());
        QCOMPARE(notes->toPlainText(), QStringLiteral("short"));
        QVERIFY(!notes->isReadOnly());
        serial->setText(QStringLiteral("S2B"));
        QVERIFY(nav->movePrevious().isOk());
        QCOMPARE(app.rows(QStringLiteral("SELECT SerialNum, length(Notes), substr(Notes, 1, 3) FROM InspectionRecord ORDER BY InspectionID")),
                 (QStringList{QStringLiteral("S1B|300000|xxx"), QStringLiteral("S2B|5|sho")}));
        QVERIFY(dialogs.messages.isEmpty());
        unloadAllForms();
    }

    void backslashPathsBecomeNativeAndMatchCase() {
        TestAppFolder app;
        QCOMPARE(AppPaths::join(QStringLiteral("\\kelid.mdb")), app.livePath());
        // "Temp2" finds "temp2", "demodb\KELID1.MDB" finds the stored blank database.
        QCOMPARE(AppPaths::join(QStringLiteral("\\Temp2\\kelid.mdb")), app.file(QStringLiteral("temp2/kelid.mdb")));
        QCOMPARE(AppPaths::join(QStringLiteral("\\demodb\\KELID1.MDB")), app.file(QStringLiteral("DemoDb/kelid1.mdb")));
        // A drive root stands for the application folder.
        QCOMPARE(AppPaths::native(QStringLiteral("C:\\KEL\\VXHelp.hlp")), app.file(QStringLiteral("KEL/VXHelp.hlp")));
        QCOMPARE(AppPaths::native(QStringLiteral("c:\\kel\\VXhelp.hlp")), app.file(QStringLiteral("KEL/VXHelp.hlp")));
        // A doubled backslash (folder typed with a trailing one) still names the file.
        QVERIFY(QFile::exists(AppPaths::native(app.path() + QStringLiteral("\\\\kelid.mdb"))));
    }

    void copyReplacesTargetWholeOrNotAtAll() {
        QTemporaryDir dir;
        const QString src = dir.filePath(QStringLiteral("a.bin")), dst = dir.filePath(QStringLiteral("b.bin"));
        QFile f(src);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(3 << 20, 'x'));
        f.close();
        QFile old(dst);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("former");
        old.close();
        QVERIFY(FileSystem::copyFile(src, dst).isOk());
        QCOMPARE(readAll(dst), readAll(src));
        // No temporary file is left beside the target.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);

        // Missing source, missing folder: described errors, target untouched.
        const Status missing = FileSystem::copyFile(dir.filePath(QStringLiteral("none")), dst);
        QVERIFY(!missing.isOk());
        QVERIFY(missing.error().contains(QStringLiteral("File not found")));
        const Status noFolder = FileSystem::copyFile(src, dir.filePath(QStringLiteral("nofolder/x.bin")));
        QVERIFY(noFolder.error().contains(QStringLiteral("Path not found")));
        QCOMPARE(readAll(dst), readAll(src));

        // A copy that cannot reach the disk keeps the former file and leaves
        // no temporary one; one whose rename cannot be made durable says so.
        const QString small = dir.filePath(QStringLiteral("c.bin"));
        QFile c(small);
        QVERIFY(c.open(QIODevice::WriteOnly));
        c.write("new");
        c.close();
        g_target = dst;
        FileSystem::setSyncCall(recordingSync);
        for (g_failAt = 1; g_failAt <= 2; ++g_failAt) {
            g_synced.clear();
            QVERIFY(FileSystem::copyFile(small, dst).error().contains(QStringLiteral("Cannot sync")));
            QCOMPARE(readAll(dst), g_failAt == 1 ? readAll(src) : QByteArray("new"));
            QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 3);
        }
        FileSystem::setSyncCall(nullptr);
        g_failAt = 0;

        QVERIFY(FileSystem::deleteFile(dst).isOk());
        QVERIFY(!FileSystem::exists(dst));
        QVERIFY(!FileSystem::deleteFile(dst).isOk());
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
        for (const QString& path : {src, g_target}) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(path.toUtf8());
        }
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

    void dateBoxPatternAndValue() {
        MaskedDateBox box(QStringLiteral("MaskEdBox1"));
        // No pattern: any text.
        box.setText(QStringLiteral("anything"));
        QCOMPARE(box.typedText(), QStringLiteral("anything"));
        box.reset();
        QCOMPARE(box.inputPattern(), QStringLiteral("##/##/####"));
        QCOMPARE(box.displayFormat(), QStringLiteral("ddddd"));
        QCOMPARE(box.typedText(), QStringLiteral("__/__/____"));
        QVERIFY(box.value().isNull());
        box.show();
        box.setFocus();
        QVERIFY(QTest::qWaitForWindowActive(&box));
        box.setCursorPosition(0);
        QTest::keyClicks(&box, QStringLiteral("ab12312026"));  // letters refused
        QCOMPARE(box.typedText(), QStringLiteral("12/31/2026"));
        QCOMPARE(box.value().toDate(), QDate(2026, 12, 31));
        box.clearFocus();
        QCOMPARE(box.text(), QStringLiteral("12/31/2026"));  // short date of the locale, four-digit year
        box.setValue(QStringLiteral("2026-03-05"));
        QCOMPARE(box.text(), QStringLiteral("3/5/2026"));
        box.setFocus();
        QCOMPARE(box.typedText(), QStringLiteral("03/05/2026"));
        // A text that names no real day is handed on as typed, for the database to refuse.
        box.setText(QStringLiteral("13/45/2026"));
        QCOMPARE(box.value().typeId(), int(QMetaType::QString));
        QCOMPARE(MaskedDateBox::parseMdy(QStringLiteral("02/29/2025")), QDate());
        QCOMPARE(MaskedDateBox::parseMdy(QStringLiteral("02/29/2024")), QDate(2024, 2, 29));
    }

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

    void scriptedDialogsRecordAndAnswer() {
        Dialogs::Scripted d;
        d.answers.enqueue(Dialogs::Answer::Yes);
        QCOMPARE(Dialogs::show(QStringLiteral("Q?"), Dialogs::Buttons::YesNo, Dialogs::Icon::Critical, QString(), Dialogs::Answer::No),
                 Dialogs::Answer::Yes);
        // With no prepared answer, the default button.
        QCOMPARE(Dialogs::show(QStringLiteral("Q?"), Dialogs::Buttons::YesNo, Dialogs::Icon::Critical, QString(), Dialogs::Answer::No),
                 Dialogs::Answer::No);
        Dialogs::showError(QStringLiteral("boom"));
        QCOMPARE(d.messages.size(), 3);
        QCOMPARE(d.messages[0].title, QString());
        QCOMPARE(d.messages[2].title, QStringLiteral("Varnex"));
        QCOMPARE(d.messages[2].buttons, Dialogs::Buttons::Ok);
        QCOMPARE(d.messages[2].icon, Dialogs::Icon::None);
        QCOMPARE(Dialogs::input(QStringLiteral("p"), QStringLiteral("t")), QString());  // Cancel
        Dialogs::beep();
        QCOMPARE(d.beeps, 1);
    }

    void pointerIsOneStateNotAStack() {
        MousePointer::hourglass();
        MousePointer::hourglass();
        MousePointer::arrow();
        QCOMPARE(MousePointer::current(), MousePointer::Shape::Default);
        QVERIFY(!QGuiApplication::overrideCursor());
    }

    void registryKeepsOneInstanceAndRunsHandlersOnce() {
        int loads = 0, unloads = 0;
        FormRegistry& forms = FormRegistry::instance();
        forms.registerForm(QStringLiteral("frmCounting"), [&] { return new CountingForm(QStringLiteral("frmCounting"), &loads, &unloads); });
        QVERIFY(forms.show(QStringLiteral("frmCounting")).isOk());
        Form* first = forms.form(QStringLiteral("frmCounting"));
        QVERIFY(forms.show(QStringLiteral("frmCounting")).isOk());
        QCOMPARE(forms.form(QStringLiteral("frmCounting")), first);
        QCOMPARE(loads, 1);
        // The close box unloads.
        first->close();
        QCOMPARE(unloads, 1);
        QVERIFY(!forms.isLoaded(QStringLiteral("frmCounting")));
        QVERIFY(forms.show(QStringLiteral("frmCounting")).isOk());
        QCOMPARE(loads, 2);
        forms.unload(QStringLiteral("frmCounting"));
        // An unknown form is reported, not a crash.
        const Status s = forms.load(QStringLiteral("frmNowhere"));
        QVERIFY(s.error().contains(QStringLiteral("frmNowhere")));
        unloadAllForms();
    }

    void helpOpensTopicsAndReportsMissingFile() {
        TestAppFolder app;
        QVERIFY(HelpViewer::showTopic(HelpViewer::helpFileName(), 90).isOk());
        QCOMPARE(HelpViewer::current()->topic(), 90);
        QVERIFY(HelpViewer::current()->html().contains(QStringLiteral("Submit Record")));
        QVERIFY(HelpViewer::showContents(HelpViewer::tutorialFileName()).isOk());
        QVERIFY(HelpViewer::current()->html().contains(QStringLiteral("Inspection Data Entry")));
        HelpViewer::current()->close();
        // Every context number the forms carry has its topic.
        for (int n : {10, 20, 50, 90, 100, 110, 120, 130, 140, 150, 160, 170, 180, 190, 200, 210, 220, 230, 240, 250, 260, 270})
            QVERIFY2(HelpViewer::showTopic(HelpViewer::helpFileName(), n).isOk(), qPrintable(QString::number(n)));
        HelpViewer::current()->close();
        QFile::remove(app.file(QStringLiteral("KEL/VXHelp.hlp")));
        const Status missing = HelpViewer::showTopic(HelpViewer::helpFileName(), 10);
        QCOMPARE(missing.error(), QStringLiteral("Unable to open the help file C:\\KEL\\VXHelp.hlp."));
    }
};

QTEST_MAIN(TestPlatform)
#include "tst_platform.moc"
