#include "tables/GridFind.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>

#include "platform/Dialogs.h"
#include "platform/MousePointer.h"

GridFind::GridFind(QTableView* grid, QWidget* parent) : QWidget(parent), m_grid(grid) {
    setObjectName(QStringLiteral("picFind"));
    auto* label = new QLabel(QStringLiteral("F&ind:"), this);
    label->setObjectName(QStringLiteral("lblFind"));
    m_text = new QLineEdit(this);
    m_text->setObjectName(QStringLiteral("txtFind"));
    label->setBuddy(m_text);
    auto* scopeLabel = new QLabel(QStringLiteral("Loo&k in:"), this);
    scopeLabel->setObjectName(QStringLiteral("lblFindIn"));
    m_scope = new QComboBox(this);
    m_scope->setObjectName(QStringLiteral("cboFindIn"));
    m_scope->addItems({QStringLiteral("Current column"), QStringLiteral("All columns")});
    scopeLabel->setBuddy(m_scope);
    auto* next = new QPushButton(QStringLiteral("&Next"), this);
    next->setObjectName(QStringLiteral("cmdFindNext"));
    auto* previous = new QPushButton(QStringLiteral("Pre&vious"), this);
    previous->setObjectName(QStringLiteral("cmdFindPrevious"));
    connect(next, &QPushButton::clicked, this, [this] { find(true); });
    connect(previous, &QPushButton::clicked, this, [this] { find(false); });
    auto* line = new QHBoxLayout(this);
    line->setContentsMargins(2, 0, 2, 0);
    line->addWidget(label);
    line->addWidget(m_text, 1);
    line->addWidget(scopeLabel);
    line->addWidget(m_scope);
    line->addWidget(next);
    line->addWidget(previous);
    for (QWidget* w : {static_cast<QWidget*>(m_text), static_cast<QWidget*>(m_scope), static_cast<QWidget*>(next),
                       static_cast<QWidget*>(previous)})
        w->installEventFilter(this);
    hide();
}

void GridFind::open() {
    show();
    emit visibilityChanged();
    m_text->setFocus(Qt::ShortcutFocusReason);
    m_text->selectAll();
}

void GridFind::close() {
    hide();
    emit visibilityChanged();
    m_grid->setFocus(Qt::OtherFocusReason);
}

bool GridFind::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool shift = key->modifiers() & Qt::ShiftModifier;
    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (watched != m_text)
            return false;  // a focused button takes it as a press
        find(!shift);
        return true;
    case Qt::Key_F3:
        find(!shift);
        return true;
    case Qt::Key_Escape:
        close();
        return true;
    default:
        return false;
    }
}

bool GridFind::matches(int row, int column) const {
    const QString shown = m_grid->model()->index(row, column).data(Qt::DisplayRole).toString();
    return shown.contains(m_text->text(), Qt::CaseInsensitive);
}

bool GridFind::find(bool forward) {
    QAbstractItemModel* model = m_grid->model();
    const int rows = model->rowCount();
    const int columns = model->columnCount();
    if (m_text->text().isEmpty() || rows == 0 || columns == 0)
        return false;
    const QModelIndex current = m_grid->currentIndex();
    const int from = current.isValid() ? current.row() : (forward ? -1 : rows);
    const int column = qBound(0, current.isValid() ? current.column() : 0, columns - 1);
    const bool all = m_scope->currentIndex() == 1;
    MousePointer::hourglass();
    // Every other line once, from the one after (or before) the current line round the end.
    for (int step = 1; step <= rows; ++step) {
        const int row = ((from + (forward ? step : -step)) % rows + rows) % rows;
        for (int c = all ? 0 : column; c < (all ? columns : column + 1); ++c) {
            if (!matches(row, c))
                continue;
            MousePointer::arrow();
            m_grid->setCurrentIndex(model->index(row, c));
            m_grid->scrollTo(model->index(row, c));
            return true;
        }
    }
    MousePointer::arrow();
    Dialogs::show(QStringLiteral("\"%1\" is not in %2.")
                      .arg(m_text->text(), all ? QStringLiteral("the table") : QStringLiteral("this column")));
    return false;
}
