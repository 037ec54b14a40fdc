#pragma once
#include <atomic>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include <QObject>
#include <QString>

#include "database/KeyList.h"

class Database;

// Reads the whole key list of a statement ("SELECT rowid ... ORDER BY ...")
// on a connection of its own in a thread of its own, so that a sort of ten
// million rows never holds up the window. The keys already shown (the first
// screen) come first, in the order given, and are not repeated. The reading
// gives way to any write of the program and starts again after it.
// built() arrives on the thread that made the builder; a builder destroyed
// first stops its reading and never reports.
class KeyBuilder : public QObject {
    Q_OBJECT
public:
    using Keys = std::shared_ptr<KeyList>;
    KeyBuilder(const QString& path, const QString& keySql, std::vector<qint64> shownFirst, qint64 expectedRows,
               QObject* parent = nullptr);
    ~KeyBuilder() override;

signals:
    void built(KeyBuilder::Keys keys);
    void failed(const QString& description);

private:
    void work();

    QString m_path;
    QString m_sql;
    std::vector<qint64> m_shown;  // in shown order
    qint64 m_expected;
    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;
    Database* m_db = nullptr;  // the thread's connection, while it is open
    std::thread m_thread;
};
