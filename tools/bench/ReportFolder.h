#pragma once
#include <initializer_list>

#include <QString>

class QDate;

namespace Bench {

// A folder <bench folder>/<name> holding the shipped report definitions named (copied from the
// application folder beside the tools folder) and a link to the database as kelid.mdb: the
// report cases only read. A definition that cannot be copied ends the run.
QString reportFolder(const QString& name, const QString& database, std::initializer_list<const char*> files);
// A day as a report parameter takes it: "Date (2026, 01, 31)".
QString reportDate(const QDate& d);

}  // namespace Bench
