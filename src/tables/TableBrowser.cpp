#include "tables/TableBrowser.h"

#include <QApplication>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QShortcut>
#include <QTimer>

#include "database/GridModel.h"
#include "database/RecordSet.h"
#include "database/ReferenceCodes.h"
#include "database/Schema.h"
#include "database/postgres/PgRoles.h"
#include "dataentry/ReworkCounter.h"
#include "monitor/ChangeWatcher.h"
#include "platform/AppPaths.h"
#include "platform/Dialogs.h"
#include "platform/FormRegistry.h"
#include "platform/MousePointer.h"
#include "platform/RecordCaption.h"
#include "reports/AnalysisForm.h"
#include "reports/GridReport.h"
#include "reports/ReportEngine.h"
#include "tables/CodeUseCheck.h"
#include "tables/GridFind.h"
#include "tables/GridRows.h"
#include "tables/InspectionSortDialog.h"
#include "tables/SortDialog.h"
#include "tables/TableBrowserGrid.h"

namespace {
// Positions and sizes are kept in twips, as the forms were laid out; a pixel
// is 15 twips on a 96 dpi screen.
int px(int twips) { return qRound(twips / 15.0); }
int tw(int pixels) { return pixels * 15; }

constexpr int kBarHeight = 300;
constexpr int kNavWidth = 345;

// The arrows of the status bar: black on grey, 16 by 16.
QIcon arrowIcon(bool right, bool bar) {
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    QPolygon triangle;
    if (right)
        triangle << QPoint(5, 3) << QPoint(5, 12) << QPoint(10, 7) << QPoint(10, 8);
    else
        triangle << QPoint(10, 3) << QPoint(10, 12) << QPoint(5, 8) << QPoint(5, 7);
    if (bar)
        triangle.translate(right ? -1 : 1, 0);
    p.drawPolygon(triangle);
    if (bar)
        p.drawRect(right ? 11 : 2, 3, 2, 10);
    return QIcon(pm);
}

// An inspection row moved to another unit (model, serial or station) leaves
// a gap in its old unit's rework numbers and may land between the new one's
// rows: both units are numbered again with the write, under both units' keys.
RecordSet::RowWrite renumberUnits(const QVariantMap& stored, const QVariantMap& written) {
    const auto unit = [](const QVariantMap& row) {
        return InspectedUnit{row.value(QStringLiteral("ModelNumber")).toString(), row.value(QStringLiteral("SerialNum")).toString(),
                             row.value(QStringLiteral("Station")).toString()};
    };
    const InspectedUnit left = unit(stored);
    const InspectedUnit joined = unit(written);
    if (left == joined)
        return {};
    return {ReworkCounter::lockKeys(left, joined), [left, joined](Database& db) {
                Status s = ReworkCounter::renumber(db, left);
                return s ? ReworkCounter::renumber(db, joined) : s;
            }};
}
}  // namespace

TableBrowser::TableBrowser(const TableBrowserSpec& member)
    : Form(member.name, Kind::Child), m_spec(member), m_rs(std::make_unique<RecordSet>()) {
    setCaption(member.caption);
    setHelpContext(member.helpTopic);
    if (member.print != TableBrowserSpec::Print::None)
        m_report = new ReportEngine(member.reportControl, this);
    buildLayout();
    resize(px(member.designSize.width()), px(member.designSize.height()));
    // The window sees key presses before its controls.
    qApp->installEventFilter(this);
}

TableBrowser::~TableBrowser() = default;

QPushButton* TableBrowser::addButton(QWidget* bar, const char* name, const QString& caption, int left, int width) {
    auto* b = new QPushButton(caption, bar);
    b->setObjectName(QString::fromLatin1(name));
    b->setGeometry(px(left), 0, px(width), px(kBarHeight));
    b->setFocusPolicy(Qt::TabFocus);
    m_buttons.insert(b->objectName(), b);
    return b;
}

