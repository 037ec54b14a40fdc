#include "database/Schema.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include "database/AuditTrail.h"
#include "database/ServerUri.h"
#include "database/StationDays.h"
#include "database/postgres/PgSchema.h"
#include "platform/AppPaths.h"
#include "platform/ConfigFile.h"

namespace Schema {

QString databaseFileName() { return QStringLiteral("kelid.mdb"); }

QString livePath() { return AppPaths::join(QStringLiteral("\\kelid.mdb")); }

namespace {
QString g_serverOverride;

// The value of "server = ..." in the folder's configuration file.
QString configuredServer() { return ConfigFile::value(QStringLiteral("server")); }
}  // namespace

QString configFileName() { return QStringLiteral("varnex.conf"); }

void setServerOverride(const QString& uri) { g_serverOverride = uri; }

QString databaseName() {
    if (!g_serverOverride.isEmpty())
        return g_serverOverride;
    const QString server = configuredServer();
    return server.isEmpty() ? livePath() : server;
}

QString connectionTarget() {
    return isServer() ? databaseName() : AppPaths::folder() + QStringLiteral("\\kelid.mdb");
}

bool isServer() { return Database::isServerName(databaseName()); }

QString databaseFile() {
    const QString name = databaseName();
    return Database::isServerName(name) ? QString() : name;
}

QString describe() {
    const QString name = databaseName();
    if (!Database::isServerName(name))
        return name;
    const QString database = ServerUri::database(name);
    return ServerUri::masked(QStringLiteral("%1 on server %2")
                                 .arg(database.isEmpty() ? QStringLiteral("(default database)") : database,
                                      ServerUri::host(name)),
                             name);
}

Status checkConfigFile(QString* warning) {
    if (!ServerUri::hasPassword(configuredServer()))
        return Status::ok();
    const QString path = ConfigFile::path();
    if (QFileInfo(path).permissions() & QFileDevice::ReadOther)
        return Status::fail(QStringLiteral("%1 holds the server's password, and every user of this computer can read "
                                           "it; the server was not used. Make the file readable by its owner alone "
                                           "(chmod 600 %1), or move the password to ~/.pgpass or PGPASSWORD.")
                                .arg(path));
    *warning = QStringLiteral("%1 holds the server's password: keep the file readable by its owner alone (chmod 600), "
                              "or move the password to ~/.pgpass or PGPASSWORD.")
                   .arg(path);
    return Status::ok();
}

QString dataEntryConnectPrefix() { return QStringLiteral("Provider=Microsoft.Jet.OLEDB.3.51;Data source ="); }
QString browserConnectPrefix() { return QStringLiteral("PROVIDER=Microsoft.Jet.OLEDB.3.51;Data Source="); }

QString dataSourceOf(const QString& connectionText) {
    static const QRegularExpression re(QStringLiteral("(?:^|;)\\s*data\\s+source\\s*=([^;]*)"),
                                       QRegularExpression::CaseInsensitiveOption);
    const auto m = re.match(connectionText);
    if (!m.hasMatch())
        return QString();
    const QString source = m.captured(1).trimmed();
    return Database::isServerName(source) ? source : AppPaths::native(source);
}

// Dates are ISO text that must name a real day; a wrong kind of value is
// refused by the STRICT tables with the engine's message.
static const char* const kSchema = R"SQL(
CREATE TABLE InspectionRecord (
  InspectionID INTEGER PRIMARY KEY AUTOINCREMENT,
  Facility TEXT CONSTRAINT "Facility is one character" CHECK (Facility IS NULL OR length(Facility) <= 1),
  ModelNumber TEXT,
  SerialNum TEXT,
  InspectorNum TEXT,
  Date TEXT CONSTRAINT "Date must be a real date" CHECK (Date IS NULL OR date(Date, '+0 days') IS Date),
  Station TEXT,
  PartNum TEXT,
  DefectCode TEXT,
  LocationCode TEXT,
  InspNum TEXT,
  IDate TEXT CONSTRAINT "Prev Inspection Date must be a real date" CHECK (IDate IS NULL OR date(IDate, '+0 days') IS IDate),
  OperatorNum TEXT,
  ODate TEXT CONSTRAINT "Operator Date must be a real date" CHECK (ODate IS NULL OR date(ODate, '+0 days') IS ODate),
  ReworkNum INTEGER,
  Notes TEXT
) STRICT;
CREATE INDEX InspectionUnit ON InspectionRecord (ModelNumber, SerialNum, Station);
CREATE INDEX InspectionDate ON InspectionRecord (Date);
CREATE INDEX InspectionSerial ON InspectionRecord (SerialNum);
CREATE TABLE defects (
  defectcode TEXT NOT NULL PRIMARY KEY,
  defectdescription TEXT
) STRICT;
CREATE TABLE Parts (
  partnum TEXT NOT NULL PRIMARY KEY,
  partdescription TEXT
) STRICT;
CREATE TABLE Model (
  ModelNumber TEXT NOT NULL PRIMARY KEY,
  ModelDescription TEXT
) STRICT;
CREATE TABLE location (
  locationcode TEXT NOT NULL PRIMARY KEY,
  "location description" TEXT
) STRICT;
CREATE TABLE Station (
  StationID TEXT NOT NULL PRIMARY KEY,
  "Station Description" TEXT
) STRICT;
CREATE TABLE Employees (
  EmployeeID INTEGER PRIMARY KEY AUTOINCREMENT,
  EmployeeNum TEXT NOT NULL UNIQUE,
  FirstName TEXT,
  LastName TEXT
) STRICT;
)SQL";

