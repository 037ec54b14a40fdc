#include "database/KeyList.h"

void KeyList::set(size_t i, qint64 key) {
    if (!m_wide && !fits(key))
        widen();
    if (m_wide)
        m_keys64[i] = key;
    else
        m_keys32[i] = qint32(key);
}

void KeyList::push_back(qint64 key) {
    if (!m_wide && !fits(key))
        widen();
    if (m_wide)
        m_keys64.push_back(key);
    else
        m_keys32.push_back(qint32(key));
}

void KeyList::reserve(size_t n) {
    if (m_wide)
        m_keys64.reserve(n);
    else
        m_keys32.reserve(n);
}

void KeyList::truncate(size_t n) {
    if (n >= size())
        return;
    if (m_wide)
        m_keys64.resize(n);
    else
        m_keys32.resize(n);
}

void KeyList::erase(size_t i) {
    if (m_wide)
        m_keys64.erase(m_keys64.begin() + qsizetype(i));
    else
        m_keys32.erase(m_keys32.begin() + qsizetype(i));
}

void KeyList::clear() {
    std::vector<qint32>().swap(m_keys32);
    std::vector<qint64>().swap(m_keys64);
    m_wide = false;
}

void KeyList::widen() {
    m_keys64.reserve(qMax(m_keys32.capacity(), m_keys32.size() + 1));
    m_keys64.assign(m_keys32.begin(), m_keys32.end());
    std::vector<qint32>().swap(m_keys32);
    m_wide = true;
}
