// The run rules on small data sets worked by hand, the alarms they raise, the
// red line at the station and its acknowledgement, the Control Limits form.
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "TestAppFolder.h"
#include "TrendByDay.h"
#include "database/Schema.h"
#include "dataentry/DataEntryForm.h"
#include "monitor/AlarmBanner.h"
#include "monitor/AlarmCheck.h"
#include "platform/Dialogs.h"
#include "platform/MaskedDateBox.h"
#include "platform/TextBox.h"

namespace {

// Units of one day at a station of facility A, the first `failed` of them with LS (loose screw), the rest passed.
QString day(const char* station, const char* date, int units, int failed, int first = 1) {
    QStringList rows;
    for (int i = first; i < first + units; ++i)
        rows << QStringLiteral("('A','M1','%1-%2-%3','I1','%2','%1','%4','%5','1',1)")
                    .arg(QLatin1String(station), QLatin1String(date)).arg(i)
                    .arg(i < first + failed ? QStringLiteral("P2") : QStringLiteral("001"),
                         i < first + failed ? QStringLiteral("LS") : QStringLiteral("1"));
    return QStringLiteral("INSERT INTO InspectionRecord (Facility, ModelNumber, SerialNum, InspectorNum, Date, Station, "
                          "PartNum, DefectCode, LocationCode, ReworkNum) VALUES ") + rows.join(QLatin1Char(',')) + QLatin1Char(';');
}

// Every station below has p-bar 10 % in force. By hand, UCL = 10 % + 3 * sqrt(0.1 * 0.9 / n):
// n = 10: 38.5 %, n = 20: 30.1 %, n = 100: 19.0 %; over R1's whole range (n = 120) it would be 18.2 %.
//   R1: 01/01 5 of 10 fail (50 %: rule 1), 01/02 3 of 10 (30 %: none), 01/03 10 of 100 (10 %),
//       01/04 25 of 100 (25 %: rule 1, though under the 38.5 % of a day of 10).
//   R2: 02/01 to 02/10, 2 of 10 a day (20 %, over p-bar, under UCL): rule 2 on the ninth and tenth day.
//   R3: 02/29 and 03/01 to 03/06, 0, 0, 1, 2, 3, 4, 5 of 20 (0 % to 25 %, under UCL): rule 3 on
//       the sixth day of March, not on the fifth (five days worse, after a day no worse).
//   R4: 04/01 unit 1 LS, units 2 to 21 pass, 22 and 23 LS: 2 of the last 20 (none); a 24th LS makes 3.
void fill(const TestAppFolder& app) {
    QString sql = day("R1", "2024-01-01", 10, 5) + day("R1", "2024-01-02", 10, 3) + day("R1", "2024-01-03", 100, 10) +
                  day("R1", "2024-01-04", 100, 25) + day("R3", "2024-02-29", 20, 0);
    for (int d = 1; d <= 10; ++d)
        sql += day("R2", qPrintable(QStringLiteral("2024-02-%1").arg(d, 2, 10, QLatin1Char('0'))), 10, 2);
    for (int d = 1; d <= 6; ++d)
        sql += day("R3", qPrintable(QStringLiteral("2024-03-0%1").arg(d)), 20, d - 1);
    sql += day("R4", "2024-04-01", 1, 1) + day("R4", "2024-04-01", 20, 0, 2) + day("R4", "2024-04-01", 2, 2, 22) +
           QStringLiteral("INSERT INTO defects VALUES ('LS', 'LOOSE SCREW');");
    for (const char* station : {"R1", "R2", "R3", "R4"})
        sql += QStringLiteral("INSERT INTO ControlLimit (Facility, Station, BaselineBegin, BaselineEnd, PBar, Days, Units, "
                              "SetAt) VALUES ('A', '%1', '2023-01-01', '2023-12-31', 0.1, 200, 2000, 'x');").arg(QLatin1String(station));
    app.exec(sql);
}

// The yield trend's Signal per day with the limits in force.
QStringList trendSignals(const char* station, const char* from, const char* to) {
    QList<QVariantMap> periods;
    const Status s = trendByDay(QStringLiteral("A"), QLatin1String(station), QDate::fromString(QLatin1String(from), Qt::ISODate),
                                QDate::fromString(QLatin1String(to), Qt::ISODate), {QStringLiteral("Limits;In force;true")}, &periods);
    QStringList out;
    for (const QVariantMap& p : periods)
        out << p.value(QStringLiteral("Signal")).toString();
    return s ? out : QStringList{s.error()};
}

QList<int> fired(const char* station, const char* date, const char* code = "1") {
    Database db;
    db.open(Schema::databaseName());
    QList<AlarmCheck::Fired> f;
    const Status s = AlarmCheck::evaluate(db, {QStringLiteral("A"), QLatin1String(station), QStringLiteral("M1"),
                                               QLatin1String(code), QDate::fromString(QLatin1String(date), Qt::ISODate)}, &f);
    QList<int> rules;
    for (const auto& x : f)
        rules << x.rule;
    return s ? rules : QList<int>{-1};
}

}  // namespace

