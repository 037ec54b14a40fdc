// The data entry screen on a large Inspection database: opening it until its
// new row shows after the stored ones, and one Submit Record (store, count, prepare the next row)
// with the count query, against the same Submit counting by a full scan.
#include <cstdio>
#include <memory>

#include <QCoreApplication>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>

#include "Bench.h"
#include "database/AuditTrail.h"
#include "database/Schema.h"
#include "database/RecordNavigator.h"
#include "database/RecordSet.h"
#include "dataentry/DataEntryForm.h"
#include "monitor/AlarmCheck.h"
#include "platform/AppPaths.h"
#include "platform/Dialogs.h"
#include "platform/FileSystem.h"
#include "platform/FormRegistry.h"
#include "platform/MaskedDateBox.h"
#include "shell/FormCatalog.h"

namespace {

const QString kForm = QStringLiteral("frmDataEntry");

// An application folder holding a copy of the large database.
struct Folder {
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<Dialogs::Scripted> dialogs;  // a pass asks nothing
    int serial = 0;
    QString model;

    void make() {
        static bool registered = false;
        if (!registered) {
            registerDataEntryForms();
            registered = true;
        }
        const QString source = Bench::largeDatabase(Bench::rows());
        dir = std::make_unique<QTemporaryDir>(Bench::folder() + QStringLiteral("/dataentry-XXXXXX"));
        const Status s = FileSystem::copyFile(source, dir->path() + QStringLiteral("/kelid.mdb"));
        if (!s) {
            std::fprintf(stderr, "bench_dataentry: %s\n", qPrintable(s.error()));
            std::exit(1);
        }
        AppPaths::setFolder(dir->path());
        dialogs = std::make_unique<Dialogs::Scripted>();
        serial = 0;
    }
    void release() {
        FormRegistry::instance().unload(kForm);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        dialogs.reset();
        dir.reset();
    }
};
Folder g_folder;

DataEntryForm* openForm() {
    FormRegistry::instance().show(kForm);
    return FormRegistry::instance().formAs<DataEntryForm>(kForm);
}

// The count as the screen first made it: a cursor over every row of the
// table, compared in the program, here on the connection that stored the row.
int scanCount(Database& db, const InspectedUnit& unit, qint64 inspectionId) {
    RecordSet rs;
    if (!rs.open(DatabasePtr(&db, [](Database*) {}),
                 QStringLiteral("Select InspectionID,ModelNumber,SerialNum,Station From InspectionRecord"),
                 RecordSet::CursorType::Keyset))
        return 0;
    int count = 0;
    if (!rs.moveLast() || !rs.moveFirst())
        return 0;
    while (!rs.eof()) {
        const QVariant model = rs.value(QStringLiteral("ModelNumber"));
        const QVariant serial = rs.value(QStringLiteral("SerialNum"));
        const QVariant station = rs.value(QStringLiteral("Station"));
        if (rs.value(QStringLiteral("InspectionID")).toLongLong() <= inspectionId && !model.isNull() &&
            !serial.isNull() && !station.isNull() && model.toString() == unit.modelNumber &&
            serial.toString() == unit.serialNumber && station.toString() == unit.station) {
            if (count == ReworkCounter::maxCount)
                break;
            ++count;
        }
        if (!rs.moveNext())
            break;
    }
    return count;
}

void submitSetup(bool scan, bool trail = true) {
    g_folder.make();
    // The same file with the audit trail's triggers taken off, side by side.
    if (!trail) {
        Database db;
        Status s = db.open(Schema::livePath());
        if (s)
            s = AuditTrail::suspend(db);
        if (!s) {
            std::fprintf(stderr, "bench_dataentry: %s\n", qPrintable(s.error()));
            std::exit(1);
        }
    }
    DataEntryForm* form = openForm();
    if (scan)
        form->setReworkCount(&scanCount);
    form->findChild<QLineEdit*>(QStringLiteral("txtFacility"))->setText(QStringLiteral("A"));
    // Codes the reference tables hold, so Submit asks nothing about them.
    Database db;
    db.open(Schema::databaseName(), Database::Mode::ReadOnly);
    auto first = [&](const char* sql) {
        SqlStatement st(db, QString::fromLatin1(sql));
        return st.next() ? st.value(0).toString() : QString();
    };
    g_folder.model = first("SELECT min(ModelNumber) FROM Model");
    form->findChild<QLineEdit*>(QStringLiteral("txtInspectorNumber"))->setText(first("SELECT min(EmployeeNum) FROM Employees"));
    form->findChild<QLineEdit*>(QStringLiteral("MaskEdBox1"))->setText(QStringLiteral("12/31/2026"));
    form->findChild<QLineEdit*>(QStringLiteral("txtStation"))->setText(first("SELECT min(StationID) FROM Station"));
}

// One unit passed: the model and serial typed, Pass, Submit Record (a pass
// asks nothing).
void submitOne() {
    DataEntryForm* form = FormRegistry::instance().formAs<DataEntryForm>(kForm);
    form->findChild<QLineEdit*>(QStringLiteral("txtModelNumber"))->setText(g_folder.model);
    form->findChild<QLineEdit*>(QStringLiteral("txtSerialNumber"))
        ->setText(QStringLiteral("SN%1").arg(++g_folder.serial % 3));
    form->pass();
    const qint64 written = form->navigator()->lastModified();
    form->submit();
    if (!g_folder.dialogs->messages.isEmpty() || form->navigator()->lastModified() == written) {
        std::fprintf(stderr, "bench_dataentry: Submit failed: %s\n",
                     qPrintable(g_folder.dialogs->messages.value(0).text));
        std::exit(1);
    }
}

// The run rules after Submit, side by side: limits in force at the station
// (every rule on), the check on or off. A defect row also runs rule 4. The
// file keeps each station's days in triggers the check reads; without them
// (kept false) a Submit writes as it did before the rules.
const QString kDropDayTriggers =
    QStringLiteral("DROP TRIGGER StationDayAdded; DROP TRIGGER StationDayRemoved; DROP TRIGGER StationDayChanged");

void rulesSetup(bool on, bool kept = true) {
    submitSetup(false);
    Schema::upgradeFile(Schema::livePath());  // a database made before the limits
    // The rules are the yield trend's: its definition beside the database, as shipped.
    QFile::copy(QCoreApplication::applicationDirPath() + QStringLiteral("/../app/yield_trend.rpt"),
                AppPaths::folder() + QStringLiteral("/yield_trend.rpt"));
    Database db;
    db.open(Schema::databaseName());
    SqlStatement st(db, QStringLiteral("INSERT INTO ControlLimit (Facility, Station, BaselineBegin, BaselineEnd, PBar, Days, "
                                       "Units, SetAt) VALUES ('A', (SELECT min(StationID) FROM Station), '2020-01-01', "
                                       "'2020-12-31', 0.1, 250, 10000, 'bench')"));
    if (const Status s = st.run(); !s) {
        std::fprintf(stderr, "bench_dataentry: %s\n", qPrintable(s.error()));
        std::exit(1);
    }
    // The rows go to the station's last day, as a station's rows of today would.
    SqlStatement last(db, QStringLiteral("SELECT max(Date) FROM InspectionRecord WHERE Facility = 'A' AND Station = "
                                         "(SELECT min(StationID) FROM Station)"));
    const QDate day = last.next() ? QDate::fromString(last.value(0).toString(), Qt::ISODate) : QDate();
    FormRegistry::instance().formAs<DataEntryForm>(kForm)->findChild<MaskedDateBox*>(QStringLiteral("MaskEdBox1"))->setValue(day);
    AlarmCheck::setEnabled(on);
    if (!kept && !db.exec(kDropDayTriggers))
        std::exit(1);
}

// One unit with a defect: a part, defect code and location of the tables, Submit, No to another defect.
void submitDefect() {
    DataEntryForm* form = FormRegistry::instance().formAs<DataEntryForm>(kForm);
    static QString codes[3];
    if (codes[0].isEmpty()) {
        Database db;
        db.open(Schema::databaseName(), Database::Mode::ReadOnly);
        const char* const sql[3] = {"SELECT max(partnum) FROM Parts", "SELECT max(defectcode) FROM defects",
                                    "SELECT max(locationcode) FROM location"};
        for (int i = 0; i < 3; ++i) {
            SqlStatement st(db, QString::fromLatin1(sql[i]));
            codes[i] = st.next() ? st.value(0).toString() : QString();
        }
    }
    form->findChild<QLineEdit*>(QStringLiteral("txtModelNumber"))->setText(g_folder.model);
    form->findChild<QLineEdit*>(QStringLiteral("txtSerialNumber"))->setText(QStringLiteral("SD%1").arg(++g_folder.serial));
    const char* const boxes[3] = {"txtPartNum", "txtDefectCode", "txtLocationCode"};
    for (int i = 0; i < 3; ++i)
        form->findChild<QLineEdit*>(QLatin1String(boxes[i]))->setText(codes[i]);
    const qint64 written = form->navigator()->lastModified();
    form->submit();
    if (g_folder.dialogs->messages.size() != 1 || form->navigator()->lastModified() == written) {
        std::fprintf(stderr, "bench_dataentry: Submit failed: %s\n", qPrintable(g_folder.dialogs->texts().join(QLatin1Char('|'))));
        std::exit(1);
    }
    g_folder.dialogs->clear();
}

struct RulesCase {
    const char* name;
    const char* baseline;
    bool on;
    bool defect;
    bool kept;
};
const RulesCase kRulesCases[] = {
    {"dataentry: submit a pass, days not kept, rule check off", nullptr, false, false, false},
    {"dataentry: submit a pass, rule check off", "dataentry: submit a pass, days not kept, rule check off", false, false, true},
    {"dataentry: submit a pass, rule check", "dataentry: submit a pass, days not kept, rule check off", true, false, true},
    {"dataentry: submit a defect, days not kept, rule check off", nullptr, false, true, false},
    {"dataentry: submit a defect, rule check off", "dataentry: submit a defect, days not kept, rule check off", false, true, true},
    {"dataentry: submit a defect, rule check", "dataentry: submit a defect, days not kept, rule check off", true, true, true}};
const bool kRulesRegistered = [] {
    for (const RulesCase& c : kRulesCases)
        Bench::add(Bench::Case{QString::fromLatin1(c.name), c.baseline ? QString::fromLatin1(c.baseline) : QString(),
                               [on = c.on, kept = c.kept] { rulesSetup(on, kept); }, c.defect ? &submitDefect : &submitOne,
                               [] { g_folder.release(); AlarmCheck::setEnabled(true); }, 61});
    return true;
}();

// The check alone, on the screen's own rows: the rules for a pass and for a defect row.
Database g_checker;
AlarmCheck::Row g_row;
void checkSetup() {
    rulesSetup(true);
    submitDefect();
    g_checker.open(Schema::databaseName());
    DataEntryForm* form = FormRegistry::instance().formAs<DataEntryForm>(kForm);
    SqlStatement st(g_checker, QStringLiteral("SELECT Facility, Station, ModelNumber, DefectCode, Date FROM InspectionRecord "
                                              "WHERE InspectionID = ?"));
    st.bind(1, form->navigator()->lastModified());
    if (!st.next()) {
        std::fprintf(stderr, "bench_dataentry: the row submitted is not there\n");
        std::exit(1);
    }
    g_row = {st.value(0).toString(), st.value(1).toString(), st.value(2).toString(), st.value(3).toString(),
             QDate::fromString(st.value(4).toString(), Qt::ISODate)};
}
void checkOnce(bool defect) {
    QList<AlarmCheck::Fired> fired;
    AlarmCheck::Row row = g_row;
    if (!defect)
        row.defectCode = Schema::passDefect();
    if (const Status s = AlarmCheck::evaluate(g_checker, row, &fired); !s) {
        std::fprintf(stderr, "bench_dataentry: %s\n", qPrintable(s.error()));
        std::exit(1);
    }
}
const bool kCheckRegistered = [] {
    for (const bool defect : {false, true})
        Bench::add(Bench::Case{defect ? QStringLiteral("dataentry: rule check alone, defect row")
                                      : QStringLiteral("dataentry: rule check alone, pass row"),
                               QString(), &checkSetup, [defect] { checkOnce(defect); },
                               [] { g_checker.close(); g_folder.release(); }, 61});
    return true;
}();

// The check alone on the server's copy of the rows: a limit set at the first
// station of facility A for the run, and that station's last defect row.
void serverCheckSetup() {
    Status s = g_checker.open(Bench::serverDatabase(Bench::rows()));
    if (s)
        s = g_checker.exec(QStringLiteral(
            "INSERT INTO ControlLimit (Facility, Station, BaselineBegin, BaselineEnd, PBar, Days, Units, SetAt) VALUES "
            "('A', (SELECT min(StationID) FROM Station), '2020-01-01', '2020-12-31', 0.1, 250, 10000, 'bench')"));
    SqlStatement st(g_checker, QStringLiteral(
        "SELECT Facility, Station, ModelNumber, DefectCode, Date FROM InspectionRecord WHERE Facility = 'A' AND "
        "Station = (SELECT min(StationID) FROM Station) AND DefectCode <> '1' ORDER BY InspectionID DESC LIMIT 1"));
    if (!s || !st.next()) {
        std::fprintf(stderr, "bench_dataentry: %s\n", qPrintable(s ? st.status().error() : s.error()));
        std::exit(1);
    }
    g_row = {st.value(0).toString(), st.value(1).toString(), st.value(2).toString(), st.value(3).toString(),
             QDate::fromString(st.value(4).toString(), Qt::ISODate)};
}
const bool kServerCheckRegistered = [] {
    for (const bool defect : {false, true})
        Bench::add(Bench::Case{defect ? QStringLiteral("server: dataentry: rule check alone, defect row")
                                      : QStringLiteral("server: dataentry: rule check alone, pass row"),
                               QString(), &serverCheckSetup, [defect] { checkOnce(defect); },
                               [] {
                                   g_checker.exec(QStringLiteral("DELETE FROM ControlLimit WHERE SetAt = 'bench'"));
                                   g_checker.close();
                               },
                               61});
    return true;
}();

// Opening a file made before the figures per station and day: the program
// counts them from the rows once, at start.
void dropDays() {
    Database db;
    if (!db.open(Schema::livePath()) ||
        !db.exec(QStringLiteral("DROP TABLE StationDay; ") + kDropDayTriggers))
        std::exit(1);
}
Bench::Registrar countDays{Bench::Case{
    QStringLiteral("upkeep: a file made before the figures per day counts them"), QString(),
    [] {
        g_folder.make();
        dropDays();
    },
    [] {
        if (const Status s = Schema::upgradeFile(Schema::livePath()); !s) {
            std::fprintf(stderr, "bench_dataentry: %s\n", qPrintable(s.error()));
            std::exit(1);
        }
    },
    [] { g_folder.release(); }, 3, &dropDays}};

Bench::Registrar open{Bench::Case{
    QStringLiteral("dataentry: open screen to first row (and close)"), QString(), [] { g_folder.make(); },
    [] {
        DataEntryForm* form = openForm();
        if (!form->navigator()->isNewRow() || form->navigator()->recordCount() != Bench::rows()) {
            std::fprintf(stderr, "bench_dataentry: no new row after the stored ones\n");
            std::exit(1);
        }
        FormRegistry::instance().unload(kForm);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    },
    [] { g_folder.release(); }, 7}};

Bench::Registrar scan{Bench::Case{QStringLiteral("dataentry: submit, scan count (baseline)"), QString(),
                                  [] { submitSetup(true); }, &submitOne, [] { g_folder.release(); }, 3}};

Bench::Registrar query{Bench::Case{QStringLiteral("dataentry: submit, count query"),
                                   QStringLiteral("dataentry: submit, scan count (baseline)"),
                                   [] { submitSetup(false); }, &submitOne, [] { g_folder.release(); }, 31}};

Bench::Registrar untrailed{Bench::Case{QStringLiteral("dataentry: submit, count query, no audit trail"),
                                       QStringLiteral("dataentry: submit, count query"),
                                       [] { submitSetup(false, false); }, &submitOne, [] { g_folder.release(); }, 31}};

}  // namespace
