#include "shell/Application.h"

#include <QApplication>
#include <QLockFile>

#include "platform/AppPaths.h"
#include "platform/Dialogs.h"
#include "platform/FormRegistry.h"
#include "platform/HelpViewer.h"
#include "shell/FormCatalog.h"

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

Status start() {
    static bool registered = false;
    if (!registered) {
        registerAllForms();
        HelpViewer::installF1Handler();
        registered = true;
    }
    return FormRegistry::instance().load(QStringLiteral("MDIBackground"));
}

int run() {
    QApplication::setApplicationName(QStringLiteral("Varnex"));
    QApplication::setQuitOnLastWindowClosed(false);
    // One running instance per application folder: a second one would compact
    // the file under the first one's feet.
    QLockFile lock(AppPaths::join(QStringLiteral("\\varnex.lck")));
    lock.setStaleLockTime(0);
    if (!lock.tryLock(0) && lock.error() == QLockFile::LockFailedError) {
        Dialogs::showError(QStringLiteral("Varnex is already running from this folder."));
        return 1;
    }
    const Status s = start();
    if (!s) {
        Dialogs::showError(s.error());
        return 1;
    }
    return QApplication::exec();
}

}  // namespace Application
