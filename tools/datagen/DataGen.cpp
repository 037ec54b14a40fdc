#include "datagen/DataGen.h"

#include "database/Schema.h"

namespace DataGen {

static Status insertPassCodes(SqliteDb& db) {
    return db.exec(QStringLiteral(
        "INSERT INTO Parts VALUES ('001', 'PASS - NO DEFECT');"
        "INSERT INTO defects VALUES ('1', 'PASS - NO DEFECT');"
        "INSERT INTO location VALUES ('1', 'PASS - NO DEFECT');"));
}

Status createBlank(const QString& path) {
    Status s = Schema::createFile(path);
    if (!s)
        return s;
    SqliteDb db;
    s = db.open(path);
    return s ? insertPassCodes(db) : s;
}

Status createDemo(const QString& path) { return createBlank(path); }

Status createLarge(const QString& path, int rows) {
    Q_UNUSED(rows);
    return createBlank(path);
}

}  // namespace DataGen
