#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "TestAppFolder.h"
#include "database/RecordNavigator.h"
#include "database/Schema.h"
#include "database/postgres/PgSchema.h"
#include "dataentry/DataEntryForm.h"
#include "datagen/DataGen.h"
#include "platform/Dialogs.h"
#include "platform/FormRegistry.h"
#include "platform/MousePointer.h"
#include "reports/ReportCriteriaForm.h"
#include "reports/ReportEngine.h"
#include "reports/ReportPreview.h"
#include "shell/Application.h"
#include "shell/FormCatalog.h"

// A server that cannot be reached, or goes away under a running form: the
// server's own message, the program stays up, nothing half-stored, and the
// next action reconnects. The server is the test's own cluster, stopped and
// started under the forms (the other tests' cluster is not disturbed). A
// table locked on the server holds nothing up longer than its time limit.
namespace {

class Cluster {
public:
    Cluster() { m_uri = run(QStringLiteral("start")).trimmed(); }
    ~Cluster() { run(QStringLiteral("stop")); }
    QString uri() const { return m_uri; }
    bool pause() { return m_paused = run(QStringLiteral("pause")) != QLatin1String("!"); }
    bool resume() {
        if (m_paused)
            m_paused = run(QStringLiteral("resume")) == QLatin1String("!");
        return !m_paused;
    }

private:
    QString run(const QString& action) {
        QProcess p;
        p.start(QStringLiteral(VARNEX_SOURCE_DIR "/tests/pg/cluster.sh"), {action, m_dir.path()});
        if (!p.waitForFinished(90000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
            qWarning("cluster.sh %s: %s", qPrintable(action), p.readAllStandardError().constData());
            return QStringLiteral("!");
        }
        return QString::fromUtf8(p.readAllStandardOutput());
    }
    QTemporaryDir m_dir;
    QString m_uri;
    bool m_paused = false;
};

FormRegistry& forms() { return FormRegistry::instance(); }
QWidget* focused() { return QApplication::focusWidget(); }
void field(const QString& text) {
    QTest::keyClicks(focused(), text);
    QTest::keyClick(focused(), Qt::Key_Tab);
}
template <class T = QWidget>
T* child(QWidget* f, const char* name) { return f->findChild<T*>(QLatin1String(name)); }

}  // namespace

class TestServerFaults : public QObject {
    Q_OBJECT

    std::unique_ptr<Cluster> m_cluster;
    QString m_plant;  // the plant's database on it

    Status admin(const QString& sql) {
        Database db;
        Status s = db.open(m_cluster->uri());
        return s ? db.exec(sql) : s;
    }
    qint64 rows(const QString& sql) {
        Database db;
        if (!db.open(m_plant))
            return -1;
        SqlStatement st(db, sql);
        return st.next() ? st.int64(0) : -1;
    }
    // Holds the inspection table locked on a connection of its own, as a long
    // job on the server would; the server lets go of it after 45 s whatever happens.
    bool lockInspections(Database& holder) {
        return holder.open(m_plant) && holder.exec(QStringLiteral("SET idle_in_transaction_session_timeout = '45s'")) &&
               holder.exec(QStringLiteral("BEGIN")) &&
               holder.exec(QStringLiteral("LOCK TABLE InspectionRecord IN ACCESS EXCLUSIVE MODE"));
    }
    // The data entry screen with a new row typed in (model as given, passed), not yet submitted.
    DataEntryForm* typedRow(const char* model) {
        auto* form = showFormAs<DataEntryForm>(QStringLiteral("frmDataEntry"));
        if (!form)
            return nullptr;
        QTest::mouseClick(child<QPushButton>(form, "cmdAdd"), Qt::LeftButton);
        for (const char* t : {"a", model, "s1", "e7", "12312026", "t1"})
            field(QString::fromLatin1(t));
        QTest::mouseClick(child<QPushButton>(form, "cmdPass"), Qt::LeftButton);
        return form;
    }

private slots:
    void initTestCase() {
        initFormTests();
        Application::setQuitHandler([] {});
        m_cluster = std::make_unique<Cluster>();
        QVERIFY(m_cluster->uri().startsWith(QLatin1String("postgresql://")));
        QVERIFY(admin(QStringLiteral("CREATE DATABASE plant")).isOk());
        m_plant = PgSchema::withDatabase(m_cluster->uri(), QStringLiteral("plant"));
        Database server;
        QVERIFY(server.open(m_plant).isOk());
        QVERIFY(Schema::create(server).isOk());
        QVERIFY(server.exec(QStringLiteral("BEGIN")).isOk());
        QVERIFY(DataGen::insertBlankRows(server).isOk());
        QVERIFY(server.exec(QStringLiteral("COMMIT")).isOk());
    }
    void cleanupTestCase() { m_cluster.reset(); }
    void cleanup() {
        unloadAllForms();
        MousePointer::arrow();
        Schema::setServerOverride(QString());
        m_cluster->resume();
    }

