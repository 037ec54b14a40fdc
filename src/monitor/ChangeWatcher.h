#pragma once
#include <memory>

#include <QObject>
#include <QTimer>

class Database;
class QSocketNotifier;

// Tells the windows of this program that some station committed a change of
// inspection rows or alarms, so that they read them again. On a server it
// LISTENs on a connection of its own to the notices the database's triggers
// send from each changing transaction; on the file it asks the engine's data
// version (which moves with every commit of any other connection) once a second.
// Nothing reads the tables.
//
// The watcher holds its connection only while something is connected to
// changed(): with every window closed the file is free for the utilities that
// copy or replace it. It follows the database in use when that changes, or
// when the file is replaced by another.
class ChangeWatcher : public QObject {
    Q_OBJECT
public:
    static ChangeWatcher& instance();
    // This program committed a change: its own connections' commits may not
    // move the data version seen by the connection that made them.
    static void localChange();

    // The longest the watcher waits before it tells of a change it saw; the
    // notices of a burst of commits come out as one.
    static constexpr int kGatherMs = 150;
    static constexpr int kPollMs = 1000;

    ~ChangeWatcher() override;
    // Whether it holds a connection that watches (for tests: a change made
    // from now on will be told).
    bool isWatching() const;

signals:
    void changed();

protected:
    void connectNotify(const QMetaMethod& signal) override;
    void disconnectNotify(const QMetaMethod& signal) override;

private:
    ChangeWatcher();
    void follow();      // opens, reopens or closes as the listeners and the database in use say
    void open();
    void close();
    void poll();        // the file: data version and the file itself
    void readNotices(); // the server: its socket has something
    void gather();      // a change seen: changed() soon

    std::unique_ptr<Database> m_db;
    QString m_name;      // the database open
    QByteArray m_fileId; // the file's device and inode when it was opened
    qint64 m_version = -1;
    QSocketNotifier* m_notifier = nullptr;
    QTimer m_poll;
    QTimer m_gather;
};
