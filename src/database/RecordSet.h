#pragma once
#include <functional>
#include <memory>
#include <vector>

#include <QHash>
#include <QObject>
#include <QSet>
#include <QStringList>
#include <QVariantMap>
#include <QVariant>

#include "database/KeyBuilder.h"
#include "database/Database.h"

// A query cursor: a record set opened on an SQL statement through a connection
// text. A "select <columns> from <table> [order by ...]" statement is opened
// as a keyset: the row keys are read in the statement's order and a row's values
// are fetched when asked for, so a million-row table opens without reading every
// row. Other statements are read whole (read only).
//
// On a large table the keys come in two parts: the first screen is read at
// once with a LIMIT query in the statement's order, the rest in the background
// (KeyBuilder), and keysChanged() says when they have all arrived. Until then
// the count is the table's, Last reads the last screen with the order turned
// round, and a row in between shows empty and cannot be made current yet.
//
// Changes typed into the current row stay pending until update() (or a move
// off the row, which writes them first); addNew() starts a row that update()
// inserts.
class RecordSet : public QObject {
    Q_OBJECT
public:
    enum class CursorType { Static, Keyset };
    enum class EditMode { None, InProgress, Add };

    RecordSet() = default;
    // Rows read at once on opening; the rest come in the background.
    static constexpr int kFirstRows = 100;
    ~RecordSet();
    RecordSet(const RecordSet&) = delete;
    RecordSet& operator=(const RecordSet&) = delete;

    Status open(const QString& connectionText, const QString& sql, CursorType type = CursorType::Static);
    // Opens on a database already open (shared with other cursors).
    Status open(DatabasePtr db, const QString& sql, CursorType type = CursorType::Static);
    void close();
    bool isOpen() const { return m_db != nullptr; }
    QString sql() const { return m_sql; }
    QString table() const { return m_table; }
    bool isUpdatable() const { return !m_table.isEmpty(); }
    DatabasePtr database() const { return m_db; }

    int recordCount() const { return m_total; }
    bool bof() const { return m_total == 0 || m_index < 0; }
    bool eof() const { return m_total == 0 || m_index >= m_total; }
    // Every key of the statement has been read.
    bool isComplete() const { return m_complete; }
    // Stops reading the rest of the keys, and starts it again.
    void pauseBuilding();
    void resumeBuilding();
    // Waits until every key has been read (for tools and tests).
    Status waitUntilComplete();
    bool hasCurrentRow() const { return !bof() && !eof() && !m_deleted && m_mode != EditMode::Add; }
    // Position from 0 of the current row; -1 when there is none.
    int absolutePosition() const { return hasCurrentRow() ? m_index : -1; }
    Status setAbsolutePosition(int position);

    Status moveFirst();
    Status moveLast();
    Status moveNext();
    Status movePrevious();

    QStringList fieldNames() const { return m_fields; }
    int fieldIndex(const QString& name) const;  // without regard to case; -1 if none
    // Value of the current row (pending edits included).
    QVariant value(const QString& field) const;
    QVariant value(int column) const;
    // Value of any row by position, for a grid; cached.
    QVariant valueAt(int row, int column) const;
    // Value of the current row as stored, its pending edits left out.
    QVariant storedValue(int column) const;

    // Edits the current (or new) row; the change stays pending.
    Status setValue(int column, const QVariant& value);
    Status setValue(const QString& field, const QVariant& value);
    EditMode editMode() const { return m_mode; }

    Status addNew();
    // What the write of a changed stored row takes with it, in the write's
    // transaction: the unit keys to wait for (on a server) and a step run
    // after the row is written.
    struct RowWrite {
        QStringList lockKeys;
        std::function<Status(Database& db)> step;
    };
    // Given a stored row's values and the values it is about to take (by
    // field name), says what goes with the write; no step: the row alone.
    using RowWritePlan = std::function<RowWrite(const QVariantMap& stored, const QVariantMap& written)>;
    void setRowWritePlan(RowWritePlan plan) { m_plan = std::move(plan); }
    // Writes the pending changes of the current or new row.
    Status update();
    // Writes every pending change of the cursor in one batch.
    Status updateBatch() { return update(); }
    void cancelUpdate();
    // Removes the current row from the table; no row is current until a move.
    Status deleteCurrent();
    // Runs the statement again; the first row becomes current.
    Status requery();

    qint64 bookmark() const;
    Status setBookmark(qint64 bookmark);

signals:
    // The rest of the keys have arrived: the count and the rows between the
    // first and the last screen may have changed; the current row has not.
    void keysChanged();
    // A write's step changed stored rows besides the one written.
    void rowsRewritten();

private:
    qint64 keyAt(int position) const;
    int positionOfKey(qint64 key) const;
    Status readLastRows();
    void startBuilding();
    void keysBuilt(const KeyBuilder::Keys& keys);
    Status unknownRow() const;
    Status openStatement();
    void clearStatement();
    Status leaveRow();
    Status fetchRow(qint64 key, QVariantList* values) const;
    void clearCache() const { m_cache.clear(); }

    DatabasePtr m_db;
    QString m_sql;
    CursorType m_type = CursorType::Static;
    QString m_table;      // empty when the statement is not one table's rows
    QString m_columns;    // the select list as written
    QStringList m_fields;
    QString m_order;      // the ORDER BY keys that make the order total
    // rowids, or row numbers of a materialized result; while incomplete the
    // first positions only
    KeyList m_keys;
    std::vector<qint64> m_lastKeys;  // while incomplete: the last positions, once read
    std::vector<qint64> m_added;     // while incomplete: rows inserted here (they stay last)
    QSet<qint64> m_removed;          // while incomplete: rows deleted here
    std::vector<qint64> m_firstKeys; // the first screen handed to the builder
    int m_total = 0;
    bool m_complete = true;
    std::unique_ptr<KeyBuilder> m_builder;
    QString m_buildError;
    std::vector<QVariantList> m_materialized;
    int m_index = -1;
    bool m_deleted = false;
    EditMode m_mode = EditMode::None;
    QHash<int, QVariant> m_pending;
    mutable QHash<qint64, QVariantList> m_cache;
    RowWritePlan m_plan;
};