    // A server down at start: its message, then the main menu; the forms try again.
    void serverDownAtStart() {
        TestAppFolder app(TestAppFolder::Data::None);
        Schema::setServerOverride(m_plant);
        QVERIFY(m_cluster->pause());
        Dialogs::Scripted dialogs;
        QVERIFY(Application::start().isOk());
        QVERIFY(forms().isVisible(QStringLiteral("frmMain")));
        QVERIFY(forms().show(QStringLiteral("frmDataEntry")).isOk());
        QCOMPARE(dialogs.messages.size(), 2);
        for (const Dialogs::Message& m : dialogs.messages)
            QVERIFY2(m.text.contains(QStringLiteral("No such file or directory")), qPrintable(m.text));
    }

    // The server goes away while a row is typed: Submit says so in the
    // server's words, stores nothing and keeps the row on the screen; once the
    // server is back, Submit stores it once, numbered as if nothing happened.
    void submitWhileTheServerIsAway() {
        TestAppFolder app(TestAppFolder::Data::None);
        Schema::setServerOverride(m_plant);
        Dialogs::Scripted dialogs;
        auto* form = typedRow("m1");
        QVERIFY(form);
        QVERIFY(m_cluster->pause());
        QTest::mouseClick(child<QPushButton>(form, "cmdSubmit"), Qt::LeftButton);
        QCOMPARE(dialogs.messages.size(), 1);
        QVERIFY2(dialogs.messages[0].text.contains(QStringLiteral("No such file or directory")), qPrintable(dialogs.messages[0].text));
        QCOMPARE(child<QLineEdit>(form, "txtModelNumber")->text(), QStringLiteral("M1"));
        QCOMPARE(child<QLineEdit>(form, "txtPartNum")->text(), Schema::passPart());

        QVERIFY(m_cluster->resume());
        QCOMPARE(rows(QStringLiteral("SELECT count(*) FROM InspectionRecord")), 0);
        QTest::mouseClick(child<QPushButton>(form, "cmdSubmit"), Qt::LeftButton);
        QCOMPARE(dialogs.messages.size(), 1);  // a pass: no question
        QCOMPARE(rows(QStringLiteral("SELECT count(*) FROM InspectionRecord WHERE ModelNumber = 'M1' AND ReworkNum = 1")), 1);
        QCOMPARE(rows(QStringLiteral("SELECT count(*) FROM InspectionRecord")), 1);
    }

    // The server restarted since the screen last used it: the first Submit
    // connects again by itself and stores the row.
    void submitAfterTheServerRestarted() {
        TestAppFolder app(TestAppFolder::Data::None);
        Schema::setServerOverride(m_plant);
        Dialogs::Scripted dialogs;
        auto* form = typedRow("m2");
        QVERIFY(form);
        QVERIFY(m_cluster->pause());
        QVERIFY(m_cluster->resume());
        QTest::mouseClick(child<QPushButton>(form, "cmdSubmit"), Qt::LeftButton);
        QVERIFY(dialogs.messages.isEmpty());  // a pass: no question
        QCOMPARE(rows(QStringLiteral("SELECT count(*) FROM InspectionRecord WHERE ModelNumber = 'M2'")), 1);
    }

    // A table locked on the server: Submit waits no longer than the screen's
    // time limit, the windows' timers running meanwhile, then says so, stores
    // nothing and keeps the row on the screen.
    void submitWhileTheTableIsLocked() {
        TestAppFolder app(TestAppFolder::Data::None);
        Schema::setServerOverride(m_plant);
        Dialogs::Scripted dialogs;
        auto* form = typedRow("m3");
        QVERIFY(form);
        form->navigator()->setTimeLimit(1);
        Database holder;
        QVERIFY(lockInspections(holder));
        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, this, [&ticks] { ++ticks; });
        ticker.start(50);
        QTest::mouseClick(child<QPushButton>(form, "cmdSubmit"), Qt::LeftButton);
        ticker.stop();
        QCOMPARE(dialogs.texts(), QStringList{QStringLiteral("The server did not answer within 1 s; nothing was stored.")});
        QVERIFY(ticks > 0);
        QCOMPARE(child<QLineEdit>(form, "txtModelNumber")->text(), QStringLiteral("M3"));
        QVERIFY(holder.exec(QStringLiteral("ROLLBACK")).isOk());
        QCOMPARE(rows(QStringLiteral("SELECT count(*) FROM InspectionRecord WHERE ModelNumber = 'M3'")), 0);
    }

