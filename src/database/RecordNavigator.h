#pragma once
#include <functional>

#include <QList>
#include <QPointer>
#include <QVariant>
#include <QWidget>

#include "database/Database.h"

class QLabel;
class QToolButton;

// The record navigator of a single-record form: one table in its natural
// (rowid) order, boxes bound to its fields by name, first/previous/next/last
// arrows and a caption line. Nothing of the table is held but the current
// row: moves step along the rowid, the position is counted as the navigator
// moves, so a table of a million rows opens at once.
//
// Operations called by the form return their error. Moves made with the arrows
// write a changed row first; a database error met there is raised as the
// error() event, or shown in a message box when the form handles no errors.
class RecordNavigator : public QWidget {
    Q_OBJECT
public:
    enum class Action { MoveFirst, MovePrevious, MoveNext, MoveLast, AddNew, Update, Delete, Bookmark, Unload };
    Q_ENUM(Action)

    explicit RecordNavigator(QWidget* parent = nullptr, const QString& name = QStringLiteral("Data1"));

    void setDatabaseName(const QString& nativePath) { m_databaseName = nativePath; }
    QString databaseName() const { return m_databaseName; }
    void setRecordSource(const QString& table) { m_table = table; }
    QString recordSource() const { return m_table; }

    // Binds a box (TextBox/QLineEdit, MaskedDateBox, QPlainTextEdit) to a field;
    // the field name is matched without regard to case.
    void bind(QWidget* box, const QString& field);

    // Opens (or re-opens) the table; the first row becomes current.
    Status refresh();
    bool isOpen() const { return m_db.isOpen(); }
    // Other stations stored or removed rows: the count and the current row's
    // place among the rows are read again; the row shown, and what is typed
    // in it, stay as they are.
    Status recount();
    // Writes pending edits and releases the file.
    Status close();
    // On a server, the longest each of its statements may wait, in seconds.
    void setTimeLimit(int seconds) { m_db.setTimeLimit(seconds); }
    // Why the login may not change the table (one sentence), empty when it may.
    QString changeRefusal();

    // Position of the current row from 0; -1 on a new row or with no current row.
    int absolutePosition() const;
    int recordCount() const { return m_count; }
    bool hasCurrentRow() const { return m_state == State::Row; }
    bool isNewRow() const { return m_state == State::New; }
    bool eof() const;
    bool bof() const;
    bool isDirty() const;
    // Takes what the boxes hold now as the row's own values: a new row the
    // program filled in counts as changed only once the user types into it.
    void acceptBoxes() { rememberLoaded(); }
    // Whether the box bound to the field holds other than the row's own value.
    bool isFieldChanged(const QString& field) const;
    // What the bound boxes hold, in the order they were bound; and back.
    QVariantList boxValues() const;
    void setBoxValues(const QVariantList& values);

    // Movement by program: validate, write a changed row, move, reposition.
    Status moveFirst() { return move(Action::MoveFirst); }
    Status movePrevious() { return move(Action::MovePrevious); }
    Status moveNext() { return move(Action::MoveNext); }
    Status moveLast() { return move(Action::MoveLast); }

    Status addNew();
    // A new row may be typed while the database cannot be opened (the form
    // keeps it elsewhere until it can).
    void setNewRowsWithoutDatabase(bool on) { m_newRowsWithoutDatabase = on; }
    // A step run on the row just written, inside the write's transaction.
    using RowStep = std::function<Status(Database& db, qint64 key)>;
    // Stores the bound boxes into the current row, or inserts the new row, at
    // once and without the validate event. With a step, the write and the step
    // are one transaction: both reach the file or neither does.
    // With alsoStore, the write and alsoStore run in one transaction; writers
    // that give the same unit key run it one at a time.
    Status updateRecord(const RowStep& alsoStore = RowStep(), const QStringList& unitKeys = QStringList());
    // Removes the current row; no row is current until the next move.
    Status deleteRecord();

    qint64 lastModified() const { return m_lastModified; }
    qint64 bookmark() const;
    Status setBookmark(qint64 bookmark);

    // The stored value of a field of the current row.
    QVariant fieldValue(const QString& field) const;

    void setCaption(const QString& caption);
    QString caption() const;

signals:
    // Before an action; a handler may set *save to false to drop pending
    // edits, or *cancel to true to leave the row and its edits as they are
    // (a move or Add then does not happen; closing goes on).
    void validate(RecordNavigator::Action action, bool* save, bool* cancel);
    // A row has become current (or none is, after a move past the end).
    void reposition();
    // A database error met while no handler of the form is running.
    void error(const QString& description, bool* handled);

private:
    enum class State { None, Row, New, Deleted };
    struct Binding {
        QPointer<QWidget> box;
        QString field;
        QVariant loaded;  // the box's value right after the row was shown
    };

    Status move(Action action);
    Status userMove(Action action);
    Status writeCurrent(const RowStep& alsoStore = RowStep(), const QStringList& unitKeys = QStringList());
    Status writeRow(qint64* key);
    Status loadRow(qint64 key, int position);
    void clearBoxes();
    void rememberLoaded();
    void raiseError(const Status& failure);
    void updateArrows();
    static QVariant readBox(const QWidget* box);
    static void writeBox(QWidget* box, const QVariant& value);

    QString m_databaseName;
    QString m_table;
    Database m_db;
    // Neighbouring keys by rowid; 0 when there is none.
    qint64 keyQuery(const QString& sql, qint64 key, Status* status);
    qint64 positionOf(qint64 key, Status* status);

    bool m_newRowsWithoutDatabase = false;
    int m_count = 0;
    int m_index = -1;    // position of the current (or deleted) row; -1 or m_count at the ends
    qint64 m_key = 0;    // rowid of the current (or deleted) row
    State m_state = State::None;
    qint64 m_lastModified = 0;
    QVariantList m_rowValues;
    QStringList m_rowFields;
    QList<Binding> m_bindings;
    QLabel* m_caption;
    QToolButton* m_buttons[4];
};
