#include "dataentry/WaitingRowsForm.h"

#include <algorithm>

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "database/Refusal.h"
#include "dataentry/OutboxSender.h"
#include "platform/Dialogs.h"
#include "platform/FormRegistry.h"

WaitingRowsForm::WaitingRowsForm() : Form(QStringLiteral("frmOutbox"), Kind::Child) {
    setWindowTitle(QStringLiteral("Rows Waiting at This Station"));
    setClosesOnEscape(true);
    m_grid = new QTableWidget(this);
    m_grid->setObjectName(QStringLiteral("grdWaiting"));
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_grid);
    auto* keys = new QHBoxLayout;
    const struct { const char* name; const char* text; void (WaitingRowsForm::*action)(); } buttons[] = {
        {"cmdSend", "&Send", &WaitingRowsForm::sendCurrent},
        {"cmdDiscard", "&Discard...", &WaitingRowsForm::discardCurrent},
    };
    for (const auto& b : buttons) {
        auto* button = new QPushButton(QString::fromLatin1(b.text), this);
        button->setObjectName(QString::fromLatin1(b.name));
        connect(button, &QPushButton::clicked, this, b.action);
        keys->addWidget(button);
    }
    keys->addStretch();
    layout->addLayout(keys);
    resize(900, 360);
}

void WaitingRowsForm::onLoad() {
    centreOnScreen();
    connect(&OutboxSender::station(), &OutboxSender::waitingChanged, this, &WaitingRowsForm::reload);
    reload();
}

void WaitingRowsForm::onUnload() { FormRegistry::instance().returnFrom(objectName()); }

void WaitingRowsForm::reload() {
    const int current = m_grid->currentRow();
    OutboxSender::station().outbox().rows(&m_rows);
    // One column per field in the words of the forms, then the server's reason.
    QStringList headers;
    for (const QString& f : Outbox::fields())
        headers << Refusal::fieldWords(f);
    headers << QStringLiteral("Server's reason");
    m_grid->clear();
    m_grid->setColumnCount(int(headers.size()));
    m_grid->setHorizontalHeaderLabels(headers);
    m_grid->setRowCount(int(m_rows.size()));
    for (int r = 0; r < m_rows.size(); ++r) {
        int c = 0;
        for (const QString& f : Outbox::fields())
            m_grid->setItem(r, c++, new QTableWidgetItem(m_rows[r].fields.value(f).toString()));
        auto* reason = new QTableWidgetItem(m_rows[r].refusal);
        reason->setFlags(reason->flags() & ~Qt::ItemIsEditable);
        m_grid->setItem(r, c, reason);
    }
    m_grid->resizeColumnsToContents();
    if (!m_rows.isEmpty())
        m_grid->setCurrentCell(std::clamp(current, 0, int(m_rows.size()) - 1), 0);
}

QVariantMap WaitingRowsForm::typedFields(int row) const {
    QVariantMap fields;
    int c = 0;
    for (const QString& f : Outbox::fields()) {
        const QString text = m_grid->item(row, c++)->text().trimmed();
        fields.insert(f, text.isEmpty() ? QVariant() : QVariant(text));
    }
    return fields;
}

void WaitingRowsForm::sendCurrent() {
    const int row = m_grid->currentRow();
    if (row < 0 || row >= m_rows.size())
        return;
    OutboxSender& sender = OutboxSender::station();
    Status s = sender.outbox().correct(m_rows[row].uid, typedFields(row));
    if (s)
        s = sender.sendRow(m_rows[row].uid);
    reload();
    // A refusal stands in the row's reason; a server away is said as on every form.
    if (!s && s.isUnreachable())
        Dialogs::showError(s);
}

void WaitingRowsForm::discardCurrent() {
    const int row = m_grid->currentRow();
    if (row < 0 || row >= m_rows.size())
        return;
    const InspectedUnit unit = m_rows[row].unit();
    const QString question = QStringLiteral("Discard the waiting row of %1 %2 at %3? It will never reach the server.")
                                 .arg(unit.modelNumber, unit.serialNumber, unit.station);
    if (Dialogs::show(question, Dialogs::Buttons::YesNo, Dialogs::Icon::Question, Dialogs::appTitle(), Dialogs::Answer::No) !=
        Dialogs::Answer::Yes)
        return;
    if (const Status s = OutboxSender::station().outbox().remove(m_rows[row].uid); !s)
        Dialogs::showError(s);
    reload();
}
