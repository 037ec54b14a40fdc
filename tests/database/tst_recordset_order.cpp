// A record set on a statement without ORDER BY presents the rows in the
// table's natural (insertion) order, also where a key's index could serve it.
#include <QTest>

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
};

QTEST_MAIN(TestRecordSetOrder)
#include "tst_recordset_order.moc"
