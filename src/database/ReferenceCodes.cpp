#include "database/ReferenceCodes.h"

namespace ReferenceCodes {

namespace {
QString quoted(const QString& identifier) {
    return QLatin1Char('"') + QString(identifier).replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1Char('"');
}
}  // namespace

Status list(Database& db, const QString& table, const QString& field, QStringList* codes) {
    codes->clear();
    SqlStatement st(db, QStringLiteral("SELECT %1 FROM %2 WHERE %1 IS NOT NULL ORDER BY %1").arg(quoted(field), quoted(table)));
    while (st.next())
        *codes << st.value(0).toString();
    return st.status();
}

Status knows(Database& db, const QString& table, const QString& field, const QString& code, bool* known) {
    *known = true;
    SqlStatement st(db, QStringLiteral("SELECT EXISTS (SELECT 1 FROM %2 WHERE %1 = ?), EXISTS (SELECT 1 FROM %2)")
                            .arg(quoted(field), quoted(table)));
    st.bind(1, code);
    if (st.next())
        *known = st.int64(0) != 0 || st.int64(1) == 0;
    return st.status();
}

}  // namespace ReferenceCodes
