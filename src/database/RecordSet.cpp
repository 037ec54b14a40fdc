#include "database/RecordSet.h"

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
constexpr int kCacheRows = 4096;
}  // namespace

RecordSet::~RecordSet() { close(); }

Status RecordSet::open(const QString& connectionText, const QString& sql, CursorType type) {
    const QString path = Schema::dataSourceOf(connectionText);
    if (path.isEmpty())
        return Status::fail(QStringLiteral("The connection text names no data source."));
    auto db = std::make_shared<SqliteDb>();
    const Status s = db->open(path);
    if (!s)
        return s;
    return open(db, sql, type);
}

Status RecordSet::open(SqliteDbPtr db, const QString& sql, CursorType type) {
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
    m_db.reset();
    m_keys.clear();
    m_materialized.clear();
    m_fields.clear();
    m_table.clear();
    m_pending.clear();
    m_mode = EditMode::None;
    m_index = -1;
    m_deleted = false;
    clearCache();
}

Status RecordSet::openStatement() {
    m_keys.clear();
    m_materialized.clear();
    m_fields.clear();
    m_pending.clear();
    m_mode = EditMode::None;
    m_deleted = false;
    clearCache();
    const auto m = simpleSelect().match(m_sql);
    if (m.hasMatch()) {
        m_table = m.captured(2);
        m_columns = m.captured(1);
        // The column names, from the statement itself.
        SqlStatement probe(*m_db, QStringLiteral("SELECT %1 FROM %2 WHERE 0").arg(m_columns, quoted(m_table)));
        if (!probe.status())
            return probe.status();
        for (int i = 0; i < probe.columnCount(); ++i)
            m_fields << probe.columnName(i);
        QString keySql = QStringLiteral("SELECT rowid FROM %1").arg(quoted(m_table));
        if (!m.captured(3).isEmpty())
            keySql += QStringLiteral(" ORDER BY ") + m.captured(3) + QStringLiteral(", rowid");
        else  // the natural order; the engine would otherwise read a key's index, in key order
            keySql += QStringLiteral(" ORDER BY rowid");
        SqlStatement keys(*m_db, keySql);
        if (!keys.status())
            return keys.status();
        while (keys.next())
            m_keys.push_back(keys.int64(0));
        if (!keys.status())
            return keys.status();
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
    }
    m_index = m_keys.empty() ? -1 : 0;
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

QVariant RecordSet::valueAt(int row, int column) const {
    if (row < 0 || row >= int(m_keys.size()) || column < 0 || column >= m_fields.size())
        return QVariant();
    // Pending values belong to the current row; while a new row is being
    // added they are the new row's, not the row it was added after.
    if (row == m_index && m_mode == EditMode::InProgress && m_pending.contains(column))
        return m_pending.value(column);
    QVariantList values;
    if (!fetchRow(m_keys[size_t(row)], &values) || column >= values.size())
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
    SqlStatement st(*m_db, sql);
    if (!st.status())
        return st.status();
    int i = 1;
    for (const QVariant& v : values)
        st.bind(i++, v);
    if (m_mode == EditMode::InProgress)
        st.bind(i, m_keys[size_t(m_index)]);
    const Status s = st.run();
    if (!s) {
        return Status::fail(Refusal::describe(s.error(), [this](const QString& field) {
            const int column = fieldIndex(field);
            return m_pending.contains(column) ? m_pending.value(column) : value(column);
        }));
    }
    if (m_mode == EditMode::Add) {
        m_keys.push_back(m_db->lastInsertRowId());
        m_index = int(m_keys.size()) - 1;
        m_deleted = false;
    } else {
        m_cache.remove(m_keys[size_t(m_index)]);
    }
    m_mode = EditMode::None;
    m_pending.clear();
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
    SqlStatement st(*m_db, QStringLiteral("DELETE FROM %1 WHERE rowid = ?").arg(quoted(m_table)));
    st.bind(1, m_keys[size_t(m_index)]);
    const Status s = st.status() ? st.run() : st.status();
    if (!s)
        return s;
    m_cache.remove(m_keys[size_t(m_index)]);
    m_keys.erase(m_keys.begin() + m_index);
    m_pending.clear();
    m_mode = EditMode::None;
    m_deleted = true;
    return Status::ok();
}

Status RecordSet::setAbsolutePosition(int position) {
    if (position < 0 || position >= int(m_keys.size()))
        return Status::fail(QStringLiteral("Either BOF or EOF is True, or the current record has been deleted."));
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
    m_index = m_keys.empty() ? -1 : 0;
    m_deleted = false;
    return Status::ok();
}

Status RecordSet::moveLast() {
    const Status s = leaveRow();
    if (!s)
        return s;
    m_index = int(m_keys.size()) - 1;
    m_deleted = false;
    return Status::ok();
}

Status RecordSet::moveNext() {
    if (eof() && !m_deleted)
        return Status::fail(QStringLiteral("Either BOF or EOF is True, or the current record has been deleted."));
    const Status s = leaveRow();
    if (!s)
        return s;
    // After a delete the next row has moved into the deleted row's place.
    if (!m_deleted)
        ++m_index;
    m_deleted = false;
    if (m_index > int(m_keys.size()))
        m_index = int(m_keys.size());
    return Status::ok();
}

Status RecordSet::movePrevious() {
    if (bof())
        return Status::fail(QStringLiteral("Either BOF or EOF is True, or the current record has been deleted."));
    const Status s = leaveRow();
    if (!s)
        return s;
    --m_index;
    m_deleted = false;
    return Status::ok();
}

qint64 RecordSet::bookmark() const { return hasCurrentRow() ? m_keys[size_t(m_index)] : -1; }

Status RecordSet::setBookmark(qint64 bookmark) {
    for (int i = int(m_keys.size()) - 1; i >= 0; --i)
        if (m_keys[size_t(i)] == bookmark)
            return setAbsolutePosition(i);
    return Status::fail(QStringLiteral("Not a valid bookmark."));
}