void TableBrowser::buildLayout() {
    m_model = new GridModel(this);
    m_model->setDateFields(m_spec.dateFields);
    m_model->setReadOnlyFields(m_spec.readOnlyFields);
    m_model->setUpperCaseFields(m_spec.upperCaseFields);
    m_grid = new TableBrowserGrid(this);
    m_grid->setModel(m_model);
    connect(m_grid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { gridLineChanged(current.row()); });
    connect(m_model, &GridModel::editRefused, this, [this](const QString& e) { report(Status::fail(e)); });
    if (!m_spec.referenceTable.isEmpty())
        m_model->setEditCheck([this](int column, const QVariant& stored, const QVariant& typed) {
            const ReferenceCodes::Use* use = ReferenceCodes::use(m_spec.referenceTable);
            if (!use || m_rs->fieldIndex(QString::fromLatin1(use->field)) != column || stored == typed)
                return true;
            return CodeUseCheck::confirmChange(*m_rs->database(), m_spec.referenceTable, stored);
        });

    m_buttonBar = new QWidget(this);
    m_buttonBar->setObjectName(QStringLiteral("picButtons"));
    m_statusBar = new QWidget(this);
    m_statusBar->setObjectName(QStringLiteral("picStatBox"));

    connect(addButton(m_buttonBar, "cmdAdd", QStringLiteral("&Add"), 59, 1095), &QPushButton::clicked, this, &TableBrowser::add);
    connect(addButton(m_buttonBar, "cmdUpdate", QStringLiteral("&Update"), 59, 1095), &QPushButton::clicked, this, &TableBrowser::update);
    connect(addButton(m_buttonBar, "cmdEdit", QStringLiteral("&Edit"), 1213, 1095), &QPushButton::clicked, this, &TableBrowser::edit);
    connect(addButton(m_buttonBar, "cmdCancel", QStringLiteral("&Cancel"), 1213, 1095), &QPushButton::clicked, this, &TableBrowser::cancel);
    connect(addButton(m_buttonBar, "cmdDelete", QStringLiteral("&Delete"), 2367, 1095), &QPushButton::clicked, this, &TableBrowser::remove);
    connect(addButton(m_buttonBar, "cmdRefresh", QStringLiteral("&Refresh"), m_spec.refreshLeft, 1095), &QPushButton::clicked, this,
            &TableBrowser::refresh);
    connect(addButton(m_buttonBar, "cmdSort", m_spec.sortCaption, m_spec.sortLeft, 1095), &QPushButton::clicked, this,
            &TableBrowser::openSortDialog);
    connect(addButton(m_buttonBar, "cmdClose", QStringLiteral("&Close"), 5880, 1095), &QPushButton::clicked, this, &Form::unloadMe);
    if (m_spec.print == TableBrowserSpec::Print::Grid) {
        connect(addButton(m_buttonBar, "cmdPrint", QStringLiteral("&Print"), m_spec.printLeft, m_spec.printWidth),
                &QPushButton::clicked, this, &TableBrowser::print);
        connect(addButton(m_buttonBar, "cmdExport", QStringLiteral("E&xport"), m_spec.printLeft + m_spec.printWidth + 60,
                          m_spec.printWidth),
                &QPushButton::clicked, this, &TableBrowser::askExport);
    } else if (m_spec.print != TableBrowserSpec::Print::None) {
        connect(addButton(m_buttonBar, "cmdPrint", QStringLiteral("Print"), m_spec.printLeft, m_spec.printWidth),
                &QPushButton::clicked, this, &TableBrowser::print);
    }

    struct Nav { const char* name; int left; bool right; bool bar; void (TableBrowser::*slot)(); };
    const Nav navs[] = {{"cmdFirst", 0, false, true, &TableBrowser::first},
                        {"cmdPrevious", 345, false, false, &TableBrowser::previous},
                        {"cmdNext", 4200, true, false, &TableBrowser::next},
                        {"cmdLast", 4545, true, true, &TableBrowser::last}};
    for (const Nav& n : navs) {
        QPushButton* b = addButton(m_statusBar, n.name, QString(), n.left, kNavWidth);
        b->setIcon(arrowIcon(n.right, n.bar));
        b->setIconSize(QSize(16, 16));
        connect(b, &QPushButton::clicked, this, n.slot);
    }
    m_status = new QLabel(m_statusBar);
    m_status->setObjectName(QStringLiteral("lblStatus"));
    m_status->setGeometry(px(690), 0, px(3360), px(285));
    if (m_spec.unitHistoryKey) {
        // The key is told at the right of the status line, beside the position.
        auto* hint = new QLabel(QStringLiteral("Ctrl+H: unit history"), m_status);
        hint->setObjectName(QStringLiteral("lblKeyHint"));
        auto* line = new QHBoxLayout(m_status);
        line->setContentsMargins(0, 0, 4, 0);
        line->addStretch();
        line->addWidget(hint);
    }

    m_find = new GridFind(m_grid, this);
    connect(m_find, &GridFind::visibilityChanged, this, [this] { resizeEvent(nullptr); });
    auto* findKey = new QShortcut(QKeySequence::Find, this);
    findKey->setContext(Qt::WidgetWithChildrenShortcut);
    connect(findKey, &QShortcut::activated, m_find, &GridFind::open);

    // Why the login may not change the table, right of the buttons.
    m_readOnly = new QLabel(m_buttonBar);
    m_readOnly->setObjectName(QStringLiteral("lblReadOnly"));
    m_readOnly->hide();

    setEditMode(false);
    if (!m_spec.addsRows)
        m_buttons.value(QStringLiteral("cmdAdd"))->hide();
}

