#include "reports/PrintDataSheetForm.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QPushButton>

#include "platform/Dialogs.h"
#include "platform/HelpViewer.h"

PrintDataSheetForm::PrintDataSheetForm() : Form(QStringLiteral("frmPrintDataSheet"), Kind::TopLevel) {
    setHelpContext(kSheetTopic);
    setCaption(QStringLiteral("Print Data Collection Sheet"));
    auto* print = new QPushButton(QStringLiteral("Print Data Collection Sheet"), this);
    print->setObjectName(QStringLiteral("cmdPrintSheet"));
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("CmdCancel"));
    setTabOrder(print, cancel);
    // The sheet's file dialog settings; kept for the form's design, not used.
    auto* dialog = new QObject(this);
    dialog->setObjectName(QStringLiteral("CommonDialog1"));
    dialog->setProperty("DefaultExt", QStringLiteral(".pdf"));
    dialog->setProperty("FileName", QStringLiteral("c:\\kel\\forms\\Data_Collection_form.pdf"));
    connect(print, &QPushButton::clicked, this, &PrintDataSheetForm::printSheet);
    connect(cancel, &QPushButton::clicked, this, &Form::unloadMe);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(print);
    layout->addWidget(cancel);
    adjustSize();
}

void PrintDataSheetForm::onLoad() { centreOnScreen(); }

void PrintDataSheetForm::printSheet() {
    // The F1 path: the topic of the focused control or, as the button has none,
    // of the form (50). A failure is shown and the form stays open.
    QWidget* focus = QApplication::focusWidget();
    if (!focus || (focus != this && !isAncestorOf(focus)))
        focus = this;
    const Status s = HelpViewer::showTopic(HelpViewer::helpFileName(), HelpViewer::contextFor(focus));
    if (!s) {
        Dialogs::showError(s);
        return;
    }
    unloadMe();
}
