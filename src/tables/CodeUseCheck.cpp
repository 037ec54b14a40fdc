#include "tables/CodeUseCheck.h"

#include "database/ReferenceCodes.h"
#include "platform/Dialogs.h"
#include "platform/MousePointer.h"

namespace CodeUseCheck {

namespace {
// "Defect code BUR is used by 4 inspection rows"; empty when no row names
// the code or the rows cannot be counted (the write then says what is wrong).
QString usedBy(Database& db, const QString& table, const QVariant& code, const ReferenceCodes::Use** use) {
    *use = ReferenceCodes::use(table);
    if (!*use)
        return QString();
    qint64 rows = 0;
    const MousePointer::Shape before = MousePointer::current();
    MousePointer::hourglass();
    const Status s = ReferenceCodes::countUses(db, **use, code, &rows);
    MousePointer::set(before);
    if (!s || rows == 0)
        return QString();
    return QStringLiteral("%1 %2 is used by %3 inspection %4")
        .arg(QString::fromLatin1((*use)->what), code.toString())
        .arg(rows)
        .arg(rows == 1 ? QStringLiteral("row") : QStringLiteral("rows"));
}

bool yes(const QString& question) {
    return Dialogs::show(question, Dialogs::Buttons::YesNo, Dialogs::Icon::Question, Dialogs::appTitle(), Dialogs::Answer::No) ==
           Dialogs::Answer::Yes;
}
}  // namespace

bool confirmDelete(Database& db, const QString& table, const QVariant& code) {
    const ReferenceCodes::Use* use = nullptr;
    const QString used = usedBy(db, table, code, &use);
    return used.isEmpty() ? Dialogs::confirmDelete() : yes(used + QStringLiteral(". Delete it anyway?"));
}

bool confirmChange(Database& db, const QString& table, const QVariant& storedCode) {
    const ReferenceCodes::Use* use = nullptr;
    const QString used = usedBy(db, table, storedCode, &use);
    return used.isEmpty() ||
           yes(used + QStringLiteral(", which keep the old %1. Change it anyway?").arg(QString::fromLatin1(use->kept)));
}

}  // namespace CodeUseCheck
