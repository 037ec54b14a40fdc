#include "tables/InspectionSortDialog.h"

#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>

#include "platform/FormRegistry.h"
#include "tables/TableBrowser.h"

namespace {
int px(int twips) { return qRound(twips / 15.0); }
}  // namespace

QStringList InspectionSortDialog::thenByKeyList() {
    return {QStringLiteral("(none)"), QStringLiteral("Facility"), QStringLiteral("ModelNumber"),
            QStringLiteral("SerialNum"), QStringLiteral("InspectorNum"), QStringLiteral("Date"),
            QStringLiteral("Station"), QStringLiteral("PartNum"), QStringLiteral("DefectCode"),
            QStringLiteral("LocationCode"), QStringLiteral("InspNum"), QStringLiteral("IDate"),
            QStringLiteral("OperatorNum"), QStringLiteral("ODate")};
}

QStringList InspectionSortDialog::firstKeyList() {
    QStringList keys = thenByKeyList();
    keys.insert(1, QStringLiteral("InspectionID"));
    return keys;
}

InspectionSortDialog::InspectionSortDialog() : Form(QStringLiteral("frmSortInsp"), Kind::TopLevel) {
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setCaption(QStringLiteral("Record Sort Order"));
    setFixedSize(px(6120), px(5505));

    struct FrameDef { const char* frame; const char* caption; };
    const FrameDef frames[] = {{"frmSortby", "Sort by"}, {"frmThenby1", "Then by"}, {"frmThenby2", "Then by"}};
    for (int k = 0; k < 3; ++k) {
        auto* frame = new QGroupBox(QString::fromLatin1(frames[k].caption), this);
        frame->setObjectName(QString::fromLatin1(frames[k].frame));
        frame->setGeometry(px(240), px(120 + 1500 * k), px(5640), px(1320));
        auto* combo = new QComboBox(frame);
        combo->setObjectName(QStringLiteral("Combo%1").arg(k + 1));
        combo->setEditable(false);
        combo->setGeometry(px(240), px(480), px(2775), px(315));
        m_keys << combo;
        QList<QRadioButton*> options;
        const char* const captions[] = {"Ascending", "Descending"};
        for (int e = 0; e < 2; ++e) {
            auto* b = new QRadioButton(QString::fromLatin1(captions[e]), frame);
            b->setObjectName(QStringLiteral("Option%1_%2").arg(k + 1).arg(e));
            b->setGeometry(px(3360), px(360 + 420 * e), px(2040), px(300));
            options << b;
        }
        m_directions << options;
    }
    auto* okButton = new QPushButton(QStringLiteral("OK"), this);
    okButton->setObjectName(QStringLiteral("cmdOk"));
    okButton->setGeometry(px(1200), px(4740), px(1575), px(495));
    okButton->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    cancel->setGeometry(px(3360), px(4740), px(1575), px(495));
    connect(okButton, &QPushButton::clicked, this, &InspectionSortDialog::ok);
    connect(cancel, &QPushButton::clicked, this, &Form::unloadMe);
}

void InspectionSortDialog::onLoad() {
    centreOnScreen();
    for (int k = 0; k < 3; ++k) {
        m_keys[k]->clear();
        m_keys[k]->addItems(k == 0 ? firstKeyList() : thenByKeyList());
        m_keys[k]->setCurrentIndex(-1);  // no key chosen: the box is empty
    }
    m_directions[1][0]->setChecked(true);
    m_directions[2][0]->setChecked(true);
}

QComboBox* InspectionSortDialog::keyBox(int key) const { return key >= 1 && key <= 3 ? m_keys[key - 1] : nullptr; }

QRadioButton* InspectionSortDialog::directionOption(int key, int element) const {
    return key >= 1 && key <= 3 && (element == 0 || element == 1) ? m_directions[key - 1][element] : nullptr;
}

QString InspectionSortDialog::orderByText() const {
    QString text;
    for (int k = 0; k < 3; ++k) {
        const QString key = m_keys[k]->currentText();
        if (key.isEmpty() || key == QLatin1String("(none)"))
            continue;
        // Only entries of the list can be chosen; anything else is no key.
        const QStringList allowed = k == 0 ? firstKeyList() : thenByKeyList();
        if (!allowed.contains(key))
            continue;
        // A key whose direction was not chosen sorts ascending.
        const QString direction = m_directions[k][1]->isChecked() ? QStringLiteral("DESC") : QStringLiteral("ASC");
        // Empty keys are skipped, so a comma only joins two keys.
        if (!text.isEmpty())
            text += QLatin1Char(',');
        text += key + QLatin1Char(' ') + direction + QLatin1Char(' ');
    }
    return text;
}

void InspectionSortDialog::ok() {
    hide();
    // A browser closed while the dialog was open leaves OK only closing it.
    if (auto* browser = FormRegistry::instance().formAs<TableBrowser>(QStringLiteral("tblInspection")))
        browser->sortRecords();
    unloadMe();
}
