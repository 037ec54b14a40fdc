#include "database/KeyBuilder.h"

#include <algorithm>
#include <chrono>

#include "database/Database.h"

KeyBuilder::KeyBuilder(const QString& path, const QString& keySql, std::vector<qint64> shownFirst, qint64 expectedRows,
                       QObject* parent)
    : QObject(parent), m_path(path), m_sql(keySql), m_shown(std::move(shownFirst)), m_expected(expectedRows) {
    m_thread = std::thread([this] { work(); });
}

KeyBuilder::~KeyBuilder() {
    m_stop = true;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (m_db)
            m_db->interrupt();
    }
    m_thread.join();
}

void KeyBuilder::work() {
    std::vector<qint64> shownSorted = m_shown;
    std::sort(shownSorted.begin(), shownSorted.end());
    Database db;
    Status s = db.open(m_path, Database::Mode::ReadOnly);
    if (s) {
        db.setBackgroundReader(true);
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_db = &db;
    }
    auto keys = std::make_shared<KeyList>();
    // A reading cut short by a write (or a lock) starts again; anything else
    // is reported.
    for (int attempt = 0; s && !m_stop; ++attempt) {
        keys->clear();
        keys->reserve(size_t(m_expected) + m_shown.size() + 1024);
        for (const qint64 key : m_shown)
            keys->push_back(key);
        SqlStatement st(db, m_sql);
        s = st.status();
        while (s && st.next()) {
            const qint64 key = st.int64(0);
            if (!std::binary_search(shownSorted.begin(), shownSorted.end(), key))
                keys->push_back(key);
        }
        s = st.status();
        if (s || m_stop)
            break;
        const bool gaveWay = s.error().contains(QLatin1String("interrupt")) || s.error().contains(QLatin1String("locked"));
        if (!gaveWay || attempt >= 1000)
            break;
        s = Status::ok();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_db = nullptr;
    }
    db.close();
    if (m_stop)
        return;
    if (s)
        QMetaObject::invokeMethod(this, [this, keys] { emit built(keys); }, Qt::QueuedConnection);
    else
        QMetaObject::invokeMethod(this, [this, e = s.error()] { emit failed(e); }, Qt::QueuedConnection);
}
