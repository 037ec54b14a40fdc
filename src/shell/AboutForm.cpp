#include "shell/AboutForm.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "database/Schema.h"

AboutForm::AboutForm() : Form(QStringLiteral("frmAbout"), Kind::TopLevel) {
    setCaption(QStringLiteral("About Varnex"));
    auto* layout = new QVBoxLayout(this);
    auto* titleRow = new QHBoxLayout;
    auto* title = new QLabel(QStringLiteral("Varnex - Version 1.0"), this);
    title->setObjectName(QStringLiteral("lblVersion"));
    QFont f = title->font();
    f.setPointSize(16);
    f.setBold(true);
    title->setFont(f);
    auto* tm = new QLabel(QStringLiteral("TM"), this);
    tm->setObjectName(QStringLiteral("lblTM"));
    titleRow->addWidget(title);
    titleRow->addWidget(tm, 0, Qt::AlignTop);
    titleRow->addStretch();
    layout->addLayout(titleRow);
    auto* purpose = new QLabel(QStringLiteral("Manufacturing quality inspection: inspection records, quality reports "
                                              "and reference tables in one database file."), this);
    purpose->setObjectName(QStringLiteral("lblDescription"));
    purpose->setWordWrap(true);
    layout->addWidget(purpose);
    m_database = new QLabel(this);
    m_database->setObjectName(QStringLiteral("lblDatabase"));
    m_database->setWordWrap(true);
    m_database->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(m_database);
    auto* maker = new QLabel(QStringLiteral("KEL Manufacturing Software"), this);
    maker->setObjectName(QStringLiteral("lblMaker"));
    layout->addWidget(maker);
    // OK, Return and Escape close it, as its close box does.
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setDefault(true);
    ok->setAutoDefault(true);
    connect(ok, &QPushButton::clicked, this, &QWidget::close);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    layout->addLayout(buttons);
    setClosesOnEscape(true);
    setFixedSize(420, 230);
}

void AboutForm::onLoad() {
    m_database->setText(QStringLiteral("Database: ") + Schema::describe());
    centreOnScreen();
    findChild<QPushButton*>(QStringLiteral("cmdOK"))->setFocus();
}
