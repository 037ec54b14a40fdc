#include "tables/SortDialog.h"

#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>

#include "platform/Dialogs.h"
#include "platform/FormRegistry.h"
#include "tables/TableBrowser.h"

namespace {
int px(int twips) { return qRound(twips / 15.0); }

QString helpFor(const QString& choices) {
    return QStringLiteral("This screen allows you to sort in ascending or descending order by either ") + choices +
           QStringLiteral(". Select the appropriate radio button(s) and click OK.");
}

QList<SortDialogSpec> makeFamily() {
    const QString sortOrder = QStringLiteral("Record Sort Order");
    QList<SortDialogSpec> f;
    f << SortDialogSpec{QStringLiteral("frmSortDefect"), sortOrder, QStringLiteral("tbldefects"),
                        {QStringLiteral("Defect Code"), QStringLiteral("Defect Description")}, -1,
                        {QStringLiteral("DefectCode"), QStringLiteral("DefectDescription")},
                        helpFor(QStringLiteral("Defect Code or Defect Description"))};
    f << SortDialogSpec{QStringLiteral("frmSortLocation"), QStringLiteral("Record Order Sort"), QStringLiteral("tblLocationCode"),
                        {QStringLiteral("Location Code"), QStringLiteral("Location Description")}, 0,
                        {QStringLiteral("LocationCode"), QStringLiteral("[Location Description]")},
                        helpFor(QStringLiteral("Location Code or Location Description"))};
    f << SortDialogSpec{QStringLiteral("frmSortEmployee"), sortOrder, QStringLiteral("tblEmployees"),
                        {QStringLiteral("Employee Number"), QStringLiteral("First Name"), QStringLiteral("Last Name")}, -1,
                        {QStringLiteral("EmployeeNum"), QStringLiteral("FirstName"), QStringLiteral("LastName")},
                        helpFor(QStringLiteral("Employee Number,  First Name or Last Name"))};
    f << SortDialogSpec{QStringLiteral("frmSortModel"), sortOrder, QStringLiteral("tblModel"),
                        {QStringLiteral("Model Description"), QStringLiteral("Model Number")}, 0,
                        {QStringLiteral("ModelDescription"), QStringLiteral("ModelNumber")},
                        helpFor(QStringLiteral("Model Number or Model Description"))};
    f << SortDialogSpec{QStringLiteral("frmSortPart"), sortOrder, QStringLiteral("tblPart"),
                        {QStringLiteral("Part Description"), QStringLiteral("Part Number")}, 0,
                        {QStringLiteral("PartDescription"), QStringLiteral("PartNum")},
                        helpFor(QStringLiteral("Part Description or Part Number"))};
    return f;
}
}  // namespace

const QList<SortDialogSpec>& sortDialogFamily() {
    static const QList<SortDialogSpec> family = makeFamily();
    return family;
}

const SortDialogSpec* sortDialogSpec(const QString& name) {
    for (const SortDialogSpec& s : sortDialogFamily())
        if (s.name == name)
            return &s;
    return nullptr;
}

SortDialog::SortDialog(const SortDialogSpec& member) : Form(member.name, Kind::TopLevel), m_spec(member) {
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setCaption(member.caption);

    const int rows = int(member.fieldCaptions.size());
    auto* fields = new QGroupBox(QStringLiteral("Record Fields"), this);
    fields->setObjectName(QStringLiteral("Frame1"));
    fields->setGeometry(px(240), px(120), px(2895), px(420 + 360 * rows));
    for (int i = 0; i < rows; ++i) {
        auto* b = new QRadioButton(member.fieldCaptions[i], fields);
        b->setObjectName(QStringLiteral("Option1_%1").arg(i));
        b->setGeometry(px(240), px(360 + 360 * i), px(2500), px(300));
        m_fields << b;
    }
    auto* direction = new QGroupBox(QStringLiteral("Sort Direction"), this);
    direction->setObjectName(QStringLiteral("Frame2"));
    direction->setGeometry(px(3360), px(120), px(2055), px(1140));
    const QStringList directions{QStringLiteral("Ascending"), QStringLiteral("Descending")};
    for (int i = 0; i < 2; ++i) {
        auto* b = new QRadioButton(directions[i], direction);
        b->setObjectName(QStringLiteral("Option2_%1").arg(i));
        b->setGeometry(px(240), px(360 + 360 * i), px(1700), px(300));
        m_directions << b;
    }

    const int buttonsTop = qMax(px(420 + 360 * rows), px(1140)) + px(360);
    struct ButtonDef { const char* name; const char* caption; int left; int width; };
    const ButtonDef buttons[] = {{"cmdOK", "OK", 600, 975}, {"cmdCancel", "Cancel", 2100, 855}, {"cmdHelp", "Help", 3480, 855}};
    for (const ButtonDef& d : buttons) {
        auto* b = new QPushButton(QString::fromLatin1(d.caption), this);
        b->setObjectName(QString::fromLatin1(d.name));
        b->setGeometry(px(d.left), buttonsTop, px(d.width), px(375));
    }
    findChild<QPushButton*>(QStringLiteral("cmdOK"))->setDefault(true);
    connect(findChild<QPushButton*>(QStringLiteral("cmdOK")), &QPushButton::clicked, this, &SortDialog::ok);
    connect(findChild<QPushButton*>(QStringLiteral("cmdCancel")), &QPushButton::clicked, this, &Form::unloadMe);
    connect(findChild<QPushButton*>(QStringLiteral("cmdHelp")), &QPushButton::clicked, this, &SortDialog::help);
    setFixedSize(px(5655), buttonsTop + px(375) + px(240));
}

void SortDialog::onLoad() {
    centreOnScreen();
    if (m_spec.preselectedField >= 0)
        selectOption(1, m_spec.preselectedField);
    selectOption(2, 0);
}

QRadioButton* SortDialog::option(int group, int element) const {
    const QList<QRadioButton*>& list = group == 1 ? m_fields : m_directions;
    return element >= 0 && element < list.size() ? list[element] : nullptr;
}

bool SortDialog::isOptionSelected(int group, int element) const {
    const QRadioButton* b = option(group, element);
    return b && b->isChecked();
}

void SortDialog::selectOption(int group, int element) {
    if (QRadioButton* b = option(group, element))
        b->setChecked(true);
}

int SortDialog::selectedField() const {
    for (int i = 0; i < m_fields.size(); ++i)
        if (m_fields[i]->isChecked())
            return i;
    return -1;
}

int SortDialog::sortedFieldIndex() const {
    const int selected = selectedField();
    const int last = int(m_spec.sqlFields.size()) - 1;
    return selected >= 0 && selected < last ? selected : last;
}

QString SortDialog::sqlField() const { return m_spec.sqlFields.value(sortedFieldIndex()); }

QString SortDialog::sqlDirection() const { return isOptionSelected(2, 0) ? QStringLiteral("ASC") : QStringLiteral("DESC"); }

void SortDialog::ok() {
    hide();
    // The browser may have been closed while the dialog stayed open: then OK
    // only closes the dialog.
    if (auto* browser = FormRegistry::instance().formAs<TableBrowser>(m_spec.browser))
        browser->sortRecords();
    unloadMe();
}

void SortDialog::help() {
    Dialogs::show(m_spec.helpText, Dialogs::Buttons::Ok, Dialogs::Icon::None, QStringLiteral("Sort Help"));
}