void TableBrowser::onLoad() {
    MousePointer::hourglass();
    // Loading has no error handling of its own in the forms' design; a file or
    // statement that cannot be opened is reported and the browser opens empty.
    const Status s = m_rs->open(Schema::browserConnectPrefix() + Schema::connectionTarget(),
                                m_spec.selectAtLoad);
    // A login that may only read the table reads it: no cell takes typing, no button writes.
    const QString why = s && m_rs->isUpdatable() ? PgRoles::changeRefusal(*m_rs->database(), m_rs->table()) : QString();
    m_readOnly->setText(why);
    m_readOnly->setVisible(!why.isEmpty());
    m_model->setReadOnlyFields(why.isEmpty() ? m_spec.readOnlyFields : m_rs->fieldNames());
    bindGrid();
    m_editMode = false;
    if (!why.isEmpty())
        setEditMode(false);  // without the buttons that write
    resizeEvent(nullptr);
    MousePointer::arrow();
    window_()->setWindowState(window_()->windowState() | Qt::WindowMaximized);
    if (!s)
        report(s);
    if (m_spec.followsStations)
        connect(&ChangeWatcher::instance(), &ChangeWatcher::changed, this, &TableBrowser::followStations);
}

void TableBrowser::onUnload() {
    disconnect(&ChangeWatcher::instance(), nullptr, this, nullptr);
    MousePointer::arrow();
    // A change typed into the current row is written rather than dropped; a
    // row the database refuses is reported (closing goes on).
    m_grid->commitOpenEditor();
    if (m_rs->isOpen() && m_rs->editMode() != RecordSet::EditMode::None)
        report(m_rs->update());
    FormRegistry::instance().returnFrom(objectName());
    m_model->setRecordSet(nullptr);
    m_rs->close();
}

