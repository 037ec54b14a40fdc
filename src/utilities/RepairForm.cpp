#include "utilities/RepairForm.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "database/Schema.h"
#include "platform/Dialogs.h"
#include "platform/FormRegistry.h"
#include "platform/MousePointer.h"
#include "database/AuditTrail.h"
#include "utilities/CompactRepair.h"

RepairForm::RepairForm() : Form(QStringLiteral("frmRepair")) {
    setHelpContext(190);
    setCaption(QStringLiteral("Compact And Repair"));
    auto* layout = new QVBoxLayout(this);
    m_message = new QLabel(QStringLiteral("Perform this task once a week!"), this);
    m_message->setObjectName(QStringLiteral("lblmessage"));
    m_message->setAlignment(Qt::AlignCenter);
    m_message->setWordWrap(true);
    m_start = new QPushButton(QStringLiteral("Start Compact and Repair"), this);
    m_start->setObjectName(QStringLiteral("cmdRepair"));
    layout->addWidget(m_message);
    layout->addWidget(m_start, 0, Qt::AlignHCenter);
    setFixedSize(360, 140);
    connect(m_start, &QPushButton::clicked, this, &RepairForm::startRepair);
}

void RepairForm::onLoad() {
    if (Schema::isServer()) {
        m_message->setText(CompactRepair::serverNote());
        m_start->hide();
    }
    window_()->adjustSize();
    centreOnScreen();
}

void RepairForm::onUnload() { FormRegistry::instance().returnFrom(objectName()); }

void RepairForm::startRepair() {
    MousePointer::hourglass();
    m_message->setText(QStringLiteral("Database Repair in Progress"));
    m_start->hide();
    m_message->repaint();
    CompactRepair sequence;
    Status s = sequence.repairPhase();
    if (s) {
        m_message->setText(QStringLiteral("Compacting Database in Progress"));
        m_message->repaint();
        s = sequence.compactPhase();
    }
    if (!s) {
        Dialogs::showError(s);
        unloadMe();
        MousePointer::arrow();
        return;
    }
    MousePointer::arrow();
    m_message->hide();
    window_()->hide();
    // The audit trail is checked on the file as it now stands; a break is said with the rest.
    QString done = QStringLiteral("Compact and Repair Complete");
    AuditTrail::Verdict verdict;
    if (AuditTrail::verifyFile(Schema::livePath(), &verdict) && verdict.firstBroken > 0)
        done += QStringLiteral("\n\n") + verdict.summary();
    Dialogs::show(done);
    unloadMe();
}
