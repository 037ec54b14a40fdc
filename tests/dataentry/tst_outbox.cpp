// Rows kept at a station while the plant server is away: every row reaches
// the server exactly once, numbered there among the unit's rows, also when
// the station is killed in the middle of sending; a refused row waits for the
// user; a sent row raises its alarm. The server is the test's own cluster, stopped and started under it.
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include "TestAppFolder.h"
#include "TestCluster.h"
#include "database/Schema.h"
#include "database/postgres/PgSchema.h"
#include "dataentry/DataEntryForm.h"
#include "dataentry/OutboxSender.h"
#include "platform/Dialogs.h"

class TestOutbox : public QObject {
    Q_OBJECT
    std::unique_ptr<TestCluster> m_cluster;
    QString m_plant;

    // The server's rows of a model as "serial rework" in stored order.
    QStringList stored(const QString& model) {
        Database db;
        QStringList out;
        if (!db.open(m_plant))
            return {QStringLiteral("unreachable")};
        SqlStatement st(db, QStringLiteral("SELECT SerialNum, ReworkNum FROM InspectionRecord WHERE ModelNumber = ? ORDER BY InspectionID"));
        st.bind(1, model);
        while (st.next())
            out << st.value(0).toString() + QLatin1Char(' ') + st.value(1).toString();
        return out;
    }
    // Every serial's numbers run 1..n in stored order.
    static bool numberedInOrder(const QStringList& rows) {
        QHash<QString, int> last;
        for (const QString& r : rows)
            if (r.section(QLatin1Char(' '), 1).toInt() != ++last[r.section(QLatin1Char(' '), 0, 0)])
                return false;
        return true;
    }
    QString sender(const QString& outbox, const QStringList& args) {
        QProcess p;
        p.start(QCoreApplication::applicationDirPath() + QStringLiteral("/varnex-test-sender"), QStringList{outbox, m_plant} + args);
        p.waitForReadyRead(60000);
        p.waitForReadyRead(100);
        const QString said = QString::fromUtf8(p.readLine() + p.readAllStandardError()).trimmed();
        p.kill();  // SIGKILL
        p.waitForFinished();
        return said;
    }

private slots:
    void initTestCase() {
        initFormTests();
        m_cluster = std::make_unique<TestCluster>();
        Database admin;
        QVERIFY(admin.open(m_cluster->uri()).isOk() && admin.exec(QStringLiteral("CREATE DATABASE plant")).isOk());
        m_plant = PgSchema::withDatabase(m_cluster->uri(), QStringLiteral("plant"));
        Database server;
        QVERIFY(server.open(m_plant).isOk() && Schema::create(server).isOk());
    }
    void cleanup() {
        unloadAllForms();
        Schema::setServerOverride(QString());
        m_cluster->resume();
    }

    // The server stopped under a running data entry screen; two stations
    // submit 25 rows each over the same four units; the server back, each
    // row is stored once, every unit numbered 1..n as the rows arrived.
    void outageAtTwoStations() {
        TestAppFolder app(TestAppFolder::Data::None);
        Schema::setServerOverride(m_plant);
        Dialogs::Scripted dialogs;
        auto* form = showFormAs<DataEntryForm>(QStringLiteral("frmDataEntry"));
        QVERIFY(form);
        OutboxSender other(app.file(QStringLiteral("other.db")), m_plant);
        QVERIFY(m_cluster->pause());
        for (int i = 0; i < 25; ++i) {
            const QString serial = QStringLiteral("S%1").arg(i % 4);
            QVERIFY(other.keep({{QStringLiteral("ModelNumber"), QStringLiteral("U1")}, {QStringLiteral("SerialNum"), serial},
                                {QStringLiteral("Station"), QStringLiteral("T1")}},
                               other.provisionalNumber({QStringLiteral("U1"), serial, QStringLiteral("T1")})));
            form->findChild<QLineEdit*>(QStringLiteral("txtFacility"))->setFocus();
            for (const QString& t : {QStringLiteral("a"), QStringLiteral("u1"), serial, QStringLiteral("e7"), QStringLiteral("12312026"), QStringLiteral("t1")}) {
                QTest::keyClicks(QApplication::focusWidget(), t);
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            }
            QTest::mouseClick(form->findChild<QPushButton*>(QStringLiteral("cmdPass")), Qt::LeftButton);
            QTest::mouseClick(form->findChild<QPushButton*>(QStringLiteral("cmdSubmit")), Qt::LeftButton);
        }
        QCOMPARE(dialogs.texts().join(QLatin1Char('|')), QString());
        QCOMPARE(form->findChild<QLabel*>(QStringLiteral("lblOffline"))->text(), QStringLiteral("Offline: 25 rows waiting"));
        QVERIFY(m_cluster->resume());
        QVERIFY(OutboxSender::station().sendNow().isOk() && other.sendNow().isOk());
        const QStringList rows = stored(QStringLiteral("U1"));
        QCOMPARE(rows.size(), 50);
        QVERIFY2(numberedInOrder(rows), qPrintable(rows.join(QLatin1Char(','))));
        QCOMPARE(OutboxSender::station().waiting() + other.waiting(), 0);
    }