void TableBrowser::bindGrid() {
    m_model->setRecordSet(m_rs.get());
    if (m_spec.renumbersUnits) {
        m_rs->setRowWritePlan(&renumberUnits);
        // The renumbered rows are on screen too.
        connect(m_rs.get(), &RecordSet::rowsRewritten, m_model, &GridModel::valuesChanged, Qt::UniqueConnection);
    }
    // The rows of a large order arrive after its first screen: the grid fills
    // in, and its line stays on the current row without scrolling to it.
    connect(m_rs.get(), &RecordSet::keysChanged, this, &TableBrowser::rowsArrived, Qt::UniqueConnection);
    QHeaderView* h = m_grid->horizontalHeader();
    const QFontMetrics fm(h->font());
    for (int c = 0; c < m_model->columnCount(); ++c) {
        const QString name = m_rs->fieldNames().value(c);
        int width = qMax(fm.horizontalAdvance(m_model->headerData(c, Qt::Horizontal).toString()) + 24, 70);
        if (name.contains(QLatin1String("description"), Qt::CaseInsensitive) || name == QLatin1String("Notes"))
            width = qMax(width, 200);
        // A date is shown whole, never cut to "12/31/20…".
        if (m_spec.dateFields.contains(name, Qt::CaseInsensitive))
            width = qMax(width, m_grid->fontMetrics().horizontalAdvance(QStringLiteral("12/31/2026")) + 24);
        m_grid->setColumnWidth(c, width);
    }
    positionChanged();
}

void TableBrowser::rowsArrived() {
    m_model->syncRowCount();
    // The row the user was on before the rows were read again, unless the
    // user has moved meanwhile.
    const bool restore = m_followKey >= 0 && m_rs->absolutePosition() == 0;
    if (restore)
        m_rs->setBookmark(m_followKey);  // a row removed meanwhile leaves the first current
    m_followKey = -1;
    m_status->setText(positionText());
    syncGrid(false);
    if (restore)
        m_grid->verticalScrollBar()->setValue(m_followScroll);
}

void TableBrowser::followStations() {
    // Nothing is read under the user's typing, nor while a reading is under way.
    if (!m_rs->isOpen() || m_editMode || m_rs->editMode() != RecordSet::EditMode::None || m_grid->isEditingCell() ||
        !m_rs->isComplete() || m_reporting)
        return;
    const qint64 key = m_rs->bookmark();
    const int scroll = m_grid->verticalScrollBar()->value();
    m_model->setRecordSet(nullptr);
    const Status s = m_rs->requery();
    m_model->setRecordSet(m_rs.get());
    if (!s) {
        m_status->setText(s.error());
        return;
    }
    if (key >= 0 && !m_rs->setBookmark(key) && !m_rs->isComplete()) {
        // Beyond the first screen: made current when the rest arrives.
        m_followKey = key;
        m_followScroll = scroll;
    }
    m_model->syncRowCount();
    m_status->setText(positionText());
    syncGrid(false);
    m_grid->verticalScrollBar()->setValue(scroll);
}

void TableBrowser::setEditMode(bool edit) {
    m_editMode = edit;
    for (const char* n : {"cmdClose", "cmdRefresh"})
        m_buttons.value(QString::fromLatin1(n))->setVisible(!edit);
    const bool writes = !edit && m_readOnly->isHidden();
    for (const char* n : {"cmdAdd", "cmdEdit", "cmdDelete"})
        m_buttons.value(QString::fromLatin1(n))->setVisible(writes);
    for (const char* n : {"cmdUpdate", "cmdCancel"})
        m_buttons.value(QString::fromLatin1(n))->setVisible(edit);
    for (const char* n : {"cmdNext", "cmdFirst", "cmdLast", "cmdPrevious"})
        m_buttons.value(QString::fromLatin1(n))->setEnabled(!edit);
    if (m_spec.sortHiddenInEdit)
        m_buttons.value(QStringLiteral("cmdSort"))->setVisible(!edit);
}

// ---- position and grid ------------------------------------------------------

QString TableBrowser::positionText() const {
    return RecordCaption::of(m_rs->absolutePosition(), m_rs->recordCount(), m_rs->editMode() == RecordSet::EditMode::Add);
}

void TableBrowser::positionChanged() {
    m_status->setText(positionText());
    syncGrid();
}

