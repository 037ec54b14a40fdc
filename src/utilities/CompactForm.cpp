#include "utilities/CompactForm.h"

#include <QCoreApplication>
#include <QLabel>
#include <QVBoxLayout>

#include "platform/Dialogs.h"
#include "platform/MousePointer.h"
#include "utilities/CompactRepair.h"

CompactForm::CompactForm() : Form(QStringLiteral("frmCompact"), Kind::TopLevel) {
    setCaption(QStringLiteral("Compacting Database"));
    auto* layout = new QVBoxLayout(this);
    m_message = new QLabel(this);
    m_message->setObjectName(QStringLiteral("lblmessage"));
    m_message->setAlignment(Qt::AlignCenter);
    layout->addWidget(m_message);
    setFixedSize(360, 100);
}

void CompactForm::onLoad() {
    hide();
    MousePointer::hourglass();
    centreOnScreen();
    m_message->setText(QStringLiteral("Compacting Database, Please wait..."));
    show();
    repaint();
    const Status s = CompactRepair().run();
    if (!s) {
        // Reported once; the caller ends the program as usual.
        Dialogs::showError(s.error());
        unloadMe();
        MousePointer::arrow();
        return;
    }
    MousePointer::arrow();
    hide();
    m_message->hide();
}
