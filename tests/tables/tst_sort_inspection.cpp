// The three-key sort of the inspection records: the dialog's lists and
// options, the exact statements it makes the browser run, and the database's
// message when the first key is missing.
#include <QComboBox>
#include <QRadioButton>

#include "TestAppFolder.h"
#include "shell/FormCatalog.h"
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
private:
    TestAppFolder* m_folder = nullptr;
    Dialogs::Scripted* m_dialogs = nullptr;

    InspectionSortDialog* openDialog(TableBrowser* b) {
        if (!click(b, "cmdSort"))
            return nullptr;
        return FormRegistry::instance().formAs<InspectionSortDialog>(QStringLiteral("frmSortInsp"));
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
        m_folder = new TestAppFolder(TestAppFolder::Data::Blank);
        m_dialogs = new Dialogs::Scripted;
        m_folder->exec(QStringLiteral(
            "INSERT INTO InspectionRecord (Facility, ModelNumber, SerialNum, Date, Station, ReworkNum) VALUES"
            " ('B', 'M2', 'S1', '2024-03-05', 'ST2', 1),"
            " ('A', 'M1', 'S2', '2024-01-10', 'ST1', 1),"
            " ('A', 'M1', 'S1', '2024-02-20', 'ST3', 1),"
            " ('B', 'M1', 'S1', '2024-02-21', 'ST1', 2),"
            " ('A', 'M3', 'S1', '2024-02-21', 'ST3', 1)"));
    }
    void cleanup() {
        unloadAllForms();
        delete m_dialogs;
        delete m_folder;
    }

    void dialogAtOpening() {
        TableBrowser* b = open(QStringLiteral("tblInspection"));
        InspectionSortDialog* d = openDialog(b);
        QVERIFY(d);
        QVERIFY(d->isVisible() && d->isWindow());
        QCOMPARE(d->windowTitle(), QStringLiteral("Record Sort Order"));
        QStringList first;
        for (int i = 0; i < d->keyBox(1)->count(); ++i)
            first << d->keyBox(1)->itemText(i);
        QCOMPARE(first, (QStringList{"(none)", "InspectionID", "Facility", "ModelNumber", "SerialNum", "InspectorNum", "Date",
                                     "Station", "PartNum", "DefectCode", "LocationCode", "InspNum", "IDate", "OperatorNum", "ODate"}));
        for (int k = 2; k <= 3; ++k) {
            QStringList then;
            for (int i = 0; i < d->keyBox(k)->count(); ++i)
                then << d->keyBox(k)->itemText(i);
            QStringList expected = first;
            expected.removeAll(QStringLiteral("InspectionID"));
            QCOMPARE(then, expected);
        }
        for (int k = 1; k <= 3; ++k) {
            QCOMPARE(d->keyBox(k)->currentText(), QString());
            QVERIFY(!d->keyBox(k)->isEditable());  // nothing typed reaches the statement
            QCOMPARE(d->directionOption(k, 0)->text(), QStringLiteral("Ascending"));
            QCOMPARE(d->directionOption(k, 1)->text(), QStringLiteral("Descending"));
            QCOMPARE(d->directionOption(k, 0)->isChecked(), k > 1);
            QVERIFY(!d->directionOption(k, 1)->isChecked());
        }
        // Cancel leaves the browser as it was; the next opening starts empty.
        chooseKey(d, 1, QStringLiteral("Date"));
        QVERIFY(click(d, "cmdCancel"));
        QVERIFY(!FormRegistry::instance().isLoaded(QStringLiteral("frmSortInsp")));
        QCOMPARE(b->recordSet()->sql(), kPrefix + QStringLiteral("ModelNumber, SerialNum, Station"));
        d = openDialog(b);
        QCOMPARE(d->keyBox(1)->currentText(), QString());
    }

    void twoKeysWithTheThirdEmpty() {
        TableBrowser* b = open(QStringLiteral("tblInspection"));
        InspectionSortDialog* d = openDialog(b);
        chooseKey(d, 1, QStringLiteral("Facility"));  // no direction chosen: ascending
        chooseKey(d, 2, QStringLiteral("Station"));
        chooseDirection(d, 2, 1);
        QVERIFY(click(d, "cmdOk"));
        QVERIFY(!FormRegistry::instance().isLoaded(QStringLiteral("frmSortInsp")));
        QCOMPARE(status(b), QStringLiteral("Record: 1"));
        QCOMPARE(b->recordSet()->sql(), kPrefix + QStringLiteral("Facility ASC ,Station DESC "));
        QStringList pairs;
        for (int r = 0; r < b->gridModel()->rowCount(); ++r)
            pairs << column(b, 1).at(r) + column(b, 6).at(r);
        QCOMPARE(pairs, (QStringList{"AST3", "AST3", "AST1", "BST2", "BST1"}));
        // Refresh keeps the sort.
        m_folder->exec(QStringLiteral("INSERT INTO InspectionRecord (Facility, Station) VALUES ('A', 'ST9')"));
        QVERIFY(click(b, "cmdRefresh"));
        QCOMPARE(b->recordSet()->sql(), kPrefix + QStringLiteral("Facility ASC ,Station DESC "));
        QCOMPARE(column(b, 6).first(), QStringLiteral("ST9"));
    }

    void threeKeysAndNoneLeftOut() {
        TableBrowser* b = open(QStringLiteral("tblInspection"));
        InspectionSortDialog* d = openDialog(b);
        chooseKey(d, 1, QStringLiteral("ModelNumber"));
        chooseDirection(d, 1, 0);
        chooseKey(d, 2, QStringLiteral("SerialNum"));
        chooseDirection(d, 2, 1);
        chooseKey(d, 3, QStringLiteral("Date"));
        QVERIFY(click(d, "cmdOk"));
        QCOMPARE(b->recordSet()->sql(), kPrefix + QStringLiteral("ModelNumber ASC ,SerialNum DESC ,Date ASC "));
        QCOMPARE(column(b, 0), (QStringList{"2", "3", "4", "1", "5"}));

        d = openDialog(b);
        chooseKey(d, 1, QStringLiteral("InspectionID"));
        chooseDirection(d, 1, 1);
        chooseKey(d, 2, QStringLiteral("(none)"));
        chooseKey(d, 3, QStringLiteral("(none)"));
        QVERIFY(click(d, "cmdOk"));
        QCOMPARE(b->recordSet()->sql(), kPrefix + QStringLiteral("InspectionID DESC "));
        QCOMPARE(column(b, 0), (QStringList{"5", "4", "3", "2", "1"}));
        QVERIFY(m_dialogs->messages.isEmpty());
    }

    void emptyKeysAreSkipped() {
        TableBrowser* b = open(QStringLiteral("tblInspection"));
        QVERIFY(click(b, "cmdLast"));
        InspectionSortDialog* d = openDialog(b);
        QVERIFY(click(d, "cmdOk"));  // nothing chosen: the order at opening
        QVERIFY(m_dialogs->messages.isEmpty());
        QCOMPARE(b->recordSet()->sql(), kPrefix + QStringLiteral("ModelNumber, SerialNum, Station"));
        QCOMPARE(column(b, 0), (QStringList{"4", "3", "2", "1", "5"}));
        QVERIFY(!FormRegistry::instance().isLoaded(QStringLiteral("frmSortInsp")));

        d = openDialog(b);
        chooseKey(d, 1, QStringLiteral("(none)"));
        chooseKey(d, 2, QStringLiteral("Station"));
        chooseDirection(d, 2, 1);
        QVERIFY(click(d, "cmdOk"));
        QVERIFY(m_dialogs->messages.isEmpty());
        QCOMPARE(b->recordSet()->sql(), kPrefix + QStringLiteral("Station DESC "));
        QCOMPARE(column(b, 6).first(), QStringLiteral("ST3"));
    }

    void okAfterTheBrowserClosedOnlyClosesTheDialog() {
        TableBrowser* b = open(QStringLiteral("tblInspection"));
        InspectionSortDialog* d = openDialog(b);
        chooseKey(d, 1, QStringLiteral("Date"));
        QVERIFY(click(b, "cmdClose"));
        QVERIFY(click(d, "cmdOk"));
        QVERIFY(!FormRegistry::instance().isLoaded(QStringLiteral("frmSortInsp")));
        QVERIFY(!FormRegistry::instance().isLoaded(QStringLiteral("tblInspection")));
        QVERIFY(m_dialogs->messages.isEmpty());
    }
};

QTEST_MAIN(TestSortInspection)
#include "tst_sort_inspection.moc"