// Kept by the file itself: the number of inspection rows (counting ten million
// rows takes longer than opening a screen should), and the state of the file
// when it was last checked and compacted: its write transactions counted then
// and now (see SqliteFileUse), its pages, and the time of its last full check.
static const char* const kUpkeep = R"SQL(
CREATE TABLE IF NOT EXISTS TableRows (
  TableName TEXT NOT NULL PRIMARY KEY,
  Rows INTEGER NOT NULL
) STRICT;
INSERT OR REPLACE INTO TableRows (TableName, Rows) VALUES ('InspectionRecord', (SELECT count(*) FROM InspectionRecord));
CREATE TRIGGER IF NOT EXISTS InspectionRecordAdded AFTER INSERT ON InspectionRecord BEGIN
  UPDATE TableRows SET Rows = Rows + 1 WHERE TableName = 'InspectionRecord';
END;
CREATE TRIGGER IF NOT EXISTS InspectionRecordRemoved AFTER DELETE ON InspectionRecord BEGIN
  UPDATE TableRows SET Rows = Rows - 1 WHERE TableName = 'InspectionRecord';
END;
CREATE TABLE IF NOT EXISTS Upkeep (
  Id INTEGER PRIMARY KEY CHECK (Id = 1),
  CheckedChange INTEGER NOT NULL,
  CheckedPages INTEGER NOT NULL,
  Writes INTEGER NOT NULL DEFAULT 0,
  CheckedOn TEXT
) STRICT;
)SQL";

// Control limits and the alarms the run rules raise at the stations. A limit
// set is never changed: new limits are a new row, the latest of a facility,
// station and model (empty: every model) is in force. An alarm is open while
// AckAt is empty; the unique index lets one open alarm stand per station,
// model, rule and day, whichever station raises it first.
static const char* const kMonitor = R"SQL(
CREATE TABLE IF NOT EXISTS ControlLimit (
  LimitID INTEGER PRIMARY KEY AUTOINCREMENT,
  Facility TEXT NOT NULL,
  Station TEXT NOT NULL,
  ModelNumber TEXT NOT NULL DEFAULT '',
  BaselineBegin TEXT NOT NULL,
  BaselineEnd TEXT NOT NULL,
  PBar REAL NOT NULL,
  Days INTEGER NOT NULL,
  Units INTEGER NOT NULL,
  Rule1 INTEGER NOT NULL DEFAULT 1,
  Rule2 INTEGER NOT NULL DEFAULT 1,
  Rule3 INTEGER NOT NULL DEFAULT 1,
  Rule4 INTEGER NOT NULL DEFAULT 1,
  Rule4Count INTEGER NOT NULL DEFAULT 3,
  Rule4Units INTEGER NOT NULL DEFAULT 20,
  SetBy TEXT,
  SetAt TEXT NOT NULL
) STRICT;
CREATE INDEX IF NOT EXISTS ControlLimitInForce ON ControlLimit (Facility, Station, ModelNumber, LimitID);
CREATE TABLE IF NOT EXISTS Alarm (
  AlarmID INTEGER PRIMARY KEY AUTOINCREMENT,
  Facility TEXT,
  Station TEXT,
  ModelNumber TEXT,
  Rule INTEGER,
  PeriodDate TEXT,
  Message TEXT,
  RaisedAt TEXT,
  AckBy TEXT,
  AckAt TEXT,
  Cause TEXT,
  Action TEXT,
  Observed REAL,
  Threshold REAL,
  LimitID INTEGER
) STRICT;
CREATE UNIQUE INDEX IF NOT EXISTS AlarmOpen ON Alarm (Facility, Station, coalesce(ModelNumber, ''), Rule, PeriodDate)
  WHERE AckAt IS NULL;
)SQL";

Status create(Database& db) {
    if (db.isServer())
        return PgSchema::create(db);
    Status s = db.exec(QStringLiteral("BEGIN"));
    if (!s)
        return s;
    s = db.exec(QString::fromUtf8(kSchema));
    if (s)
        s = db.exec(QString::fromUtf8(kUpkeep));
    if (s)
        s = AuditTrail::addToFile(db);
    if (s)
        s = db.exec(QString::fromUtf8(kMonitor));
    if (s)
        s = StationDays::addToFile(db);
    if (!s) {
        db.exec(QStringLiteral("ROLLBACK"));
        return s;
    }
    return db.exec(QStringLiteral("COMMIT"));
}

