#pragma once
#include <QTableView>

// The browser's data grid: a table view whose current line follows the record
// set. It can hand a cell still being typed to the model before the browser
// moves the record set, so what was typed is part of the row that is left.
class TableBrowserGrid : public QTableView {
    Q_OBJECT
public:
    explicit TableBrowserGrid(QWidget* parent = nullptr);
    // Commits and closes an open cell editor.
    void commitOpenEditor();
    // Closes an open cell editor, dropping what it holds.
    void discardOpenEditor();
    bool isEditingCell() const { return state() == QAbstractItemView::EditingState; }
};
