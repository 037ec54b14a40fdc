// The line board: a tile's numbers on a day worked by hand, and the board, the
// inspection grid and the data entry screen's red line following another
// station's Submit while they are open.
#include <QComboBox>
#include <QProcess>
#include <QtTest>

#include "TestAppFolder.h"
#include "database/RecordNavigator.h"
#include "database/RecordSet.h"
#include "dataentry/DataEntryForm.h"
#include "monitor/AlarmBanner.h"
#include "monitor/ChangeWatcher.h"
#include "monitor/LineBoardForm.h"
#include "platform/Dialogs.h"
#include "tables/TableBrowser.h"

namespace {

QString day(int offset) { return QDate::currentDate().addDays(offset).toString(Qt::ISODate); }

// One inspection row; a pass when the defect code is "1".
QString row(const char* facility, const char* station, const char* serial, int rework, const char* defect, int offset = 0) {
    const bool pass = QByteArray(defect) == "1";
    return QStringLiteral("INSERT INTO InspectionRecord (Facility, ModelNumber, SerialNum, Station, Date, PartNum, "
                          "DefectCode, LocationCode, ReworkNum) VALUES ('%1', 'M1', '%2', '%3', '%4', '%5', '%6', '%7', %8);")
        .arg(QLatin1String(facility), QLatin1String(serial), QLatin1String(station), day(offset),
             pass ? QStringLiteral("001") : QStringLiteral("P7"), QLatin1String(defect),
             pass ? QStringLiteral("1") : QStringLiteral("L3"))
        .arg(rework);
}

const StationTile* tileOf(const LineBoardForm& board, const QString& station) {
    for (const StationTile& t : board.tiles())
        if (t.station == station)
            return &t;
    return nullptr;
}

}  // namespace

