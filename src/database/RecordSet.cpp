#include "database/RecordSet.h"

#include <algorithm>
#include <limits>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRegularExpression>

#include "database/Refusal.h"
#include "database/Schema.h"

namespace {
// "select <columns> from <table> [order by <keys>]", nothing else.
const QRegularExpression& simpleSelect() {
    static const QRegularExpression re(
        QStringLiteral("^\\s*select\\s+(.+?)\\s+from\\s+(\\[[^\\]]+\\]|\"[^\"]+\"|\\w+)\\s*(?:order\\s+by\\s+(.+?))?\\s*;?\\s*$"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    return re;
}
QString quoted(const QString& identifier) {
    QString bare = identifier;
    if ((bare.startsWith(QLatin1Char('[')) && bare.endsWith(QLatin1Char(']'))) ||
        (bare.startsWith(QLatin1Char('"')) && bare.endsWith(QLatin1Char('"'))))
        bare = bare.mid(1, bare.size() - 2);
    return QLatin1Char('"') + bare.replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1Char('"');
}
QString bare(const QString& identifier) {
    if ((identifier.startsWith(QLatin1Char('[')) && identifier.endsWith(QLatin1Char(']'))) ||
        (identifier.startsWith(QLatin1Char('"')) && identifier.endsWith(QLatin1Char('"'))))
        return identifier.mid(1, identifier.size() - 2);
    return identifier;
}
constexpr int kCacheRows = 4096;
constexpr qint64 kUnknown = std::numeric_limits<qint64>::min();

// The same keys the other way round (ASC and DESC swapped, a key without a
// direction made DESC), so the last rows come first; empty when a key is
// not a plain one.
QString reversedOrder(const QString& order) {
    QStringList terms;
    QString term;
    int depth = 0;
    QChar quote;
    for (const QChar c : order) {
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == QLatin1Char('[')) {
            quote = QLatin1Char(']');
        } else if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            quote = c;
        } else if (c == QLatin1Char('(')) {
            ++depth;
        } else if (c == QLatin1Char(')')) {
            --depth;
        } else if (c == QLatin1Char(',') && depth == 0) {
            terms << term.trimmed();
            term.clear();
            continue;
        }
        term += c;
    }
    terms << term.trimmed();
    static const QRegularExpression direction(QStringLiteral("\\s+(asc|desc)$"), QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression nulls(QStringLiteral("\\bnulls\\b"), QRegularExpression::CaseInsensitiveOption);
    for (QString& t : terms) {
        if (t.isEmpty() || nulls.match(t).hasMatch())
            return QString();
        const auto m = direction.match(t);
        if (!m.hasMatch())
            t += QStringLiteral(" DESC");
        else
            t = t.left(m.capturedStart()) + (m.captured(1).compare(QLatin1String("desc"), Qt::CaseInsensitive) == 0
                                                 ? QStringLiteral(" ASC") : QStringLiteral(" DESC"));
    }
    return terms.join(QStringLiteral(", "));
}
}  // namespace

RecordSet::~RecordSet() { close(); }

Status RecordSet::open(const QString& connectionText, const QString& sql, CursorType type) {
    const QString path = Schema::dataSourceOf(connectionText);
    if (path.isEmpty())
        return Status::fail(QStringLiteral("The connection text names no data source."));
    auto db = std::make_shared<Database>();
    const Status s = db->open(path);
    if (!s)
        return s;
    return open(db, sql, type);
}

Status RecordSet::open(DatabasePtr db, const QString& sql, CursorType type) {
    close();
    m_db = std::move(db);
    m_sql = sql;
    m_type = type;
    const Status s = openStatement();
    if (!s)
        close();
    return s;
}

void RecordSet::close() {
    clearStatement();
    m_db.reset();
    m_table.clear();
    m_index = -1;
}

// Forgets the statement's keys, fields and edits (the connection stays).
void RecordSet::clearStatement() {
    m_builder.reset();
    m_keys.clear();
    m_lastKeys.clear();
    m_added.clear();
    m_removed.clear();
    m_firstKeys.clear();
    m_total = 0;
    m_complete = true;
    m_materialized.clear();
    m_fields.clear();
    m_pending.clear();
    m_mode = EditMode::None;
    m_deleted = false;
    clearCache();
}

Status RecordSet::openStatement() {
    clearStatement();
    const auto m = simpleSelect().match(m_sql);
    if (m.hasMatch()) {
        m_table = m.captured(2);
        m_columns = m.captured(1);
        // The column names, from the statement itself.
        SqlStatement probe(*m_db, QStringLiteral("SELECT %1 FROM %2 WHERE 1 = 0").arg(m_columns, quoted(m_table)));
        if (!probe.status())
            return probe.status();
        for (int i = 0; i < probe.columnCount(); ++i)
            m_fields << probe.columnName(i);
        // The rowid last makes the order total, so every reading of it agrees.
        // Without keys it is the natural order; the engine would otherwise read
        // a key's index, in key order.
        m_order = m.captured(3).isEmpty() ? QStringLiteral("rowid") : m.captured(3) + QStringLiteral(", rowid");
        SqlStatement keys(*m_db, QStringLiteral("SELECT rowid FROM %1 ORDER BY %2 LIMIT ?").arg(quoted(m_table), m_order));
        if (!keys.status())
            return keys.status();
        keys.bind(1, kFirstRows);
        while (keys.next())
            m_keys.push_back(keys.int64(0));
        if (!keys.status())
            return keys.status();
        m_total = int(m_keys.size());
        if (m_total == kFirstRows) {
            Status s;
            m_total = int(qMax<qint64>(m_total, Schema::rowCount(*m_db, bare(m_table), &s)));
            if (!s)
                return s;
            if (m_total > int(m_keys.size())) {
                m_complete = false;
                for (size_t i = 0; i < m_keys.size(); ++i)
                    m_firstKeys.push_back(m_keys[i]);
                startBuilding();
            }
        }
    } else {
        m_table.clear();
        SqlStatement all(*m_db, m_sql);
        if (!all.status())
            return all.status();
        for (int i = 0; i < all.columnCount(); ++i)
            m_fields << all.columnName(i);
        while (all.next()) {
            QVariantList row;
            for (int i = 0; i < all.columnCount(); ++i)
                row << all.value(i);
            m_keys.push_back(qint64(m_materialized.size()));
            m_materialized.push_back(row);
        }
        if (!all.status())
            return all.status();
        m_total = int(m_keys.size());
    }
    m_index = m_total == 0 ? -1 : 0;
    return Status::ok();
}

// ---- the keys that are not read at once ---------------------------------------

void RecordSet::startBuilding() {
    m_builder = std::make_unique<KeyBuilder>(m_db->path(),
                                             QStringLiteral("SELECT rowid FROM %1 ORDER BY %2").arg(quoted(m_table), m_order),
                                             m_firstKeys, qint64(m_total) - qint64(m_firstKeys.size()));
    connect(m_builder.get(), &KeyBuilder::built, this, &RecordSet::keysBuilt);
    connect(m_builder.get(), &KeyBuilder::failed, this, [this](const QString& e) {
        m_buildError = e;
        m_builder.release()->deleteLater();
    });
}

void RecordSet::pauseBuilding() { m_builder.reset(); }

void RecordSet::resumeBuilding() {
    if (!m_complete && !m_builder && m_db)
        startBuilding();
}

Status RecordSet::waitUntilComplete() {
    QElapsedTimer waited;
    waited.start();
    while (!m_complete && m_builder && waited.elapsed() < 600000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    if (m_complete)
        return Status::ok();
    return Status::fail(m_buildError.isEmpty() ? QStringLiteral("The rows could not all be read.") : m_buildError);
}

void RecordSet::keysBuilt(const KeyBuilder::Keys& built) {
    // Called from the builder's own signal: it is deleted once that is done.
    m_builder.release()->deleteLater();
    // The rows already shown keep their places: the first screen (less the
    // rows deleted here) first, the last screen (with the rows inserted here)
    // last, and between them the rows the builder read, once each. The list
    // is put together in place: it starts with the first screen as it was.
    KeyList& all = *built;
    const size_t firstShown = m_firstKeys.size();
    size_t lastKnown = m_lastKeys.size() - m_added.size();
    // Usually the last screen is the end of the list as read: it is cut off.
    bool lastAtEnd = m_removed.isEmpty() && all.size() >= firstShown + lastKnown;
    for (size_t i = 0; lastAtEnd && i < lastKnown; ++i)
        lastAtEnd = m_lastKeys[i] == all[all.size() - lastKnown + i];
    if (lastAtEnd)
        all.truncate(all.size() - lastKnown);
    const QSet<qint64> shownLast = lastAtEnd ? QSet<qint64>() : QSet<qint64>(m_lastKeys.begin(), m_lastKeys.end());
    size_t w = 0;
    for (size_t i = 0; i < m_keys.size(); ++i)
        all.set(w++, m_keys[i]);
    for (size_t r = firstShown; r < all.size(); ++r) {
        const qint64 k = all[r];
        if ((shownLast.isEmpty() || !shownLast.contains(k)) && (m_removed.isEmpty() || !m_removed.contains(k)))
            all.set(w++, k);
    }
    all.truncate(w);
    for (const qint64 k : m_lastKeys)
        all.push_back(k);
    const int fromEnd = m_total - m_index;  // a row of the last screen keeps its distance from the end
    const bool inLast = m_index >= int(m_keys.size());
    m_keys = std::move(all);
    m_lastKeys.clear();
    m_added.clear();
    m_removed.clear();
    m_firstKeys.clear();
    m_complete = true;
    m_total = int(m_keys.size());
    if (inLast)
        m_index = m_total - fromEnd;
    emit keysChanged();
}

qint64 RecordSet::keyAt(int position) const {
    if (position < 0 || position >= m_total)
        return kUnknown;
    if (position < int(m_keys.size()))
        return m_keys[size_t(position)];
    const int lastStart = m_total - int(m_lastKeys.size());
    if (position >= lastStart)
        return m_lastKeys[size_t(position - lastStart)];
    return kUnknown;
}

int RecordSet::positionOfKey(qint64 key) const {
    // The rows looked for are the newest or the last ones: from the end.
    for (int i = int(m_lastKeys.size()) - 1; i >= 0; --i)
        if (m_lastKeys[size_t(i)] == key)
            return m_total - int(m_lastKeys.size()) + i;
    for (int i = int(m_keys.size()) - 1; i >= 0; --i)
        if (m_keys[size_t(i)] == key)
            return i;
    return -1;
}

Status RecordSet::unknownRow() const {
    if (!m_buildError.isEmpty())
        return Status::fail(m_buildError);
    return Status::fail(QStringLiteral("The rows in this order are still being read; try again in a moment."));
}

// The last screen, read with the order turned round.
Status RecordSet::readLastRows() {
    const QString reversed = reversedOrder(m_order);
    if (reversed.isEmpty()) {
        const Status s = waitUntilComplete();
        return s;
    }
    const int room = m_total - int(m_keys.size()) - int(m_added.size());
    SqlStatement st(*m_db, QStringLiteral("SELECT rowid FROM %1 ORDER BY %2 LIMIT ?").arg(quoted(m_table), reversed));
    if (!st.status())
        return st.status();
    st.bind(1, qMin(kFirstRows, room));
    QSet<qint64> first;
    for (size_t i = 0; i < m_keys.size(); ++i)
        first.insert(m_keys[i]);
    const QSet<qint64> added(m_added.begin(), m_added.end());
    std::vector<qint64> last;
    while (st.next()) {
        const qint64 k = st.int64(0);
        if (!first.contains(k) && !added.contains(k) && !m_removed.contains(k))
            last.push_back(k);
    }
    if (!st.status())
        return st.status();
    std::reverse(last.begin(), last.end());
    last.insert(last.end(), m_added.begin(), m_added.end());
    m_lastKeys = std::move(last);
    return Status::ok();
}

Status RecordSet::requery() {
    if (!m_db)
        return Status::fail(QStringLiteral("The record set is closed."));
    return openStatement();
}

int RecordSet::fieldIndex(const QString& name) const {
    QString bare = name;
    if (bare.startsWith(QLatin1Char('[')) && bare.endsWith(QLatin1Char(']')))
        bare = bare.mid(1, bare.size() - 2);
    for (int i = 0; i < m_fields.size(); ++i)
        if (m_fields[i].compare(bare, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

Status RecordSet::fetchRow(qint64 key, QVariantList* values) const {
    if (m_table.isEmpty()) {
        *values = m_materialized[size_t(key)];
        return Status::ok();
    }
    auto it = m_cache.constFind(key);
    if (it != m_cache.constEnd()) {
        *values = *it;
        return Status::ok();
    }
    SqlStatement row(*m_db, QStringLiteral("SELECT %1 FROM %2 WHERE rowid = ?").arg(m_columns, quoted(m_table)));
    if (!row.status())
        return row.status();
    row.bind(1, key);
    values->clear();
    if (!row.next())
        return row.status().isOk() ? Status::fail(QStringLiteral("The record has been deleted.")) : row.status();
    for (int i = 0; i < row.columnCount(); ++i)
        values->append(row.value(i));
    row.next();
    if (m_cache.size() >= kCacheRows)
        m_cache.clear();
    m_cache.insert(key, *values);
    return Status::ok();
}

QVariant RecordSet::storedValue(int column) const {
    QVariantList values;
    if (!hasCurrentRow() || !fetchRow(keyAt(m_index), &values))
        return QVariant();
    return values.value(column);
}

QVariant RecordSet::valueAt(int row, int column) const {
    if (row < 0 || row >= m_total || column < 0 || column >= m_fields.size())
        return QVariant();
    // Pending values belong to the current row; while a new row is being
    // added they are the new row's, not the row it was added after.
    if (row == m_index && m_mode == EditMode::InProgress && m_pending.contains(column))
        return m_pending.value(column);
    const qint64 key = keyAt(row);
    if (key == kUnknown)
        return QVariant();  // not read yet: shown empty until it is
    QVariantList values;
    if (!fetchRow(key, &values) || column >= values.size())
        return QVariant();
    return values[column];
}

QVariant RecordSet::value(int column) const {
    if (m_mode == EditMode::Add)
        return m_pending.value(column);
    if (!hasCurrentRow())
        return QVariant();
    return valueAt(m_index, column);
}

QVariant RecordSet::value(const QString& field) const { return value(fieldIndex(field)); }

Status RecordSet::setValue(int column, const QVariant& value) {
    if (!isUpdatable())
        return Status::fail(QStringLiteral("The record set is not updatable."));
    if (column < 0 || column >= m_fields.size())
        return Status::fail(QStringLiteral("Item cannot be found in the collection corresponding to the requested name or ordinal."));
    if (m_mode == EditMode::None) {
        if (!hasCurrentRow())
            return Status::fail(QStringLiteral("Either BOF or EOF is True, or the current record has been deleted."));
        m_mode = EditMode::InProgress;
    }
    m_pending.insert(column, value);
    return Status::ok();
}

Status RecordSet::setValue(const QString& field, const QVariant& value) { return setValue(fieldIndex(field), value); }

Status RecordSet::addNew() {
    if (!isUpdatable())
        return Status::fail(QStringLiteral("The record set is not updatable."));
    const Status s = leaveRow();
    if (!s)
        return s;
    m_mode = EditMode::Add;
    m_pending.clear();
    return Status::ok();
}

Status RecordSet::update() {
    if (m_mode == EditMode::None)
        return Status::ok();
    QStringList names;
    QVariantList values;
    for (auto it = m_pending.cbegin(); it != m_pending.cend(); ++it) {
        names << quoted(m_fields[it.key()]);
        values << it.value();
    }
    QString sql;
    if (m_mode == EditMode::Add) {
        QStringList marks;
        for (int i = 0; i < names.size(); ++i)
            marks << QStringLiteral("?");
        sql = names.isEmpty() ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(quoted(m_table))
                              : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                    .arg(quoted(m_table), names.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")));
    } else {
        QStringList sets;
        for (const QString& n : names)
            sets << n + QStringLiteral(" = ?");
        sql = QStringLiteral("UPDATE %1 SET %2 WHERE rowid = ?").arg(quoted(m_table), sets.join(QStringLiteral(", ")));
    }
    RowWrite with;
    if (m_plan && m_mode == EditMode::InProgress) {
        QVariantList row;
        if (const Status s = fetchRow(keyAt(m_index), &row); !s)
            return s;
        QVariantMap stored, written;
        for (int c = 0; c < m_fields.size() && c < row.size(); ++c) {
            stored.insert(m_fields[c], row[c]);
            written.insert(m_fields[c], m_pending.contains(c) ? m_pending.value(c) : row[c]);
        }
        with = m_plan(stored, written);
    }
    if (with.step) {
        if (const Status s = m_db->beginWrite(with.lockKeys); !s)
            return s;
    }
    Status s;
    {
        SqlStatement st(*m_db, sql);
        int i = 1;
        for (const QVariant& v : values)
            st.bind(i++, v);
        if (m_mode == EditMode::InProgress)
            st.bind(i, keyAt(m_index));
        s = st.status() ? st.run() : st.status();
    }
    if (with.step) {
        if (s)
            s = with.step(*m_db);
        if (s)
            s = m_db->exec(QStringLiteral("COMMIT"));
        if (!s)
            m_db->exec(QStringLiteral("ROLLBACK"));
    }
    if (!s) {
        return Status::fail(Refusal::describe(s.error(), [this](const QString& field) {
            const int column = fieldIndex(field);
            return m_pending.contains(column) ? m_pending.value(column) : value(column);
        }));
    }
    if (m_mode == EditMode::Add) {
        // A new row is the last one.
        const qint64 key = m_db->lastInsertRowId();
        if (m_complete) {
            m_keys.push_back(key);
        } else {
            m_lastKeys.push_back(key);
            m_added.push_back(key);
        }
        ++m_total;
        m_index = m_total - 1;
        m_deleted = false;
    } else if (with.step) {
        m_cache.clear();
    } else {
        m_cache.remove(keyAt(m_index));
    }
    m_mode = EditMode::None;
    m_pending.clear();
    if (with.step)
        emit rowsRewritten();
    return Status::ok();
}

void RecordSet::cancelUpdate() {
    m_mode = EditMode::None;
    m_pending.clear();
}

Status RecordSet::leaveRow() {
    if (m_mode == EditMode::None)
        return Status::ok();
    return update();
}

Status RecordSet::deleteCurrent() {
    if (!isUpdatable())
        return Status::fail(QStringLiteral("The record set is not updatable."));
    if (m_mode == EditMode::Add || !hasCurrentRow())
        return Status::fail(QStringLiteral("Either BOF or EOF is True, or the current record has been deleted."));
    const qint64 key = keyAt(m_index);
    SqlStatement st(*m_db, QStringLiteral("DELETE FROM %1 WHERE rowid = ?").arg(quoted(m_table)));
    st.bind(1, key);
    const Status s = st.status() ? st.run() : st.status();
    if (!s)
        return s;
    m_cache.remove(key);
    if (m_index < int(m_keys.size())) {
        m_keys.erase(size_t(m_index));
    } else {
        const int lastStart = m_total - int(m_lastKeys.size());
        m_lastKeys.erase(m_lastKeys.begin() + (m_index - lastStart));
    }
    if (!m_complete) {
        m_removed.insert(key);
        m_added.erase(std::remove(m_added.begin(), m_added.end(), key), m_added.end());
    }
    --m_total;
    m_pending.clear();
    m_mode = EditMode::None;
    m_deleted = true;
    return Status::ok();
}

Status RecordSet::setAbsolutePosition(int position) {
    if (position < 0 || position >= m_total)
        return Status::fail(QStringLiteral("Either BOF or EOF is True, or the current record has been deleted."));
    if (keyAt(position) == kUnknown)
        return unknownRow();
    const Status s = leaveRow();
    if (!s)
        return s;
    m_index = position;
    m_deleted = false;
    return Status::ok();
}

Status RecordSet::moveFirst() {
    const Status s = leaveRow();
    if (!s)
        return s;
    m_index = m_total == 0 ? -1 : 0;
    m_deleted = false;
    return Status::ok();
}

Status RecordSet::moveLast() {
    Status s = leaveRow();
    if (!s)
        return s;
    if (m_total > 0 && keyAt(m_total - 1) == kUnknown) {
        s = readLastRows();
        if (!s)
            return s;
    }
    m_index = m_total - 1;
    m_deleted = false;
    return Status::ok();
}

Status RecordSet::moveNext() {
    if (eof() && !m_deleted)
        return Status::fail(QStringLiteral("Either BOF or EOF is True, or the current record has been deleted."));
    // After a delete the next row has moved into the deleted row's place.
    const int next = qMin(m_deleted ? m_index : m_index + 1, m_total);
    if (next < m_total && keyAt(next) == kUnknown)
        return unknownRow();
    const Status s = leaveRow();
    if (!s)
        return s;
    m_index = next;
    m_deleted = false;
    return Status::ok();
}

Status RecordSet::movePrevious() {
    if (bof())
        return Status::fail(QStringLiteral("Either BOF or EOF is True, or the current record has been deleted."));
    const int previous = qMin(m_index, m_total) - 1;
    if (previous >= 0 && keyAt(previous) == kUnknown)
        return unknownRow();
    const Status s = leaveRow();
    if (!s)
        return s;
    m_index = previous;
    m_deleted = false;
    return Status::ok();
}

qint64 RecordSet::bookmark() const { return hasCurrentRow() ? keyAt(m_index) : -1; }

Status RecordSet::setBookmark(qint64 bookmark) {
    const int position = positionOfKey(bookmark);
    if (position < 0)
        return Status::fail(QStringLiteral("Not a valid bookmark."));
    return setAbsolutePosition(position);
}
