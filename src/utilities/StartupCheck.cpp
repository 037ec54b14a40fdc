#include "utilities/StartupCheck.h"

#include <thread>

#include <QDateTime>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>

#include "database/Maintenance.h"
#include "database/Schema.h"
#include "dataentry/OutboxSender.h"
#include "platform/FormRegistry.h"
#include "platform/Dialogs.h"
#include "platform/MousePointer.h"
#include "utilities/CompactRepair.h"

namespace StartupCheck {

Status inBackground(const std::function<Status()>& work) {
    Status verdict;
    QEventLoop loop;
    std::thread worker([&] {
        verdict = work();
        QMetaObject::invokeMethod(&loop, "quit", Qt::QueuedConnection);
    });
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    worker.join();
    return verdict;
}

Status checkInBackground(const QString& path) {
    return inBackground([&] { return Maintenance::quickCheck(path); });
}

namespace {
bool g_damageLeft = false;  // the user chose to go on with a damaged file
}  // namespace

void run() {
    // A server keeps its own database in order (see reachServer()).
    if (Schema::isServer())
        return;
    const QString live = Schema::livePath();
    if (!QFileInfo(live).isFile())
        return;
    MousePointer::hourglass();
    const Status verdict = checkInBackground(live);
    MousePointer::arrow();
    offerRepair(verdict);
}

void reachServer() {
    if (!Schema::isServer())
        return;
    OutboxSender::station();
    MousePointer::hourglass();
    const Status reached = inBackground([] {
        Database db;
        return db.open(Schema::databaseName(), Database::Mode::ReadOnly);
    });
    MousePointer::arrow();
    // The program goes on either way: every form tries again when it opens.
    if (!reached && reached.isUnreachable()) {
        if (const Status s = FormRegistry::instance().show(QStringLiteral("frmDataEntry")); !s)
            Dialogs::showError(s);
    } else if (!reached) {
        Dialogs::showError(reached);
    }
}

bool offerRepair(const Status& verdict) {
    const bool damaged = !verdict && (verdict.error().startsWith(QLatin1String("The database is damaged")) ||
                                      verdict.error().contains(QLatin1String("malformed")));
    if (!damaged)
        return false;
    QString detail = verdict.error();
    detail.remove(QStringLiteral("The database is damaged: "));
    const QString text = QStringLiteral("The database '%1' is damaged: %2\n\nNew rows written into it can be lost. Compact and "
                                        "Repair rebuilds it from the rows it can still read. Run Compact and Repair now?")
                             .arg(QDir::toNativeSeparators(Schema::livePath()), detail);
    g_damageLeft = Dialogs::show(text, Dialogs::Buttons::YesNo, Dialogs::Icon::None, Dialogs::appTitle(),
                                 Dialogs::Answer::Yes) != Dialogs::Answer::Yes;
    if (g_damageLeft)
        return true;
    MousePointer::hourglass();
    const Status s = CompactRepair().run();
    MousePointer::arrow();
    Dialogs::show(s ? QStringLiteral("Compact and Repair Complete") : s.error());
    return true;
}

bool fullCheckDue(int days) {
    if (Schema::isServer() || !QFileInfo(Schema::livePath()).isFile())
        return false;
    if (g_damageLeft)
        return true;
    Maintenance::FileState state;
    const Status read = Maintenance::fileState(Schema::livePath(), &state);
    return !read || !state.fullCheck.isValid() || state.fullCheck.addDays(days) <= QDateTime::currentDateTimeUtc();
}

}  // namespace StartupCheck
