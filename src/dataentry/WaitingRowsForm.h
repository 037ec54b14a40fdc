#pragma once
#include "dataentry/Outbox.h"
#include "platform/Form.h"

class QTableWidget;

// Data Entry -> "Rows Waiting at This Station" (frmOutbox): the rows the
// station keeps for the server, in the order typed, each with the server's
// reason when it refused it. A row's values are corrected in the grid and
// sent again; a row is discarded only after the user said so.
class WaitingRowsForm : public Form {
    Q_OBJECT
public:
    WaitingRowsForm();
    void onLoad() override;
    void onUnload() override;

    // The buttons' actions, on the grid's current row.
    void sendCurrent();
    void discardCurrent();
    void reload();

private:
    QVariantMap typedFields(int row) const;
    QTableWidget* m_grid;
    QList<Outbox::Row> m_rows;
};
