// The three-key sort of the inspection records: the dialog's lists and
// options, and the exact statements it makes the browser run.
#include <QComboBox>
#include <QRadioButton>

#include "tables/InspectionSortDialog.h"
#include "tst_browser_support.h"

using namespace browsertest;

namespace {
const QString kPrefix = QStringLiteral(
    "select InspectionID, Facility, ModelNumber, SerialNum, InspectorNum, Date, Station, PartNum, DefectCode, LocationCode, "
    "InspNum, IDate, OperatorNum, ODate, ReworkNum, Notes from InspectionRecord order by ");
}

class TestSortInspection : public QObject {
    Q_OBJECT
    std::unique_ptr<Fixture> fx;

    InspectionSortDialog* openDialog(TableBrowser* b) {
        return click(b, "cmdSort") ? FormRegistry::instance().formAs<InspectionSortDialog>(QStringLiteral("frmSortInsp")) : nullptr;
    }
    // Chooses a list entry as a user does: the box takes nothing else.
    void chooseKey(InspectionSortDialog* d, int key, const QString& entry) {
        QComboBox* box = d->keyBox(key);
        const int i = box->findText(entry);
        QVERIFY2(i >= 0, qPrintable(entry));
        box->setCurrentIndex(i);
    }
    void chooseDirection(InspectionSortDialog* d, int key, int element) {
        QTest::mouseClick(d->directionOption(key, element), Qt::LeftButton);
    }

private slots:
    void initTestCase() { initFormTests(); }
    void init() {
        fx = std::make_unique<Fixture>(QStringLiteral(
            "INSERT INTO InspectionRecord (Facility, ModelNumber, SerialNum, Date, Station, ReworkNum) VALUES"
            " ('B', 'M2', 'S1', '2024-03-05', 'ST2', 1), ('A', 'M1', 'S2', '2024-01-10', 'ST1', 1),"
            " ('A', 'M1', 'S1', '2024-02-20', 'ST3', 1), ('B', 'M1', 'S1', '2024-02-21', 'ST1', 2),"
            " ('A', 'M3', 'S1', '2024-02-21', 'ST3', 1)"));
    }
    void cleanup() { fx.reset(); }

    // Cancel leaves the browser as it was and the next opening starts empty;
    // OK after the browser closed only closes the dialog.
    void dialogAtOpeningCancelAndOk() {
        TableBrowser* b = open(QStringLiteral("tblInspection"));
        InspectionSortDialog* d = openDialog(b);
        QVERIFY(d && d->isVisible());
        // InspectionID is a first key only; nothing typed reaches the statement.
        QCOMPARE(d->keyBox(1)->itemText(1), QStringLiteral("InspectionID"));
        for (int k = 1; k <= 3; ++k)
            QVERIFY(!d->keyBox(k)->isEditable());
        QCOMPARE(d->keyBox(2)->findText(QStringLiteral("InspectionID")), -1);
        chooseKey(d, 1, QStringLiteral("Date"));
        QVERIFY(click(d, "cmdCancel"));
        QVERIFY(!FormRegistry::instance().isLoaded(QStringLiteral("frmSortInsp")));
        QCOMPARE(b->recordSet()->sql(), kPrefix + QStringLiteral("ModelNumber, SerialNum, Station"));
        d = openDialog(b);
        QCOMPARE(d->keyBox(1)->currentText(), QString());
        chooseKey(d, 1, QStringLiteral("Date"));
        QVERIFY(click(b, "cmdClose"));
        QVERIFY(click(d, "cmdOk"));
        QVERIFY(!FormRegistry::instance().isLoaded(QStringLiteral("frmSortInsp")));
        QVERIFY(fx->dialogs.messages.isEmpty());
    }

    // The keys chosen ("" leaves a box as it opened) with their directions
    // (-1 leaves them as they opened): the statement and the rows' order.
    void keysMakeTheStatement_data() {
        QTest::addColumn<QStringList>("keys");
        QTest::addColumn<QList<int>>("directions");
        QTest::addColumn<QString>("orderBy");
        QTest::addColumn<QStringList>("ids");
        QTest::newRow("nothing chosen: the order at opening") << QStringList{"", "", ""} << QList<int>{-1, -1, -1}
                                                              << "ModelNumber, SerialNum, Station" << QStringList{"4", "3", "2", "1", "5"};
        QTest::newRow("no direction chosen: ascending") << QStringList{"Facility", "Station", "Date"} << QList<int>{-1, 1, -1}
                                                        << "Facility ASC ,Station DESC ,Date ASC " << QStringList{"3", "5", "2", "1", "4"};
        QTest::newRow("three keys") << QStringList{"ModelNumber", "SerialNum", "Date"} << QList<int>{0, 1, -1}
                                    << "ModelNumber ASC ,SerialNum DESC ,Date ASC " << QStringList{"2", "3", "4", "1", "5"};
        QTest::newRow("first key none") << QStringList{"(none)", "Station", "Date"} << QList<int>{-1, 1, 1}
                                        << "Station DESC ,Date DESC " << QStringList{"5", "3", "1", "4", "2"};
        QTest::newRow("the others none") << QStringList{"InspectionID", "(none)", "(none)"} << QList<int>{1, -1, -1}
                                         << "InspectionID DESC " << QStringList{"5", "4", "3", "2", "1"};
    }
    void keysMakeTheStatement() {
        QFETCH(QStringList, keys);
        QFETCH(QList<int>, directions);
        QFETCH(QString, orderBy);
        QFETCH(QStringList, ids);
        TableBrowser* b = open(QStringLiteral("tblInspection"));
        QVERIFY(click(b, "cmdLast"));
        InspectionSortDialog* d = openDialog(b);
        for (int k = 1; k <= 3; ++k) {
            if (!keys[k - 1].isEmpty())
                chooseKey(d, k, keys[k - 1]);
            if (directions[k - 1] >= 0)
                chooseDirection(d, k, directions[k - 1]);
        }
        QVERIFY(click(d, "cmdOk"));
        QVERIFY(!FormRegistry::instance().isLoaded(QStringLiteral("frmSortInsp")));
        QVERIFY(fx->dialogs.messages.isEmpty());
        QCOMPARE(b->recordSet()->sql(), kPrefix + orderBy);
        QCOMPARE(column(b, 0), ids);
        QCOMPARE(status(b), QStringLiteral("Record 1 of 5"));
    }

    // Refresh keeps the sort; a row without a date comes first, on either engine.
    void refreshKeepsTheSort() {
        TableBrowser* b = open(QStringLiteral("tblInspection"));
        InspectionSortDialog* d = openDialog(b);
        chooseKey(d, 1, QStringLiteral("Date"));
        QVERIFY(click(d, "cmdOk"));
        fx->folder.exec(QStringLiteral("INSERT INTO InspectionRecord (Facility, Station) VALUES ('A', 'ST9')"));
        QVERIFY(click(b, "cmdRefresh"));
        QCOMPARE(b->recordSet()->sql(), kPrefix + QStringLiteral("Date ASC "));
        QCOMPARE(column(b, 0).mid(0, 3), (QStringList{"6", "2", "3"}));
    }
};

QTEST_MAIN(TestSortInspection)
#include "tst_sort_inspection.moc"