void TableBrowser::syncGrid(bool scroll) {
    QScopedValueRollback<bool> guard(m_syncing, true);
    QItemSelectionModel* sel = m_grid->selectionModel();
    const int row = m_model->currentRow();
    if (row < 0 || row >= m_model->rowCount()) {
        sel->clearCurrentIndex();
        sel->clearSelection();
    } else {
        const QModelIndex idx = m_model->index(row, qMax(0, m_grid->currentIndex().column()));
        sel->setCurrentIndex(idx, QItemSelectionModel::ClearAndSelect);
        if (scroll)
            m_grid->scrollTo(idx);
    }
    m_grid->verticalHeader()->viewport()->update();
}

void TableBrowser::gridLineChanged(int row) {
    // Lines the model adds or removes move the grid's line by themselves; the
    // browser puts it where the record set is once the model is done.
    if (m_syncing || m_model->isChangingShape() || !m_rs->isOpen() || row < 0 || row == m_model->currentRow())
        return;
    Status s;
    if (row >= m_rs->recordCount())
        s = Status::fail(QStringLiteral("Either BOF or EOF is True, or the current record has been deleted."));
    else
        s = m_rs->setAbsolutePosition(row);  // writes the row left behind
    if (!s) {
        // The line stays on the row that could not be left; the mouse press
        // still under way selects its own line, so the grid is put back again
        // once it is done.
        report(s);
        syncGrid();
        QTimer::singleShot(0, this, [this] { syncGrid(); });
        return;
    }
    m_model->syncRowCount();
    positionChanged();
}

bool TableBrowser::report(const Status& s) {
    if (s)
        return true;
    // A box already up (a refused edit met again while it shows) is enough.
    if (m_reporting)
        return false;
    QScopedValueRollback<bool> guard(m_reporting, true);
    Dialogs::showError(s);
    return false;
}

Status TableBrowser::requireRows() const {
    if (m_rs->recordCount() == 0)
        return Status::fail(QStringLiteral("Either BOF or EOF is True, or the current record has been deleted."));
    return Status::ok();
}

Status TableBrowser::writePendingRow() {
    m_grid->commitOpenEditor();
    if (!m_rs->isOpen() || m_rs->editMode() == RecordSet::EditMode::None)
        return Status::ok();
    const Status s = m_rs->update();
    m_model->syncRowCount();
    return s;
}

// ---- keys -------------------------------------------------------------------

bool TableBrowser::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyRelease) {
        m_lastKey = nullptr;
        return false;
    }
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType())
        return false;
    auto* w = static_cast<QWidget*>(watched);
    if (w != this && !isAncestorOf(w))
        return false;
    // The find bar's keys are its own (a text is typed there).
    if (m_find && m_find->isAncestorOf(w))
        return false;
    // A key a control leaves unused travels up to its parents: preview it once.
    if (event == m_lastKey && m_lastKeyReceiver && w != m_lastKeyReceiver && w->isAncestorOf(m_lastKeyReceiver))
        return false;
    m_lastKey = event;
    m_lastKeyReceiver = w;
    return keyPreview(static_cast<QKeyEvent*>(event));
}

bool TableBrowser::keyPreview(QKeyEvent* key) {
    if (m_editMode)
        return false;
    // In an open cell editor Escape cancels the cell's edit and Home and End
    // move the caret: those keys are the editor's.
    if (m_grid->isEditingCell() &&
        (key->key() == Qt::Key_Escape || key->key() == Qt::Key_Home || key->key() == Qt::Key_End))
        return false;
    const bool ctrlAlone = (key->modifiers() & ~Qt::KeypadModifier) == Qt::ControlModifier;
    // A key acted on here is not passed on to the grid: the grid would move
    // its line a second time.
    switch (key->key()) {
    case Qt::Key_Escape:
        unloadMe();
        return true;
    case Qt::Key_End:
        last();
        return true;
    case Qt::Key_Home:
        first();
        return true;
    case Qt::Key_Up:
    case Qt::Key_PageUp:
        ctrlAlone ? first() : previous();
        return true;
    case Qt::Key_Down:
    case Qt::Key_PageDown:
        ctrlAlone ? last() : next();
        return true;
    case Qt::Key_H:
        if (!ctrlAlone || !m_spec.unitHistoryKey)
            return false;
        openUnitHistory();
        return true;
    default:
        return false;
    }
}

