#include "monitor/ChangeWatcher.h"

#include <QCoreApplication>
#include <QFile>
#include <QMetaMethod>
#include <QPointer>
#include <QSocketNotifier>
#include <QThread>

#include <sys/stat.h>

#include "database/Database.h"
#include "database/Schema.h"
#include "database/postgres/PgConnection.h"
#include "database/postgres/PgSchema.h"

namespace {

QPointer<ChangeWatcher>& current() {
    static QPointer<ChangeWatcher> watcher;
    return watcher;
}

// The device and inode of a file: a file replaced by another (the exchange of
// databases, a restored backup) is a new one under the same name.
QByteArray fileId(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return QByteArray();
    return QByteArray::number(qulonglong(st.st_dev)) + ':' + QByteArray::number(qulonglong(st.st_ino));
}

// A server that is away is asked again this often (a connection, not the tables).
constexpr int kReconnectMs = 5000;

}  // namespace

ChangeWatcher& ChangeWatcher::instance() {
    if (!current())
        current() = new ChangeWatcher();
    return *current();
}

void ChangeWatcher::localChange() {
    if (current() && current()->isWatching())
        current()->gather();
}

ChangeWatcher::ChangeWatcher() : QObject(QCoreApplication::instance()) {
    m_poll.setInterval(kPollMs);
    connect(&m_poll, &QTimer::timeout, this, &ChangeWatcher::poll);
    m_gather.setSingleShot(true);
    m_gather.setInterval(kGatherMs);
    connect(&m_gather, &QTimer::timeout, this, &ChangeWatcher::changed);
}

ChangeWatcher::~ChangeWatcher() { close(); }

bool ChangeWatcher::isWatching() const { return m_db && m_db->isOpen(); }

void ChangeWatcher::connectNotify(const QMetaMethod& signal) {
    if (signal != QMetaMethod::fromSignal(&ChangeWatcher::changed))
        return;
    // Opened at once, so that a window that connects sees every change from then on.
    if (QThread::currentThread() == thread())
        follow();
    else
        QMetaObject::invokeMethod(this, &ChangeWatcher::follow, Qt::QueuedConnection);
}

void ChangeWatcher::disconnectNotify(const QMetaMethod& signal) {
    // An invalid signal: every connection of a receiver was cut at once.
    if (signal.isValid() && signal != QMetaMethod::fromSignal(&ChangeWatcher::changed))
        return;
    // After a disconnect() the file is let go at once (a utility may want it
    // next); a closing receiver tells before its connection is gone, so that
    // case is looked at afterwards.
    if (QThread::currentThread() == thread() && !isSignalConnected(QMetaMethod::fromSignal(&ChangeWatcher::changed)))
        follow();
    else
        QMetaObject::invokeMethod(this, &ChangeWatcher::follow, Qt::QueuedConnection);
}

void ChangeWatcher::follow() {
    if (!isSignalConnected(QMetaMethod::fromSignal(&ChangeWatcher::changed))) {
        close();
        m_poll.stop();
        return;
    }
    const QString name = Schema::databaseName();
    if (name != m_name || !isWatching())
        open();
    if (!m_poll.isActive())
        m_poll.start();
}

void ChangeWatcher::open() {
    const bool wasWatching = isWatching();
    close();
    m_name = Schema::databaseName();
    auto db = std::make_unique<Database>();
    if (!Database::isServerName(m_name)) {
        m_poll.setInterval(kPollMs);
        m_fileId = fileId(m_name);
        if (m_fileId.isEmpty() || !db->open(m_name, Database::Mode::ReadOnly))
            return;  // asked again at the next poll
        m_db = std::move(db);
        poll();
    } else {
        m_poll.setInterval(kReconnectMs);
        // A database made before the notices gets them now (a station whose
        // login may not change the tables goes on without: the owner's does it).
        if (!db->open(m_name, Database::Mode::ReadWrite))
            return;
        Schema::upgrade(*db);
        auto* pg = dynamic_cast<PgConnection*>(db->engine());
        if (!pg || !pg->execNative(QStringLiteral("LISTEN ") + PgSchema::channel()) || pg->socket() < 0)
            return;
        m_notifier = new QSocketNotifier(pg->socket(), QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, &ChangeWatcher::readNotices);
        m_db = std::move(db);
    }
    // Changes made while the watcher was away are not known: the windows read again.
    if (wasWatching)
        gather();
}

void ChangeWatcher::close() {
    if (m_notifier) {
        // It may be the one telling right now.
        m_notifier->setEnabled(false);
        m_notifier->deleteLater();
        m_notifier = nullptr;
    }
    m_db.reset();
    m_version = -1;
}

void ChangeWatcher::poll() {
    if (!isSignalConnected(QMetaMethod::fromSignal(&ChangeWatcher::changed)))
        return follow();  // nobody listens any more
    if (!isWatching() || m_name != Schema::databaseName()) {
        const bool lost = !m_name.isEmpty() && !isWatching();
        open();
        if (lost && isWatching())
            gather();
        return;
    }
    if (m_db->isServer())
        return;  // the server tells
    if (fileId(m_name) != m_fileId) {
        open();
        gather();
        return;
    }
    SqlStatement version(*m_db, QStringLiteral("PRAGMA data_version"));
    if (!version.next())
        return;
    const qint64 now = version.int64(0);
    if (m_version >= 0 && now != m_version)
        gather();
    m_version = now;
}

void ChangeWatcher::readNotices() {
    auto* pg = m_db ? dynamic_cast<PgConnection*>(m_db->engine()) : nullptr;
    const int notices = pg ? pg->takeNotifications() : -1;
    if (notices > 0) {
        gather();
    } else if (notices < 0) {
        // The server went away: the next poll connects again and tells.
        close();
    }
}

void ChangeWatcher::gather() {
    if (!m_gather.isActive())
        m_gather.start();
}
