// A record set on a statement without ORDER BY presents the rows in the
// table's natural (insertion) order, also where a key's index could serve it.
// On a large table it shows its first rows at once and reads the rest in the
// background: Last, edits and deletes made meanwhile keep rows and order right.
#include <QTest>

#include "database/Database.h"

#include "TestAppFolder.h"
#include "database/RecordSet.h"
#include "database/Schema.h"
#include "platform/AppPaths.h"

class TestRecordSetOrder : public QObject {
    Q_OBJECT
private slots:
    void naturalOrderWithoutOrderBy() {
        TestAppFolder folder(TestAppFolder::Data::Blank);
        folder.exec(QStringLiteral("DELETE FROM defects; INSERT INTO defects VALUES ('3', 'c'), ('1', 'a'), ('2', 'b')"));
        RecordSet rs;
        QVERIFY(rs.open(Schema::browserConnectPrefix() + AppPaths::folder() + QStringLiteral("\\kelid.mdb"),
                        QStringLiteral("select defectcode, defectdescription from defects")).isOk());
        QStringList codes;
        for (int r = 0; r < rs.recordCount(); ++r)
            codes << rs.valueAt(r, 0).toString();
        QCOMPARE(codes, (QStringList{"3", "1", "2"}));
        QVERIFY(rs.open(Schema::browserConnectPrefix() + AppPaths::folder() + QStringLiteral("\\kelid.mdb"),
                        QStringLiteral("select defectcode from defects Order by defectcode DESC")).isOk());
        QCOMPARE(rs.valueAt(0, 0).toString(), QStringLiteral("3"));
        QCOMPARE(rs.valueAt(2, 0).toString(), QStringLiteral("1"));
    }

    void largeOrderArrivesInTwoParts_data() {
        QTest::addColumn<QString>("order");
        QTest::addColumn<bool>("wideKeys");  // some rowids past 32 bits
        QTest::newRow("index order") << QStringLiteral("ModelNumber, SerialNum, Station") << false;
        QTest::newRow("three keys, mixed directions") << QStringLiteral("Facility ASC ,Date DESC ,SerialNum ASC ") << false;
        QTest::newRow("no keys") << QString() << false;
        QTest::newRow("three keys, rowids past 32 bits") << QStringLiteral("Facility ASC ,Date DESC ,SerialNum ASC ") << true;
        QTest::newRow("no keys, rowids past 32 bits") << QString() << true;
    }

    void largeOrderArrivesInTwoParts() {
        QFETCH(QString, order);
        QFETCH(bool, wideKeys);
        TestAppFolder folder(TestAppFolder::Data::Blank);
        const int rows = RecordSet::kFirstRows * 3 + 17;
        // Repeated keys and NULLs, so the rowid settles ties.
        folder.exec(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                                   "INSERT INTO InspectionRecord (Facility, ModelNumber, SerialNum, Date, Station, ReworkNum) "
                                   "SELECT char(65 + i % 3), CASE WHEN i % 11 = 0 THEN NULL ELSE 'M' || (i % 7) END, 'S' || (i % 50), "
                                   "date('2026-01-01', '+' || (i % 40) || ' days'), 'T' || (i % 4), 1 FROM n").arg(rows));
        if (wideKeys)
            folder.exec(QStringLiteral("UPDATE InspectionRecord SET InspectionID = InspectionID + 5000000000 "
                                       "WHERE InspectionID % 7 = 3 AND InspectionID > %1").arg(RecordSet::kFirstRows * 2));
        const QString sql = QStringLiteral("select InspectionID, Facility, ModelNumber, SerialNum, Date, Station from InspectionRecord") +
                            (order.isEmpty() ? QString() : QStringLiteral(" order by ") + order);
        const auto expected = [&] {
            return folder.rows(QStringLiteral("SELECT InspectionID FROM InspectionRecord ORDER BY ") +
                               (order.isEmpty() ? QString() : order + QStringLiteral(", ")) + QStringLiteral("rowid"));
        };
        const QStringList all = expected();
        QCOMPARE(all.size(), rows);
        RecordSet rs;
        QVERIFY(rs.open(Schema::browserConnectPrefix() + AppPaths::folder() + QStringLiteral("\\kelid.mdb"), sql).isOk());
        // The first screen and the count at once; the rows between not yet.
        QVERIFY(!rs.isComplete());
        QCOMPARE(rs.recordCount(), rows);
        for (int r : {0, 1, RecordSet::kFirstRows - 1})
            QCOMPARE(rs.valueAt(r, 0).toString(), all[r]);
        QVERIFY(rs.valueAt(RecordSet::kFirstRows + 5, 0).isNull());
        QVERIFY(!rs.setAbsolutePosition(RecordSet::kFirstRows + 5).isOk());
        // Last reads the last screen in the same order.
        QVERIFY(rs.moveLast().isOk());
        QCOMPARE(rs.absolutePosition(), rows - 1);
        QCOMPARE(rs.value(0).toString(), all.last());
        QCOMPARE(rs.valueAt(rows - RecordSet::kFirstRows / 2, 0).toString(), all[rows - RecordSet::kFirstRows / 2]);
        // An edit that would move the last row to the front, and a delete on
        // the first screen, while the rest is read.
        const QString edited = rs.value(0).toString();
        QVERIFY(rs.setValue(QStringLiteral("Facility"), QStringLiteral("0")).isOk());
        QVERIFY(rs.setValue(QStringLiteral("ModelNumber"), QVariant()).isOk());
        QVERIFY(rs.setValue(QStringLiteral("SerialNum"), QStringLiteral("0")).isOk());
        QVERIFY(rs.update().isOk());
        QVERIFY(rs.setAbsolutePosition(3).isOk());
        const QString deleted = rs.value(0).toString();
        QVERIFY(rs.deleteCurrent().isOk());
        QCOMPARE(rs.recordCount(), rows - 1);
        QVERIFY(rs.moveLast().isOk());
        QVERIFY(rs.waitUntilComplete().isOk());
        QVERIFY(rs.isComplete());
        QStringList now;
        for (int r = 0; r < rs.recordCount(); ++r)
            now << rs.valueAt(r, 0).toString();
        QStringList want = all;
        want.removeOne(deleted);
        QCOMPARE(now, want);  // the edited row stays where it was shown
        QCOMPARE(rs.absolutePosition(), rows - 2);
        QCOMPARE(rs.value(0).toString(), edited);
        QCOMPARE(folder.scalar(QStringLiteral("SELECT Facility FROM InspectionRecord WHERE InspectionID = ") + edited).toString(),
                 QStringLiteral("0"));
        // Reopened, the edited row takes its place in the new order.
        QVERIFY(rs.requery().isOk());
        QVERIFY(rs.waitUntilComplete().isOk());
        QCOMPARE(rs.recordCount(), rows - 1);
        if (order.startsWith(QLatin1String("Facility")))
            QCOMPARE(rs.valueAt(0, 0).toString(), edited);
    }
};

QTEST_MAIN(TestRecordSetOrder)
#include "tst_recordset_order.moc"