void TableBrowser::openUnitHistory() {
    if (!report(requireRows()))
        return;
    AnalysisForm::openUnitHistory(m_rs->value(QStringLiteral("SerialNum")).toString(),
                                  m_rs->value(QStringLiteral("ModelNumber")).toString());
}

void TableBrowser::resizeEvent(QResizeEvent* event) {
    if (event)
        Form::resizeEvent(event);
    // Every step is tried on its own: a size the window cannot take (a very
    // small window) is skipped and the next step still runs.
    const int w = width();
    const int h = height();
    m_statusBar->setGeometry(0, h - px(kBarHeight), w, px(kBarHeight));
    m_buttonBar->setGeometry(0, h - 2 * px(kBarHeight), w, px(kBarHeight));
    // The find bar, while shown, stands above the buttons and takes its height from the grid.
    const int findHeight = m_find && !m_find->isHidden() ? m_find->sizeHint().height() : 0;
    if (m_find)
        m_find->setGeometry(0, h - 2 * px(kBarHeight) - findHeight, w, findHeight);
    const int gridHeight = tw(h) - 30 - tw(m_buttonBar->height()) - tw(m_statusBar->height()) - tw(findHeight);
    if (gridHeight >= 0)
        m_grid->setGeometry(0, 0, w, px(gridHeight));
    else
        m_grid->setGeometry(0, 0, w, m_grid->height());
    const int labelWidth = tw(window_()->width()) - 1500;
    if (labelWidth >= 0)
        m_status->resize(px(labelWidth), m_status->height());
    QPushButton* nextButton = m_buttons.value(QStringLiteral("cmdNext"));
    nextButton->move(px(tw(m_status->width()) + 700), nextButton->y());
    QPushButton* lastButton = m_buttons.value(QStringLiteral("cmdLast"));
    lastButton->move(px(tw(nextButton->x()) + 340), lastButton->y());
    int right = 0;
    for (const QPushButton* b : std::as_const(m_buttons))
        if (b->parentWidget() == m_buttonBar && !b->isHidden())
            right = qMax(right, b->geometry().right());
    m_readOnly->setGeometry(right + px(120), 0, qMax(0, w - right - px(120)), px(kBarHeight));
}

// ---- buttons ----------------------------------------------------------------

void TableBrowser::add() {
    if (!m_spec.addsRows)
        return;  // the inspection rows come from data entry only
    m_grid->commitOpenEditor();
    // The new row goes after the last one; an empty table starts its first.
    Status s;
    if (m_rs->recordCount() > 0) {
        s = m_rs->moveLast();
        m_model->syncRowCount();
        positionChanged();
        if (!report(s))
            return;
    }
    s = m_rs->addNew();
    if (!report(s))
        return;
    m_model->syncRowCount();
    positionChanged();
    m_grid->setFocus();
}

void TableBrowser::edit() {
    m_grid->commitOpenEditor();
    m_status->setText(QStringLiteral("Edit record"));
    setEditMode(true);
}

void TableBrowser::update() {
    m_grid->commitOpenEditor();
    const Status s = m_rs->updateBatch();
    m_model->syncRowCount();
    if (!report(s))
        return;  // still in edit mode, the change pending
    setEditMode(false);
}

void TableBrowser::cancel() {
    // Every error is ignored here.
    m_grid->discardOpenEditor();
    setEditMode(false);
    m_rs->cancelUpdate();
    m_model->syncRowCount();
    m_rs->moveFirst();
    positionChanged();
}

