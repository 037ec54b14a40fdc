#pragma once
#include <QWidget>

class QComboBox;
class QLineEdit;
class QTableView;

// The find bar of a grid (Ctrl+F): a text, looked for in the current column
// or in all columns, from the current line down (Next, Enter, F3) or up
// (Previous, Shift+Enter, Shift+F3), round the end of the grid. It matches
// the text the grid shows, without regard to case, and moves to a line as a
// click on it does, so its owner writes the line left behind.
class GridFind : public QWidget {
    Q_OBJECT
public:
    explicit GridFind(QTableView* grid, QWidget* parent);

    // Shows the bar with the text selected for typing.
    void open();
    // Hides the bar and gives the focus back to the grid.
    void close();
    QLineEdit* textBox() const { return m_text; }
    QComboBox* scope() const { return m_scope; }
    // false when no cell holds the text (the user is told).
    bool find(bool forward);

signals:
    void visibilityChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool matches(int row, int column) const;

    QTableView* m_grid;
    QLineEdit* m_text;
    QComboBox* m_scope;
};
