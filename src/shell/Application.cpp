#include "shell/Application.h"

#include <cstdio>

#include <QApplication>
#include <QIcon>
#include <QPainter>
#include <QPixmap>

#include "database/Schema.h"
#include "database/ServerUri.h"
#include "monitor/LineBoardForm.h"
#include "platform/AppPaths.h"
#include "platform/CommandLine.h"
#include "platform/DataFolder.h"
#include "platform/Dialogs.h"
#include "platform/FormRegistry.h"
#include "platform/HelpViewer.h"
#include "platform/InstanceLock.h"
#include "shell/FormCatalog.h"
#include "utilities/StartupCheck.h"

namespace Application {
namespace {
std::function<void()>& quitHandler() {
    static std::function<void()> h;
    return h;
}
}  // namespace

void quit() {
    if (quitHandler())
        quitHandler()();
    else
        QCoreApplication::exit(0);
}

void setQuitHandler(std::function<void()> handler) { quitHandler() = std::move(handler); }

namespace {
void registerOnce() {
    static bool registered = false;
    if (!registered) {
        registerAllForms();
        HelpViewer::installF1Handler();
        registered = true;
    }
}
}  // namespace

Status startBoard() {
    registerOnce();
    LineBoardForm::setStandAlone(true);
    const Status s = FormRegistry::instance().show(QStringLiteral("frmLineBoard"));
    // Closing the board (Alt+F4) ends the program.
    if (Form* board = FormRegistry::instance().form(QStringLiteral("frmLineBoard")))
        QObject::connect(board, &QObject::destroyed, [] { quit(); });
    return s;
}

Status start() {
    registerOnce();
    // A damaged file is found before any form can write into it.
    StartupCheck::run();
    const Status s = FormRegistry::instance().load(QStringLiteral("MDIBackground"));
    // The menus are up before the server is asked for anything.
    if (s)
        StartupCheck::reachServer();
    return s;
}

// The program's icon: a white check mark on the plant's blue.
QIcon programIcon() {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(0x1f, 0x4e, 0x8c));
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(1, 1, 30, 30), 5, 5);
    p.setPen(QPen(Qt::white, 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(QPolygonF({QPointF(8, 16), QPointF(14, 23), QPointF(24, 9)}));
    return QIcon(pixmap);
}

int run() {
    QApplication::setApplicationName(QStringLiteral("Varnex"));
    // The installed icon when the icon theme has it (a packaged program), else one drawn here.
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("org.varnex.Varnex"), programIcon()));
    QGuiApplication::setDesktopFileName(QStringLiteral("org.varnex.Varnex"));
    QApplication::setQuitOnLastWindowClosed(false);
    const auto refuse = [](const Status& s) {
        std::fprintf(stderr, "varnex: %s\n", qPrintable(s.error()));
        Dialogs::showError(s);
        return 1;
    };
    // The folder to work in comes first: varnex.conf and the locks are its own.
    QStringList args = QCoreApplication::arguments();
    if (const Status folder = DataFolder::select(DataFolder::named(&args)); !folder)
        return refuse(folder);
    // "--server URI" works on that server for this run, whatever varnex.conf says.
    for (int i = 1; i < args.size(); ++i) {
        QString server;
        if (args[i] == QLatin1String("--server") && i + 1 < args.size())
            server = args[++i];
        else if (args[i].startsWith(QLatin1String("--server=")))
            server = args[i].mid(9);
        else
            continue;
        if (const Status typed = ServerUri::checkCommandLine(server); !typed)
            return refuse(typed);
        Schema::setServerOverride(server);
    }
    // A password in varnex.conf is kept from the other users of the computer.
    QString warning;
    if (const Status conf = Schema::checkConfigFile(&warning); !conf)
        return refuse(conf);
    if (!warning.isEmpty())
        std::fprintf(stderr, "varnex: %s\n", qPrintable(warning));
    // One running instance per application folder and per database file,
    // whatever links lead to it: a second one would compact the file under
    // the first one's feet. The database tools take the same lock while they
    // copy or replace the file.
    // The board alone only reads, and never copies or replaces the file: it
    // runs beside the station's own program on the same folder.
    const bool board = CommandLine::has(args, "--board");
    InstanceLock lock;
    if (!board) {
        if (const Status locked = lock.acquire(AppPaths::folder(), Schema::databaseFile()); !locked)
            return refuse(locked);
    }
    // A file made by an earlier version gets the indexes and tables it lacks.
    // Without the indexes everything still works, only slower, so a failure
    // here stops nothing.
    if (!Schema::isServer())
        Schema::upgradeFile(Schema::livePath());
    const Status s = board ? startBoard() : start();
    if (!s) {
        Dialogs::showError(s);
        return 1;
    }
    return QApplication::exec();
}

}  // namespace Application