void TableBrowser::remove() {
    m_grid->commitOpenEditor();
    if (m_rs->hasCurrentRow() && !confirmDelete())
        return;
    const int row = m_rs->absolutePosition();
    Status s = m_rs->deleteCurrent();
    if (!report(s))
        return;
    m_model->rowRemoved(row);
    s = m_rs->moveNext();
    if (s && m_rs->eof() && m_rs->recordCount() > 0)
        s = m_rs->moveLast();
    positionChanged();
    report(s);
}

bool TableBrowser::confirmDelete() {
    const ReferenceCodes::Use* use = ReferenceCodes::use(m_spec.referenceTable);
    if (!use)
        return Dialogs::confirmDelete();
    const int column = m_rs->fieldIndex(QString::fromLatin1(use->field));
    return CodeUseCheck::confirmDelete(*m_rs->database(), m_spec.referenceTable, m_rs->storedValue(column));
}

void TableBrowser::refresh() {
    // What was typed into the current row is written first, as on leaving the
    // row; a row the database refuses stays pending and nothing is re-read.
    if (!report(writePendingRow()))
        return;
    m_model->setRecordSet(nullptr);
    const Status s = m_rs->requery();
    bindGrid();
    report(s);
}

void TableBrowser::first() {
    m_grid->commitOpenEditor();
    if (!report(requireRows()))
        return;
    const Status s = m_rs->moveFirst();
    m_model->syncRowCount();
    positionChanged();
    report(s);
}

void TableBrowser::last() {
    m_grid->commitOpenEditor();
    if (!report(requireRows()))
        return;
    const Status s = m_rs->moveLast();
    m_model->syncRowCount();
    positionChanged();
    report(s);
}

void TableBrowser::next() {
    m_grid->commitOpenEditor();
    Status s;
    if (!m_rs->eof())
        s = m_rs->moveNext();
    if (s && m_rs->eof() && m_rs->recordCount() > 0) {
        Dialogs::beep();
        s = m_rs->moveLast();
    }
    m_model->syncRowCount();
    positionChanged();
    report(s);
}

void TableBrowser::previous() {
    m_grid->commitOpenEditor();
    Status s;
    if (!m_rs->bof())
        s = m_rs->movePrevious();
    if (s && m_rs->bof() && m_rs->recordCount() > 0) {
        Dialogs::beep();
        s = m_rs->moveFirst();
    }
    m_model->syncRowCount();
    positionChanged();
    report(s);
}

void TableBrowser::openSortDialog() { report(FormRegistry::instance().show(m_spec.sortDialog)); }

void TableBrowser::print() {
    if (m_spec.print == TableBrowserSpec::Print::Sorted)
        sortprint();
    else if (m_spec.print == TableBrowserSpec::Print::List)
        printList();
    else if (m_spec.print == TableBrowserSpec::Print::Grid)
        printGrid();
}

void TableBrowser::printGrid() {
    // What was typed into the current row belongs to what is printed.
    if (!report(writePendingRow()))
        return;
    QList<QVariantList> rows;
    MousePointer::hourglass();
    const Status s = GridRows::read(m_rs.get(), m_spec.dateFields, &rows);
    MousePointer::arrow();
    if (report(s))
        GridReport::preview(m_spec.caption, m_rs->fieldNames(), rows);
}

Status TableBrowser::exportGrid(const QString& path) {
    Status s = writePendingRow();
    QList<QVariantList> rows;
    MousePointer::hourglass();
    if (s)
        s = GridRows::read(m_rs.get(), m_spec.dateFields, &rows);
    if (s)
        s = GridReport::exportRows(m_spec.caption, m_rs->fieldNames(), rows, path);
    MousePointer::arrow();
    return s;
}

void TableBrowser::askExport() {
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Export"), AppPaths::documentsFile(m_spec.caption + QStringLiteral(".csv")),
                                                      QStringLiteral("CSV files (*.csv);;Spreadsheets (*.xlsx)"));
    if (!path.isEmpty())
        report(exportGrid(path));
}