class TestLineBoard : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { initFormTests(); }

    void tileOfAHandWorkedDay() {
        TestAppFolder app;
        app.exec(QStringLiteral("INSERT INTO defects (defectcode, defectdescription) VALUES ('LS', 'LOOSE SCREW')"));
        // FINAL today: U1 and U5 pass first time; U2 fails (LS) and is re-inspected
        // (LS again, then a pass); U3 fails (BUR); U4, failed yesterday, passes its
        // re-inspection today and is no unit of today.
        QString sql = row("A", "FINAL", "U1", 1, "1") + row("A", "FINAL", "U2", 1, "LS") + row("A", "FINAL", "U2", 2, "LS") +
                      row("A", "FINAL", "U2", 3, "1") + row("A", "FINAL", "U3", 1, "BUR") + row("A", "FINAL", "U4", 2, "1") +
                      row("A", "FINAL", "U5", 1, "1");
        // Yesterday: U4 failed, three passed. Thirty days ago: outside the p-bar's days.
        sql += row("A", "FINAL", "U4", 1, "LS", -1) + row("A", "FINAL", "U6", 1, "1", -1) +
               row("A", "FINAL", "U7", 1, "1", -1) + row("A", "FINAL", "U8", 1, "1", -1) +
               row("A", "FINAL", "U9", 1, "LS", -30);
        // Another station, and another facility's FINAL.
        sql += row("A", "ASSY", "U1", 1, "1") + row("B", "FINAL", "U1", 1, "BUR");
        sql += QStringLiteral(
            "INSERT INTO Alarm (Facility, Station, Rule, PeriodDate, Message, RaisedAt, AckBy, AckAt) VALUES "
            "('A', 'FINAL', 4, '%1', 'old', '2026-01-01T08:00:00Z', 'QE', '2026-01-01T09:00:00Z'),"
            "('A', 'FINAL', 4, '%1', 'FINAL, facility A: LOOSE SCREW on 3 of the last 20 units', '2026-01-02T08:00:00Z', NULL, NULL)")
                   .arg(day(0));
        app.exec(sql);

        auto* board = showFormAs<LineBoardForm>(QStringLiteral("frmLineBoard"));
        QVERIFY(board);
        QCOMPARE(board->facility(), QStringLiteral("A"));
        QCOMPARE(board->tiles().size(), 2);
        const StationTile* final = tileOf(*board, QStringLiteral("FINAL"));
        QVERIFY(final);
        QCOMPARE(final->units, qint64(4));
        QCOMPARE(final->passed, qint64(2));
        QCOMPARE(final->p(), 0.5);
        // p-bar: 3 of the 8 units of today and yesterday; UCL for today's 4 units.
        QCOMPARE(final->pbar, 3.0 / 8.0);
        QVERIFY(qAbs(final->ucl() - (0.375 + 3 * std::sqrt(0.375 * 0.625 / 4))) < 1e-9);
        QCOMPARE(final->topDefects, (QList<QPair<QString, qint64>>{{QStringLiteral("LS"), 2}, {QStringLiteral("BUR"), 1}}));
        QCOMPARE(final->alarm, QStringLiteral("FINAL, facility A: LOOSE SCREW on 3 of the last 20 units"));
        const StationTile* assy = tileOf(*board, QStringLiteral("ASSY"));
        QVERIFY(assy && assy->units == 1 && assy->passed == 1 && assy->alarm.isEmpty() && assy->topDefects.isEmpty());

        // The other facility, chosen from the keyboard.
        auto* facility = board->findChild<QComboBox*>(QStringLiteral("cboFacility"));
        facility->setFocus();
        QTest::keyClick(facility, Qt::Key_Down);
        QCOMPARE(board->facility(), QStringLiteral("B"));
        QCOMPARE(board->tiles().size(), 1);
        QCOMPARE(board->tiles().first().units, qint64(1));
        QCOMPARE(board->tiles().first().passed, qint64(0));
    }

    // Another station's Submit, in a process of its own through its data entry screen,
    // reaches the running board, the open grid (which keeps its current row), the data
    // entry screen's count and, as the row fires rule 4 there, its red line; an
    // acknowledgement elsewhere takes the line away.
    void anotherStationsSubmitIsShown() {
        TestAppFolder app;
        // R4 today: U01 to U18 passed, U19 and U20 LS: 2 of the last 20 units, under the limits in force.
        QString sql = QStringLiteral("INSERT INTO defects (defectcode, defectdescription) VALUES ('LS', 'LOOSE SCREW');"
                                     "INSERT INTO ControlLimit (Facility, Station, BaselineBegin, BaselineEnd, PBar, Days, "
                                     "Units, SetAt) VALUES ('A', 'R4', '2023-01-01', '2023-12-31', 0.1, 200, 2000, 'x');");
        for (int i = 1; i <= 20; ++i)
            sql += row("A", "R4", qPrintable(QStringLiteral("U%1").arg(i, 2, 10, QLatin1Char('0'))), 1, i > 18 ? "LS" : "1");
        app.exec(sql);
        auto* board = showFormAs<LineBoardForm>(QStringLiteral("frmLineBoard"));
        QVERIFY(board);
        QCOMPARE(board->tiles().value(0).units, qint64(20));
        auto* grid = showFormAs<TableBrowser>(QStringLiteral("tblInspection"));
        QVERIFY(grid);
        QVERIFY(grid->recordSet()->setAbsolutePosition(1));
        const qint64 current = grid->recordSet()->bookmark();
        Dialogs::Scripted dialogs;
        auto* entry = showFormAs<DataEntryForm>(QStringLiteral("frmDataEntry"));
        QVERIFY(entry);
        QCOMPARE(entry->navigator()->caption(), QStringLiteral("New record (20 stored)"));
        entry->alarmBanner()->watch(QStringLiteral("A"), QStringLiteral("R4"));
        QVERIFY(entry->alarmBanner()->text().isEmpty());
        QTRY_VERIFY(ChangeWatcher::instance().isWatching());

        QProcess station;
        station.start(QCoreApplication::applicationDirPath() + QStringLiteral("/varnex-test-station"),
                      {app.path(), QStringLiteral("--row"), QStringLiteral("A"), QStringLiteral("M1"), QStringLiteral("U00"),
                       QStringLiteral("R4"), QStringLiteral("P7"), QStringLiteral("LS"), QStringLiteral("L3"),
                       day(0), QStringLiteral("I2")});
        const QString alarm = QStringLiteral("R4, facility A: LOOSE SCREW on 3 of the last 20 units");
        QTRY_COMPARE_WITH_TIMEOUT(entry->alarmBanner()->text(), alarm, 15000);
        QTRY_COMPARE_WITH_TIMEOUT(board->tiles().value(0).alarm, alarm, 15000);
        QCOMPARE(board->tiles().value(0).units, qint64(21));
        QCOMPARE(board->tiles().value(0).passed, qint64(18));
        QTRY_COMPARE_WITH_TIMEOUT(grid->recordSet()->recordCount(), 21, 15000);
        // U00 sorts first: the row the user was on is still current, one line down.
        QCOMPARE(grid->recordSet()->bookmark(), current);
        QCOMPARE(grid->recordSet()->absolutePosition(), 2);
        QTRY_COMPARE_WITH_TIMEOUT(entry->navigator()->caption(), QStringLiteral("New record (21 stored)"), 15000);
        QTRY_COMPARE_WITH_TIMEOUT(station.state(), QProcess::NotRunning, 15000);
        const QString out = QString::fromLocal8Bit(station.readAllStandardOutput() + station.readAllStandardError());
        QVERIFY2(station.exitStatus() == QProcess::NormalExit && station.exitCode() == 0 &&
                     out.contains(QStringLiteral("submitted 1\n")), qPrintable(out));
        QCOMPARE(app.rows(QStringLiteral("SELECT SerialNum, DefectCode FROM InspectionRecord WHERE InspectorNum = 'I2'")),
                 QStringList{QStringLiteral("U00|LS")});

        app.exec(QStringLiteral("UPDATE Alarm SET AckAt = 'now'"));
        QTRY_VERIFY_WITH_TIMEOUT(entry->alarmBanner()->text().isEmpty(), 15000);
    }
};

QTEST_MAIN(TestLineBoard)
#include "tst_lineboard.moc"
