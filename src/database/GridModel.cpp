#include "database/GridModel.h"

#include <QDate>
#include <QScopedValueRollback>

#include "database/RecordSet.h"
#include "platform/DateText.h"

GridModel::GridModel(QObject* parent) : QAbstractTableModel(parent) {}

void GridModel::setRecordSet(RecordSet* rs) {
    QScopedValueRollback<bool> guard(m_changingShape, true);
    beginResetModel();
    m_rs = rs;
    m_rows = actualRowCount();
    m_columns = rs ? int(rs->fieldNames().size()) : 0;
    m_dateColumns.clear();
    m_readOnlyColumns.clear();
    m_upperCaseColumns.clear();
    if (rs) {
        for (const QString& f : m_dateFields)
            if (const int c = rs->fieldIndex(f); c >= 0)
                m_dateColumns.insert(c);
        for (const QString& f : m_readOnlyFields)
            if (const int c = rs->fieldIndex(f); c >= 0)
                m_readOnlyColumns.insert(c);
        for (const QString& f : m_upperCaseFields)
            if (const int c = rs->fieldIndex(f); c >= 0)
                m_upperCaseColumns.insert(c);
    }
    endResetModel();
}

void GridModel::setDateFields(const QStringList& fields) {
    m_dateFields = fields;
    setRecordSet(m_rs);
}

void GridModel::setReadOnlyFields(const QStringList& fields) {
    m_readOnlyFields = fields;
    setRecordSet(m_rs);
}

void GridModel::setUpperCaseFields(const QStringList& fields) {
    m_upperCaseFields = fields;
    setRecordSet(m_rs);
}

int GridModel::actualRowCount() const {
    if (!m_rs)
        return 0;
    return m_rs->recordCount() + (m_rs->editMode() == RecordSet::EditMode::Add ? 1 : 0);
}

int GridModel::currentRow() const {
    if (!m_rs)
        return -1;
    if (m_rs->editMode() == RecordSet::EditMode::Add)
        return m_rs->recordCount();
    return m_rs->absolutePosition();
}

void GridModel::rowRemoved(int row) {
    if (row < 0 || row >= m_rows) {
        syncRowCount();
        return;
    }
    QScopedValueRollback<bool> guard(m_changingShape, true);
    beginRemoveRows(QModelIndex(), row, row);
    m_rows = actualRowCount();
    endRemoveRows();
    syncRowCount();
}

void GridModel::syncRowCount() {
    const int actual = actualRowCount();
    QScopedValueRollback<bool> guard(m_changingShape, true);
    if (actual > m_rows) {
        beginInsertRows(QModelIndex(), m_rows, actual - 1);
        m_rows = actual;
        endInsertRows();
    } else if (actual < m_rows) {
        beginRemoveRows(QModelIndex(), actual, m_rows - 1);
        m_rows = actual;
        endRemoveRows();
    }
    valuesChanged();
}

void GridModel::valuesChanged() {
    if (m_rows > 0 && m_columns > 0)
        emit dataChanged(index(0, 0), index(m_rows - 1, m_columns - 1), {Qt::DisplayRole, Qt::EditRole});
}

int GridModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : m_rows; }

int GridModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : m_columns; }

QVariant GridModel::cell(int row, int column) const {
    if (!m_rs)
        return QVariant();
    // The new row is not among the record set's rows yet: its values are the
    // pending ones.
    if (m_rs->editMode() == RecordSet::EditMode::Add && row == m_rs->recordCount())
        return m_rs->value(column);
    return m_rs->valueAt(row, column);
}

QVariant GridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_rows || index.column() >= m_columns)
        return QVariant();
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return QVariant();
    return shownValue(cell(index.row(), index.column()), m_dateColumns.contains(index.column()));
}

QString GridModel::heading(const QString& field) {
    // What a column holds, in words, for the fields whose names are abbreviations.
    static const struct { const char* field; const char* words; } kWords[] = {
        {"InspectionID", "Inspection ID"}, {"ModelNumber", "Model Number"}, {"SerialNum", "Serial Number"},
        {"InspectorNum", "Inspector Number"}, {"PartNum", "Part Number"}, {"DefectCode", "Defect Code"},
        {"LocationCode", "Location Code"}, {"InspNum", "Previous Inspector"}, {"IDate", "Inspector Date"},
        {"OperatorNum", "Operator Number"}, {"ODate", "Operator Date"}, {"ReworkNum", "Rework Number"},
        {"defectdescription", "Description"}, {"partdescription", "Description"}, {"ModelDescription", "Description"},
        {"location description", "Description"}, {"Station Description", "Description"}, {"StationID", "Station ID"},
        {"EmployeeNum", "Employee Number"}, {"LastName", "Last Name"}, {"FirstName", "First Name"},
    };
    for (const auto& w : kWords)
        if (field.compare(QLatin1String(w.field), Qt::CaseInsensitive) == 0)
            return QString::fromLatin1(w.words);
    return field;
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || !m_rs)
        return QVariant();
    if (orientation == Qt::Horizontal)
        return section >= 0 && section < m_columns ? QVariant(heading(m_rs->fieldNames().value(section))) : QVariant();
    // The record selector marks the current line.
    return section == currentRow() ? QVariant(QStringLiteral("\u25B6")) : QVariant();
}

Qt::ItemFlags GridModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (!m_readOnlyColumns.contains(index.column()))
        f |= Qt::ItemIsEditable;
    return f;
}

bool GridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!m_rs || role != Qt::EditRole || !index.isValid() || m_readOnlyColumns.contains(index.column()))
        return false;
    // Only the current row takes typing; a line that could not become current
    // (its move was refused and reported) is left alone.
    if (index.row() != currentRow())
        return false;
    const bool isDate = m_dateColumns.contains(index.column());
    // Codes and names are upper case, as the record editors keep them, so
    // "scr" and "SCR" never become two codes.
    const QString typed = m_upperCaseColumns.contains(index.column()) ? value.toString().toUpper() : value.toString();
    // A cell left as it was is no change.
    if (typed == shownValue(cell(index.row(), index.column()), isDate))
        return false;
    const QVariant stored = storedValue(typed, isDate);
    if (m_editCheck && m_rs->editMode() != RecordSet::EditMode::Add &&
        !m_editCheck(index.column(), m_rs->storedValue(index.column()), stored)) {
        emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
        return false;
    }
    const Status s = m_rs->setValue(index.column(), stored);
    if (!s) {
        emit editRefused(s.error());
        return false;
    }
    emit dataChanged(this->index(index.row(), 0), this->index(index.row(), m_columns - 1), {Qt::DisplayRole, Qt::EditRole});
    return true;
}

QVariant GridModel::storedValue(const QString& typed, bool isDate) {
    if (typed.isEmpty())
        return QVariant();
    if (isDate) {
        // Read in the order the cell shows it (DateText).
        const QDate d = DateText::parse(typed);
        if (d.isValid())
            return d.toString(Qt::ISODate);
    }
    // Anything else goes to the database as typed; it refuses what does not fit.
    return typed;
}

QString GridModel::shownValue(const QVariant& stored, bool isDate) {
    if (stored.isNull() || !stored.isValid())
        return QString();
    if (isDate) {
        const QDate d = QDate::fromString(stored.toString(), Qt::ISODate);
        if (d.isValid())
            return DateText::shown(d);
    }
    return stored.toString();
}