Status upgrade(Database& db) {
    if (db.isServer())
        return PgSchema::addMonitor(db);
    // Indexes added since the first files were made; each is cheap to ask for again.
    Status s = db.exec(QStringLiteral("CREATE INDEX IF NOT EXISTS InspectionSerial ON InspectionRecord (SerialNum)"));
    // The kept row count, once (it counts the rows when it is added).
    if (s && !hasTable(db, QStringLiteral("TableRows"), &s) && s)
        s = addUpkeep(db);
    // The audit trail, from now on (its table and triggers are asked for again at no cost).
    if (s)
        s = AuditTrail::addToFile(db);
    // The control limits and alarms (asked for again at no cost).
    if (s)
        s = db.exec(QString::fromUtf8(kMonitor));
    // The stations' days the run rules read (counted from the rows once).
    if (s)
        s = StationDays::addToFile(db);
    return s;
}

Status upgradeFile(const QString& path) {
    if (Database::isServerName(path)) {
        Database db;
        Status s = db.open(path, Database::Mode::ReadWrite);
        return s ? upgrade(db) : s;
    }
    if (!QFileInfo(path).isFile())
        return Status::fail(QStringLiteral("File not found: %1").arg(path));
    Database db;
    Status s = db.open(path, Database::Mode::ReadWrite);
    return s ? upgrade(db) : s;
}

Status addUpkeep(Database& db) {
    Status s = db.exec(QString::fromUtf8(kUpkeep));
    // A file checked before the writes and the full check were kept gets their columns.
    SqlStatement counted(db, QStringLiteral("SELECT 1 FROM pragma_table_info('Upkeep') WHERE name = 'Writes'"));
    if (s && counted.status() && !counted.next() && counted.status())
        s = db.exec(QStringLiteral("ALTER TABLE Upkeep ADD COLUMN Writes INTEGER NOT NULL DEFAULT 0; "
                                   "ALTER TABLE Upkeep ADD COLUMN CheckedOn TEXT"));
    return s;
}

bool hasTable(Database& db, const QString& name, Status* status) {
    SqlStatement st(db, db.isServer() ? QStringLiteral("SELECT count(*) FROM information_schema.tables "
                                                       "WHERE table_schema = current_schema() AND table_name = lower(?)")
                                      : QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = ?"));
    st.bind(1, name);
    const bool found = st.next() && st.value(0).toLongLong() > 0;
    if (!st.status() && status)
        *status = st.status();
    return found;
}

qint64 rowCount(Database& db, const QString& table, Status* status) {
    {
        SqlStatement kept(db, QStringLiteral("SELECT Rows FROM TableRows WHERE lower(TableName) = lower(?)"));
        if (kept.status()) {
            kept.bind(1, table);
            if (kept.next()) {
                const qint64 n = kept.int64(0);
                kept.next();
                return n;
            }
        }
    }
    // A table whose rows the file does not keep (or a file made before it did).
    SqlStatement count(db, QStringLiteral("SELECT count(*) FROM \"%1\"").arg(QString(table).replace(QLatin1Char('"'), QLatin1String("\"\""))));
    const qint64 n = count.next() ? count.int64(0) : 0;
    if (!count.status() && status)
        *status = count.status();
    return n;
}

int fieldLimit(const QString& table, const QString& field) {
    // Codes and numbers as a plant writes them; descriptions and names as the
    // record editors have always taken them; notes as a person types them.
    struct Limit {
        const char* table;
        const char* field;
        int length;
    };
    static const Limit kLimits[] = {
        {"InspectionRecord", "ModelNumber", 15},
        {"InspectionRecord", "SerialNum", 30},    {"InspectionRecord", "InspectorNum", 20},
        {"InspectionRecord", "Station", 6},       {"InspectionRecord", "PartNum", 20},
        {"InspectionRecord", "DefectCode", 20},   {"InspectionRecord", "LocationCode", 20},
        {"InspectionRecord", "InspNum", 20},      {"InspectionRecord", "OperatorNum", 20},
        {"InspectionRecord", "ReworkNum", 9},     {"InspectionRecord", "Notes", 4000},
        // The record editors' codes keep no limit of their own.
        {"defects", "defectdescription", 50},     {"Parts", "partdescription", 50},
        {"Model", "ModelNumber", 15},             {"Model", "ModelDescription", 50},
        {"location", "location description", 50}, {"Station", "StationID", 6},
        {"Station", "Station Description", 50},   {"Employees", "FirstName", 20},
        {"Employees", "LastName", 20},
    };
    for (const Limit& l : kLimits)
        if (table.compare(QLatin1String(l.table), Qt::CaseInsensitive) == 0 &&
            field.compare(QLatin1String(l.field), Qt::CaseInsensitive) == 0)
            return l.length;
    return 0;
}

Status createFile(const QString& path) {
    if (QFileInfo::exists(path))
        return Status::fail(QStringLiteral("File already exists: %1").arg(path));
    Database db;
    Status s = db.open(path, Database::Mode::Create);
    if (!s)
        return s;
    return create(db);
}

}  // namespace Schema