    // A station killed as a row's transaction commits, then killed once it
    // committed: started again, it sends the rest and none twice.
    void killedWhileSending() {
        TestAppFolder app(TestAppFolder::Data::None);
        const QString outbox = app.file(QStringLiteral("outbox.db"));
        QCOMPARE(sender(outbox, {QStringLiteral("fill"), QStringLiteral("20")}), QStringLiteral("filled"));
        QCOMPARE(sender(outbox, {QStringLiteral("send"), QStringLiteral("committing"), QStringLiteral("5")}), QStringLiteral("committing"));
        QCOMPARE(sender(outbox, {QStringLiteral("send"), QStringLiteral("committed"), QStringLiteral("3")}), QStringLiteral("committed"));
        const QString last = sender(outbox, {QStringLiteral("send")});
        QVERIFY2(last.contains(QLatin1String(", 0 waiting")), qPrintable(last));
        const QStringList rows = stored(QStringLiteral("K1"));
        QCOMPARE(rows.size(), 20);
        QVERIFY(numberedInOrder(rows));
    }

    // A refused row stays with the server's reason; corrected in the list it
    // is sent; another is discarded only after the question.
    void refusedRowCorrected() {
        TestAppFolder app(TestAppFolder::Data::None);
        Schema::setServerOverride(m_plant);
        Dialogs::Scripted dialogs;
        OutboxSender& station = OutboxSender::station();
        for (const char* date : {"2026-02-30", "2026-02-31"})
            QVERIFY(station.keep({{QStringLiteral("ModelNumber"), QStringLiteral("R1")}, {QStringLiteral("SerialNum"), QStringLiteral("S1")},
                                  {QStringLiteral("Station"), QStringLiteral("T1")}, {QStringLiteral("Date"), QString::fromLatin1(date)}}, 0));
        QVERIFY(station.sendNow().isOk());
        QCOMPARE(station.waiting(), 2);
        auto* list = showForm(QStringLiteral("frmOutbox"));
        QVERIFY(list);
        auto* grid = list->findChild<QTableWidget*>(QStringLiteral("grdWaiting"));
        QCOMPARE(grid->rowCount(), 2);
        QVERIFY2(grid->item(0, grid->columnCount() - 1)->text().contains(QStringLiteral("Date")), qPrintable(grid->item(0, 14)->text()));
        grid->item(0, Outbox::fields().indexOf(QStringLiteral("Date")))->setText(QStringLiteral("2026-02-28"));
        grid->setCurrentCell(0, 0);
        QTest::mouseClick(list->findChild<QPushButton*>(QStringLiteral("cmdSend")), Qt::LeftButton);
        QCOMPARE(stored(QStringLiteral("R1")), QStringList{QStringLiteral("S1 1")});
        QCOMPARE(grid->rowCount(), 1);
        dialogs.answers << Dialogs::Answer::No << Dialogs::Answer::Yes;
        for (int i = 0; i < 2; ++i)
            QTest::mouseClick(list->findChild<QPushButton*>(QStringLiteral("cmdDiscard")), Qt::LeftButton);
        QCOMPARE(dialogs.messages.size(), 2);
        QCOMPARE(station.waiting(), 0);
    }

    // A row sent after the outage is checked as if submitted then: at station AL
    // (limits in force, LS on 2 of 19 units) the sent LS row fires rule 4 alone.
    void sentRowRaisesItsAlarm() {
        TestAppFolder app(TestAppFolder::Data::None);
        Database server;
        QVERIFY(server.open(m_plant).isOk());
        QVERIFY(server.exec(QStringLiteral(
            "INSERT INTO ControlLimit (Facility, Station, BaselineBegin, BaselineEnd, PBar, Days, Units, SetAt) "
            "VALUES ('A', 'AL', '2025-01-01', '2025-12-31', 0.1, 200, 2000, 'x')")).isOk());
        QVERIFY(server.exec(QStringLiteral(
            "INSERT INTO InspectionRecord (Facility, ModelNumber, SerialNum, Date, Station, PartNum, DefectCode, "
            "LocationCode, ReworkNum) SELECT 'A', 'AL1', 'S' || g, '2026-03-04', 'AL', CASE WHEN g > 17 THEN 'P2' ELSE '001' END, "
            "CASE WHEN g > 17 THEN 'LS' ELSE '1' END, '1', 1 FROM generate_series(1, 19) AS g")).isOk());
        OutboxSender station(app.file(QStringLiteral("outbox.db")), m_plant);
        QVERIFY(station.keep({{QStringLiteral("Facility"), QStringLiteral("A")}, {QStringLiteral("ModelNumber"), QStringLiteral("AL1")},
                              {QStringLiteral("SerialNum"), QStringLiteral("S20")}, {QStringLiteral("Date"), QStringLiteral("2026-03-04")},
                              {QStringLiteral("Station"), QStringLiteral("AL")}, {QStringLiteral("PartNum"), QStringLiteral("P2")},
                              {QStringLiteral("DefectCode"), QStringLiteral("LS")}, {QStringLiteral("LocationCode"), QStringLiteral("1")}},
                             1));
        QVERIFY(station.sendNow().isOk());
        SqlStatement alarms(server, QStringLiteral("SELECT Rule, PeriodDate, Message FROM Alarm WHERE Station = 'AL'"));
        QStringList raised;
        while (alarms.next())
            raised << QStringLiteral("%1|%2|%3").arg(alarms.value(0).toString(), alarms.value(1).toString(), alarms.value(2).toString());
        QCOMPARE(raised, QStringList{QStringLiteral("4|2026-03-04|AL, facility A: LS on 3 of the last 20 units")});
    }
};

QTEST_MAIN(TestOutbox)
#include "tst_outbox.moc"
