#pragma once
#include <functional>

#include <QAbstractTableModel>
#include <QSet>

class RecordSet;

// A grid's view of a record set: one line per row, one column per field,
// headed by the field names. Values are read from the record set when the grid
// paints a cell, so a million-row set costs only the rows on screen. While a
// new row is being added it is shown as one extra line at the bottom.
//
// The model does not move the record set; the form that owns the grid keeps
// the grid's current line on the record set's current row (currentRow()).
// Typing into a cell changes the current row; the change stays pending until
// the row is left or written.
class GridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit GridModel(QObject* parent = nullptr);

    // Binds the grid to a record set (nullptr unbinds); the grid is rebuilt.
    void setRecordSet(RecordSet* rs);
    RecordSet* recordSet() const { return m_rs; }

    // Fields holding dates (stored as ISO text): shown in the short date form,
    // typed month/day/year.
    void setDateFields(const QStringList& fields);
    // Fields the database assigns: shown, never typed into.
    void setReadOnlyFields(const QStringList& fields);
    // Code and name fields: what is typed is stored in upper case.
    void setUpperCaseFields(const QStringList& fields);
    // Asked before a typed value replaces a stored row's value (not a new
    // row's): false refuses the value and the cell shows the stored one again.
    using EditCheck = std::function<bool(int column, const QVariant& stored, const QVariant& typed)>;
    void setEditCheck(EditCheck check) { m_editCheck = std::move(check); }

    // The grid line of the record set's current row (the new row's line while
    // adding); -1 when no row is current.
    int currentRow() const;

    // After the record set changed without the model: a row was removed, rows
    // were added or dropped at the end (a new row started, written or
    // cancelled), or values changed.
    void rowRemoved(int row);
    void syncRowCount();
    void valuesChanged();
    // True while lines are being added or removed (the view's current line may
    // move meanwhile without the record set moving).
    bool isChangingShape() const { return m_changingShape; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    // A column's heading: the field's name in words ("Inspector Date" for IDate).
    static QString heading(const QString& field);
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    // The stored form of a typed text: empty is null, a typed date becomes ISO.
    static QVariant storedValue(const QString& typed, bool isDate);
    // The shown form of a stored value.
    static QString shownValue(const QVariant& stored, bool isDate);

signals:
    // The record set refused a typed value; the description is the database's.
    void editRefused(const QString& description);

private:
    int actualRowCount() const;
    QVariant cell(int row, int column) const;

    RecordSet* m_rs = nullptr;
    int m_rows = 0;
    bool m_changingShape = false;
    int m_columns = 0;
    QStringList m_dateFields;
    QStringList m_readOnlyFields;
    QStringList m_upperCaseFields;
    QSet<int> m_dateColumns;
    QSet<int> m_readOnlyColumns;
    QSet<int> m_upperCaseColumns;
    EditCheck m_editCheck;
};