class TestAlarms : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { initFormTests(); }
    void cleanup() { unloadAllForms(); }

    void rulesWorkedByHand() {
        TestAppFolder app;
        fill(app);
        const QString r2 = QStringLiteral("Rule 2: nine above p-bar");
        QCOMPARE(trendSignals("R1", "2024-01-01", "2024-01-03"), QStringList({QStringLiteral("Rule 1: above UCL"), QString(), QString()}));
        QCOMPARE(trendSignals("R2", "2024-02-01", "2024-02-10"), QStringList(8, QString()) << r2 << r2);
        QCOMPARE(trendSignals("R3", "2024-03-01", "2024-03-06"), QStringList(5, QString()) << QStringLiteral("Rule 3: six worse in a row"));
        // The same rules at a Submit, on the station's last nine days.
        QCOMPARE(fired("R1", "2024-01-01"), QList<int>{1});
        QCOMPARE(fired("R1", "2024-01-02"), QList<int>{});
        QCOMPARE(fired("R1", "2024-01-04"), QList<int>{1});
        QCOMPARE(fired("R2", "2024-02-08"), QList<int>{});
        QCOMPARE(fired("R2", "2024-02-09"), QList<int>{2});
        QCOMPARE(fired("R3", "2024-03-05"), QList<int>{});
        QCOMPARE(fired("R3", "2024-03-06"), QList<int>{3});
        QCOMPARE(fired("R4", "2024-04-01", "LS"), QList<int>{});
        // A newer set with rule 2 off: nothing fires there.
        app.exec(QStringLiteral("INSERT INTO ControlLimit (Facility, Station, BaselineBegin, BaselineEnd, PBar, Days, Units, "
                                "Rule2, SetAt) VALUES ('A', 'R2', '2023-01-01', '2023-12-31', 0.1, 200, 2000, 0, 'y')"));
        QCOMPARE(trendSignals("R2", "2024-02-01", "2024-02-10"), QStringList(10, QString()));
    }

    // One open alarm per station, rule and day, however often the rule fires; after its
    // acknowledgement the next firing raises a new one.
    void oneOpenAlarmPerRuleAndDay() {
        TestAppFolder app;
        fill(app);
        Database db;
        QVERIFY(db.open(Schema::databaseName()));
        const AlarmCheck::Row row{QStringLiteral("A"), QStringLiteral("R2"), QStringLiteral("M1"), QStringLiteral("1"),
                                  QDate(2024, 2, 9)};
        int raised = -1;
        QVERIFY(AlarmCheck::afterSubmit(db, row, &raised));
        QCOMPARE(raised, 1);
        QVERIFY(AlarmCheck::afterSubmit(db, row, &raised));
        QCOMPARE(raised, 0);
        app.exec(QStringLiteral("UPDATE Alarm SET AckAt = '2024-02-09T10:00:00Z'"));
        QVERIFY(AlarmCheck::afterSubmit(db, row, &raised));
        QCOMPARE(raised, 1);
        QCOMPARE(app.rows(QStringLiteral("SELECT Rule, PeriodDate, Message FROM Alarm WHERE AckAt IS NULL")),
                 QStringList{QStringLiteral("2|2024-02-09|R2, facility A: nine days in a row above p-bar (10.0%), today 20.0%")});
    }

    // A defect typed at the station raises the red line without a message box or a
    // move of the focus; Ctrl+K asks for the cause and the action and stores them.
    void bannerAndAcknowledgement() {
        TestAppFolder app;
        fill(app);
        Dialogs::Scripted dialogs;
        auto* form = showFormAs<DataEntryForm>(QStringLiteral("frmDataEntry"));
        QVERIFY(form);
        const QList<QPair<const char*, const char*>> typed{{"txtFacility", "A"}, {"txtModelNumber", "M1"},
            {"txtSerialNumber", "R4-NEW"}, {"txtInspectorNumber", "I1"},
            {"txtStation", "R4"}, {"txtPartNum", "P2"}, {"txtDefectCode", "LS"}, {"txtLocationCode", "1"}};
        for (const auto& t : typed)
            form->findChild<QLineEdit*>(QLatin1String(t.first))->setText(QLatin1String(t.second));
        form->findChild<MaskedDateBox*>(QStringLiteral("MaskEdBox1"))->setValue(QDate(2024, 4, 1));
        dialogs.answers << Dialogs::Answer::Yes << Dialogs::Answer::No;  // store the unknown codes; no other defect
        form->submit();
        AlarmBanner* banner = form->alarmBanner();
        QCOMPARE(banner->text(), QStringLiteral("R4, facility A: LOOSE SCREW on 3 of the last 20 units"));
        QCOMPARE(dialogs.messages.size(), 2);
        QVERIFY(QApplication::focusWidget() && !banner->isAncestorOf(QApplication::focusWidget()));
        dialogs.inputAnswers << QStringLiteral("bad batch of screws") << QStringLiteral("batch replaced");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_K, Qt::ControlModifier);
        QCOMPARE(app.rows(QStringLiteral("SELECT Rule, AckBy IS NOT NULL, AckAt IS NOT NULL, Cause, Action FROM Alarm")),
                 QStringList{QStringLiteral("4|1|1|bad batch of screws|batch replaced")});
        QVERIFY(banner->isHidden());
    }

    // A database made before the alarms gets their tables on opening.
    void upgradeAddsTables() {
        TestAppFolder app;
        app.exec(QStringLiteral("DROP TABLE Alarm; DROP TABLE ControlLimit"));
        QVERIFY(Schema::upgradeFile(app.database()));
        QCOMPARE(app.scalar(QStringLiteral("SELECT count(*) FROM Alarm")).toInt(), 0);
        QCOMPARE(app.scalar(QStringLiteral("SELECT count(*) FROM ControlLimit")).toInt(), 0);
    }
};

QTEST_MAIN(TestAlarms)
#include "tst_alarms.moc"
