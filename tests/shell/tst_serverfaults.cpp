#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "TestAppFolder.h"
#include "TestCluster.h"
#include "database/RecordNavigator.h"
#include "database/Schema.h"
#include "database/postgres/PgSchema.h"
#include "dataentry/DataEntryForm.h"
#include "dataentry/OutboxSender.h"
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

    std::unique_ptr<TestCluster> m_cluster;
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
        m_cluster = std::make_unique<TestCluster>();
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

    // A server down at start: the menus, then the data entry screen on the
    // station's outbox, saying so in its line (no box); the caption counts
    // the rows waiting, and a Submit keeps one more.
    void serverDownAtStart() {
        TestAppFolder app(TestAppFolder::Data::None);
        Schema::setServerOverride(m_plant);
        QVERIFY(OutboxSender::station().keep(QVariantMap{{QStringLiteral("ModelNumber"), QStringLiteral("W1")}}, 1));
        QVERIFY(m_cluster->pause());
        Dialogs::Scripted dialogs;
        QVERIFY(Application::start().isOk());
        QVERIFY(forms().isVisible(QStringLiteral("frmMain")));
        auto* form = forms().formAs<DataEntryForm>(QStringLiteral("frmDataEntry"));
        QVERIFY(form && form->isVisible());
        QVERIFY(child<QLabel>(form, "lblServerAway")->text().startsWith(QStringLiteral("The plant server cannot be reached.")));
        QVERIFY(forms().form(QStringLiteral("MDIBackground"))->window()->windowTitle().endsWith(QStringLiteral(" - Offline: 1 row waiting")));
        QVERIFY(showFormAs<DataEntryForm>(QStringLiteral("frmDataEntry")));
        for (const char* t : {"a", "m0", "s1", "e7", "12312026", "t1"})
            field(QString::fromLatin1(t));
        QTest::mouseClick(child<QPushButton>(form, "cmdPass"), Qt::LeftButton);
        QTest::mouseClick(child<QPushButton>(form, "cmdSubmit"), Qt::LeftButton);
        QCOMPARE(child<QLabel>(form, "lblOffline")->text(), QStringLiteral("Offline: 2 rows waiting"));
        QCOMPARE(dialogs.texts().join(QLatin1Char('|')), QString());
    }

    // The server goes away while a row is typed: Submit keeps it at the
    // station, says so in a line (no box) and goes on to the next unit; once
    // the server is back the next Submit sends it first, then stores its own.
    void submitWhileTheServerIsAway() {
        TestAppFolder app(TestAppFolder::Data::None);
        Schema::setServerOverride(m_plant);
        Dialogs::Scripted dialogs;
        auto* form = typedRow("m1");
        QVERIFY(form);
        QVERIFY(m_cluster->pause());
        QTest::mouseClick(child<QPushButton>(form, "cmdSubmit"), Qt::LeftButton);
        QCOMPARE(child<QLabel>(form, "lblServerAway")->text(),
                 QStringLiteral("The plant server cannot be reached. This row is kept at this station (1 row waiting) and will be "
                                "sent when the server is back."));
        QVERIFY(child<QLineEdit>(form, "txtModelNumber")->text().isEmpty());

        QVERIFY(m_cluster->resume());
        QCOMPARE(rows(QStringLiteral("SELECT count(*) FROM InspectionRecord")), 0);
        for (const char* t : {"m1", "s1"})
            field(QString::fromLatin1(t));
        QTest::mouseClick(child<QPushButton>(form, "cmdPass"), Qt::LeftButton);
        QTest::mouseClick(child<QPushButton>(form, "cmdSubmit"), Qt::LeftButton);
        QCOMPARE(dialogs.texts().join(QLatin1Char('|')), QString());
        QCOMPARE(rows(QStringLiteral("SELECT count(DISTINCT ReworkNum) FROM InspectionRecord WHERE ModelNumber = 'M1'")), 2);
        QCOMPARE(rows(QStringLiteral("SELECT count(*) FROM InspectionRecord")), 2);
        QVERIFY(child<QLabel>(form, "lblOffline")->text().isEmpty());
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
        QCOMPARE(dialogs.texts().join(QLatin1Char('|')), QString());
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
        QCOMPARE(dialogs.texts(), QStringList{Dialogs::serverAwaySentence()});
        QVERIFY2(dialogs.messages[0].details.contains(QStringLiteral("No such file or directory")), qPrintable(dialogs.messages[0].details));
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
