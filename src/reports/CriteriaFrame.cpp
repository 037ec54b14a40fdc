#include "reports/CriteriaFrame.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/AppPaths.h"
#include "platform/Dialogs.h"
#include "reports/ReportEngine.h"

CriteriaFrame::CriteriaFrame(QWidget* form, const QString& title) : m_form(form), m_grid(new QGridLayout) {
    auto* header = new QLabel(QStringLiteral("KEL Manufacturing Software"), form);
    header->setObjectName(QStringLiteral("lblHeader"));
    header->setAlignment(Qt::AlignCenter);
    auto* titleLabel = new QLabel(title, form);
    titleLabel->setObjectName(QStringLiteral("lblTitle"));
    titleLabel->setAlignment(Qt::AlignCenter);
    QFont big = titleLabel->font();
    big.setPointSize(big.pointSize() + 6);
    big.setBold(true);
    titleLabel->setFont(big);
    m_header = header;
    m_title = titleLabel;
}

void CriteriaFrame::addRow(const QString& labelName, const QString& caption, QWidget* box) {
    auto* label = new QLabel(caption, m_form);
    label->setObjectName(labelName);
    label->setBuddy(box);
    m_grid->addWidget(label, m_rows, 0);
    m_grid->addWidget(box, m_rows, 1);
    ++m_rows;
    if (m_last)
        QWidget::setTabOrder(m_last, box);
    m_last = box;
}

void CriteriaFrame::finish() {
    m_ok = new QPushButton(QStringLiteral("OK"), m_form);
    m_ok->setObjectName(QStringLiteral("cmdOK"));
    m_exit = new QPushButton(QStringLiteral("Exit"), m_form);
    m_exit->setObjectName(QStringLiteral("cmdExit"));
    if (m_last)
        QWidget::setTabOrder(m_last, m_ok);
    QWidget::setTabOrder(m_ok, m_exit);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(m_exit);
    buttons->addStretch();
    m_layout = new QVBoxLayout(m_form);
    m_layout->addWidget(m_header);
    m_layout->addWidget(m_title);
    m_layout->addSpacing(12);
    m_layout->addLayout(m_grid);
    m_layout->addSpacing(12);
    m_layout->addLayout(buttons);
}

void CriteriaFrame::openReportFile(ReportEngine* engine, const char* reportFile) {
    const Status s = engine->setReportFileName(AppPaths::folder() + QLatin1Char('\\') + QString::fromLatin1(reportFile));
    if (!s)
        Dialogs::showError(s);
}