// ---- sorting and printing ---------------------------------------------------

void TableBrowser::sortRecords() {
    FormRegistry& forms = FormRegistry::instance();
    QString orderBy;
    if (m_spec.sortKind == TableBrowserSpec::SortKind::ThreeKeys) {
        auto* dialog = forms.formAs<InspectionSortDialog>(m_spec.sortDialog);
        if (!report(dialog ? Status::ok() : Status::fail(QStringLiteral("The sort dialog is not open."))))
            return;
        orderBy = dialog->orderByText();
    } else {
        auto* dialog = forms.formAs<SortDialog>(m_spec.sortDialog);
        if (!report(dialog ? Status::ok() : Status::fail(QStringLiteral("The sort dialog is not open."))))
            return;
        orderBy = dialog->sqlField() + QLatin1Char(' ') + dialog->sqlDirection();
    }
    if (m_spec.sortUnloadsDialog)
        forms.unload(m_spec.sortDialog);
    else
        forms.hide(m_spec.sortDialog);
    if (window_()->isVisible())
        window_()->showMaximized();
    else
        window_()->setWindowState(window_()->windowState() | Qt::WindowMaximized);

    // Rows typed into the old record set are written before it is dropped.
    if (!report(writePendingRow()))
        return;
    MousePointer::hourglass();
    // The rows of the old order still being read would slow the new one.
    m_rs->pauseBuilding();
    auto sorted = std::make_unique<RecordSet>();
    // No key chosen at all: the order the browser opens in.
    const QString statement = orderBy.trimmed().isEmpty() ? m_spec.selectAtLoad : m_spec.sortPrefix + orderBy;
    const Status s = sorted->open(Schema::browserConnectPrefix() + Schema::connectionTarget(),
                                  statement);
    MousePointer::arrow();
    // A statement the database refuses leaves the browser on its previous rows.
    if (!report(s)) {
        m_rs->resumeBuilding();
        return;
    }
    m_model->setRecordSet(nullptr);
    m_rs = std::move(sorted);
    bindGrid();

    if (m_spec.asksToPrint &&
        Dialogs::show(QStringLiteral("Do you want to print this sorted table"), Dialogs::Buttons::YesNo, Dialogs::Icon::None,
                      Dialogs::appTitle(), Dialogs::Answer::Yes) == Dialogs::Answer::Yes)
        sortprint();
}

void TableBrowser::printSorted() {
    MousePointer::hourglass();
    FormRegistry& forms = FormRegistry::instance();
    // The order comes from the sort dialog; it is loaded, unseen, when needed.
    Status s = forms.load(m_spec.sortDialog);
    auto* dialog = forms.formAs<SortDialog>(m_spec.sortDialog);
    if (s && !dialog)
        s = Status::fail(QStringLiteral("The sort dialog could not be loaded."));
    if (s) {
        // The printed order is read from the options as they stand: with no
        // field chosen in the defect dialog the grid is sorted by description
        // but the list prints by code.
        const bool description = dialog->isOptionSelected(1, 1);
        const bool descending = dialog->isOptionSelected(2, 1);
        s = m_report->setReportFileName(AppPaths::folder() + QStringLiteral("\\") + m_spec.reportFile);
        if (s)
            s = m_report->setSortField(0, QLatin1String(descending ? "-" : "+") +
                                              (description ? m_spec.descriptionSortField : m_spec.codeSortField));
        if (s)
            s = m_report->action(1);
    }
    // The pointer does not stay the hourglass after a failure.
    MousePointer::arrow();
    report(s);
}

void TableBrowser::printList() {
    MousePointer::hourglass();
    Status s = m_report->setReportFileName(AppPaths::folder() + QStringLiteral("\\") + m_spec.reportFile);
    if (s)
        s = m_report->action(1);
    MousePointer::arrow();
    report(s);
}
