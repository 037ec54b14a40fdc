#pragma once
#include <cstdint>
#include <vector>

#include <QtGlobal>

// Row keys in order. Rowids are nearly always below 2^31, so the keys are
// kept in four bytes each (ten million keys in 40 MB rather than 80) until
// one does not fit; from then on all are kept in eight.
class KeyList {
public:
    size_t size() const { return m_wide ? m_keys64.size() : m_keys32.size(); }
    bool empty() const { return size() == 0; }
    qint64 operator[](size_t i) const { return m_wide ? m_keys64[i] : qint64(m_keys32[i]); }
    void set(size_t i, qint64 key);
    void push_back(qint64 key);
    void reserve(size_t n);
    // Drops the keys from position n on.
    void truncate(size_t n);
    void erase(size_t i);
    // Frees the memory too: a list of millions is not kept for the next one.
    void clear();
    bool isWide() const { return m_wide; }

private:
    static bool fits(qint64 key) { return key >= INT32_MIN && key <= INT32_MAX; }
    void widen();

    bool m_wide = false;
    std::vector<qint32> m_keys32;
    std::vector<qint64> m_keys64;
};
