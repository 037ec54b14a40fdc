// The watcher tells of another connection's commit of inspection rows and
// alarms, on a database made before the alarms and the notices existed.
#include <QtTest>

#include "TestAppFolder.h"
#include "database/Schema.h"
#include "monitor/ChangeWatcher.h"

class TestChangeWatcher : public QObject {
    Q_OBJECT
private slots:
    void anotherConnectionsCommitIsTold() {
        TestAppFolder app;
        // As the previous version left it.
        if (app.isServer()) {
            app.exec(QStringLiteral("DROP TRIGGER inspectionrecordchanged ON inspectionrecord"));
            app.exec(QStringLiteral("DROP TABLE alarm"));
        } else {
            app.exec(QStringLiteral("DROP TABLE Alarm"));
            QVERIFY(Schema::upgradeFile(app.livePath()));
        }
        ChangeWatcher& watcher = ChangeWatcher::instance();
        QSignalSpy spy(&watcher, &ChangeWatcher::changed);
        QVERIFY(watcher.isWatching());

        Database other;
        QVERIFY(other.open(app.database()));
        QVERIFY(other.exec(QStringLiteral("INSERT INTO InspectionRecord (Facility, ModelNumber, SerialNum, Station, Date) "
                                          "VALUES ('A', 'M1', 'S1', 'FINAL', '2026-12-07')")));
        QVERIFY(spy.wait(10000));

        spy.clear();
        const Status alarm = other.exec(QStringLiteral("INSERT INTO Alarm (Facility, Station, Rule, PeriodDate, Message, RaisedAt) "
                                                       "VALUES ('A', 'FINAL', 1, '2026-12-07', 'm', '2026-12-07T10:00:00Z')"));
        QVERIFY2(alarm.isOk(), qPrintable(alarm.error()));
        QVERIFY(spy.wait(10000));

        // Nothing committed: nothing told.
        spy.clear();
        QVERIFY(!spy.wait(2500));
    }

    // A window that stops listening lets the file go at once: Compact and
    // Repair, Backup and the exchange refuse a file this program holds open.
    void theLastListenerLetsGo() {
        TestAppFolder app;
        QObject window;
        QObject::connect(&ChangeWatcher::instance(), &ChangeWatcher::changed, &window, [] {});
        QVERIFY(ChangeWatcher::instance().isWatching());
        QObject::disconnect(&ChangeWatcher::instance(), nullptr, &window, nullptr);
        QVERIFY(!ChangeWatcher::instance().isWatching());
    }
};

QTEST_MAIN(TestChangeWatcher)
#include "tst_changewatcher.moc"