    // varnex-report on a locked table stops at its --timeout and says that limit.
    void reportToolWhileTheTableIsLocked() {
        TestAppFolder app(TestAppFolder::Data::None);
        Database holder;
        QVERIFY(lockInspections(holder));
        QProcess tool;
        QElapsedTimer clock;
        clock.start();
        tool.start(QCoreApplication::applicationDirPath() + QStringLiteral("/../app/varnex-report"),
                   {app.file(QStringLiteral("pareto_of_defects.rpt")), QStringLiteral("--param"), QStringLiteral("BeginDate;Date (2026, 12, 01);true"),
                    QStringLiteral("--param"), QStringLiteral("EndDate;Date (2026, 12, 31);true"), QStringLiteral("--param"),
                    QStringLiteral("Facility;A;true"), QStringLiteral("--timeout"), QStringLiteral("2"), QStringLiteral("--server"), m_plant,
                    QStringLiteral("--csv"), app.file(QStringLiteral("pareto.csv"))});
        QVERIFY(tool.waitForFinished(90000));
        QVERIFY2(clock.elapsed() < 30000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(tool.exitCode(), 1);
        const QString said = QString::fromUtf8(tool.readAllStandardError());
        QVERIFY2(said.contains(QStringLiteral("reached its time limit of 2 s and was stopped")), qPrintable(said));
    }

    // A report from its criteria form on a locked table shows its preview with
    // Cancel while it waits, and Cancel ends it.
    void reportCancelledWhileTheTableIsLocked() {
        TestAppFolder app(TestAppFolder::Data::None);
        Schema::setServerOverride(m_plant);
        Dialogs::Scripted dialogs;
        auto* form = showFormAs<ReportCriteriaForm>(QStringLiteral("frmPareto"));
        QVERIFY(form);
        for (const char* box : {"MaskEdBox1", "MaskEdBox2"}) {
            child(form, box)->setFocus();
            QTest::keyClicks(child(form, box), QStringLiteral("12312026"));
        }
        Database holder;
        QVERIFY(lockInspections(holder));
        bool cancelled = false;
        QTimer user;
        connect(&user, &QTimer::timeout, this, [&cancelled] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* cancel = w->findChild<QPushButton*>(QStringLiteral("cmdCancel"));
                    qobject_cast<ReportPreview*>(w) && w->isVisible() && cancel && cancel->isVisible() && !cancelled) {
                    cancel->click();
                    cancelled = true;
                }
        });
        user.start(100);
        QTest::mouseClick(child<QPushButton>(form, "cmdOK"), Qt::LeftButton);
        user.stop();
        QVERIFY(cancelled);
        QVERIFY(form->engine()->lastRunCancelled());
        QCOMPARE(dialogs.texts(), QStringList());
        QVERIFY(holder.exec(QStringLiteral("ROLLBACK")).isOk());  // the lock was still held
    }

    // A report run while the server is away: its message, the form stays for
    // another run, which works once the server is back.
    void reportWhileTheServerIsAway() {
        TestAppFolder app(TestAppFolder::Data::None);
        Schema::setServerOverride(m_plant);
        Dialogs::Scripted dialogs;
        auto* form = showFormAs<ReportCriteriaForm>(QStringLiteral("frmPareto"));
        QVERIFY(form);
        const QString csv = app.file(QStringLiteral("pareto.csv"));
        form->engine()->setOutput(ReportEngine::Output::Csv, csv);
        for (const char* box : {"MaskEdBox1", "MaskEdBox2"}) {
            child(form, box)->setFocus();
            QTest::keyClicks(child(form, box), QStringLiteral("12312026"));
        }
        QVERIFY(m_cluster->pause());
        QTest::mouseClick(child<QPushButton>(form, "cmdOK"), Qt::LeftButton);
        QCOMPARE(dialogs.messages.size(), 1);
        QVERIFY2(dialogs.messages[0].text.contains(QStringLiteral("No such file or directory")), qPrintable(dialogs.messages[0].text));
        QVERIFY(!QFile::exists(csv));
        QVERIFY(forms().isVisible(QStringLiteral("frmPareto")));

        QVERIFY(m_cluster->resume());
        QTest::mouseClick(child<QPushButton>(form, "cmdOK"), Qt::LeftButton);
        QCOMPARE(dialogs.texts().mid(1), QStringList());
        QVERIFY(QFile::exists(csv));
    }
};

QTEST_MAIN(TestServerFaults)
#include "tst_serverfaults.moc"
