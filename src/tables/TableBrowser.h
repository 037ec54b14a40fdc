#pragma once
#include <memory>
#include <optional>

#include <QHash>
#include <QPointer>

#include "platform/Form.h"
#include "platform/Status.h"
#include "tables/TableBrowserFamily.h"

class GridFind;
class GridModel;
class QKeyEvent;
class QLabel;
class QPushButton;
class RecordSet;
class ReportEngine;
class TableBrowserGrid;

// A table browser: one table of the Inspection database in a grid over a
// record set, with a button bar (Add, Edit/Update, Cancel, Delete, Refresh,
// Sort, Close, Print) and a status bar (arrows and the record position). The
// family table says which table, statements, report and sort dialog a member
// has. Browse mode takes the keys of the window; edit mode ignores them and
// leaves only Update and Cancel (with Sort and Print) on the button bar.
class TableBrowser : public Form {
    Q_OBJECT
public:
    explicit TableBrowser(const TableBrowserSpec& member);
    ~TableBrowser() override;
    void onLoad() override;
    void onUnload() override;

    const TableBrowserSpec& member() const { return m_spec; }
    RecordSet* recordSet() const { return m_rs.get(); }
    GridModel* gridModel() const { return m_model; }
    TableBrowserGrid* grid() const { return m_grid; }
    ReportEngine* reportControl() const { return m_report; }
    bool isEditMode() const { return m_editMode; }

    // The browser's public sort operation (SortDefectRecord, SortLocationRecord,
    // SortEmployeeRecord, SortModelRecord, SortPartRecord, SortInspectionRecord):
    // reads the sort dialog, which must be loaded, and re-reads the grid in its
    // order. Refresh then keeps that order.
    void sortRecords();
    // Prints the list in the order of the sort dialog's options (loaded unseen
    // when needed); tbldefects and tblLocationCode.
    void sortprint() { printSorted(); }

    // The find bar (Ctrl+F).
    GridFind* findBar() const { return m_find; }
    // The grid's rows in its order, printed through the report preview or
    // exported to a file (browsers whose Print is Grid).
    void printGrid();
    Status exportGrid(const QString& path);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QPushButton* addButton(QWidget* bar, const char* name, const QString& caption, int left, int width);
    void buildLayout();
    void bindGrid();
    void setEditMode(bool edit);

    // Handlers of the buttons.
    void add();
    void edit();
    void update();
    void cancel();
    void remove();
    // "Delete this record?", or the question for a code inspection rows name.
    bool confirmDelete();
    void refresh();
    void first();
    void last();
    void next();
    void previous();
    void openSortDialog();
    void print();
    void askExport();
    void openUnitHistory();

    bool keyPreview(QKeyEvent* key);
    void printSorted();
    void printList();
    Status writePendingRow();
    Status requireRows() const;

    void gridLineChanged(int row);
    void positionChanged();
    void syncGrid(bool scroll = true);
    void rowsArrived();
    // Another station committed: the rows are read again, the current row and
    // the scroll position kept, unless the user is editing (then at the next change).
    void followStations();
    QString positionText() const;
    bool report(const Status& s);

    TableBrowserSpec m_spec;
    std::unique_ptr<RecordSet> m_rs;
    GridModel* m_model = nullptr;
    TableBrowserGrid* m_grid = nullptr;
    GridFind* m_find = nullptr;
    ReportEngine* m_report = nullptr;
    QWidget* m_buttonBar = nullptr;
    QWidget* m_statusBar = nullptr;
    QLabel* m_status = nullptr;
    QLabel* m_readOnly = nullptr;  // shown for a login that may not change the table
    QHash<QString, QPushButton*> m_buttons;
    bool m_editMode = false;
    bool m_syncing = false;
    bool m_reporting = false;
    // Rows read again after another station's change: the row to make
    // current again once the rest of the keys arrive (-1: none), and the
    // grid's scroll position then.
    qint64 m_followKey = -1;
    int m_followScroll = 0;
    // The key press being previewed, so its trip up the parent chain is seen once.
    QEvent* m_lastKey = nullptr;
    QPointer<QWidget> m_lastKeyReceiver;
};
