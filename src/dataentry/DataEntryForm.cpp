#include "dataentry/DataEntryForm.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QVBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

#include "database/ReferenceCodes.h"
#include "dataentry/OutboxSender.h"
#include "database/Schema.h"
#include "monitor/AlarmBanner.h"
#include "platform/AppPaths.h"
#include "monitor/ChangeWatcher.h"
#include "platform/DateText.h"
#include "platform/Dialogs.h"
#include "platform/FormRegistry.h"
#include "platform/MaskedDateBox.h"
#include "platform/NotesBox.h"
#include "platform/RecordCaption.h"
#include "platform/Retyping.h"
#include "platform/TextBox.h"

namespace {

enum class Box { Text, Date, Notes, Button };
enum Behaviour { Plain = 0, UpperOnLeave = 1, SelectOnEnter = 2 };
enum class Place { Left, Right, Bottom };

// Every control of the screen in tab order. The tab numbers between them
// belong to the labels, which never take the focus.
struct Control {
    int tabIndex;
    const char* name;
    Box kind;
    const char* caption;  // label text, or the button's text
    const char* label;    // label name (boxes only)
    const char* field;    // bound field (boxes only)
    int behaviour;
    Place place;
    int row;
    int widthChars;  // 0: the column's width
};

const Control kControls[] = {
    {0, "txtFacility", Box::Text, "Facility", "lblFacility", "Facility", UpperOnLeave, Place::Left, 0, 3},
    {1, "txtModelNumber", Box::Text, "Model Number", "lblModelNumber", "ModelNumber", UpperOnLeave, Place::Left, 1, 0},
    {2, "txtSerialNumber", Box::Text, "Serial Number", "lblSerialNumber", "SerialNum", UpperOnLeave, Place::Left, 2, 0},
    {3, "txtInspectorNumber", Box::Text, "Inspector Number", "lblInspectorNumber", "InspectorNum",
     SelectOnEnter | UpperOnLeave, Place::Left, 3, 0},
    {4, "MaskEdBox1", Box::Date, "Date", "lblDate", "Date", Plain, Place::Left, 4, 12},
    {5, "txtStation", Box::Text, "Station", "lblStation", "Station", UpperOnLeave, Place::Left, 5, 8},
    {6, "cmdPass", Box::Button, "Pass", nullptr, nullptr, Plain, Place::Left, 6, 0},
    {7, "txtPartNum", Box::Text, "Part Number", "lblPartNumber", "PartNum", UpperOnLeave, Place::Right, 0, 0},
    {8, "txtDefectCode", Box::Text, "Defect Code", "lblDefectCode", "DefectCode", SelectOnEnter | UpperOnLeave, Place::Right, 1, 0},
    {9, "txtLocationCode", Box::Text, "Location Code", "lblLocationCode", "LocationCode", SelectOnEnter | UpperOnLeave, Place::Right,
     2, 0},
    {10, "txtpreviousinspector", Box::Text, "Previous Inspector", "lblPreviousInspector", "InspNum", SelectOnEnter | UpperOnLeave,
     Place::Right, 3, 0},
    {11, "MaskEdBox2", Box::Date, "Prev Inspection Date", "lblPrevInspDate", "IDate", Plain, Place::Right, 4, 12},
    {12, "txtOperatorNumber", Box::Text, "Operator Number", "lblOperatorNumber", "OperatorNum", SelectOnEnter | UpperOnLeave,
     Place::Right, 5, 0},
    {13, "MaskEdBox3", Box::Date, "Operator Date", "lblODate", "ODate", Plain, Place::Right, 6, 12},
    {14, "txtNotes", Box::Notes, "Notes", "lblnotes", "Notes", Plain, Place::Bottom, 0, 0},
    {15, "cmdSubmit", Box::Button, "Submit Record", nullptr, nullptr, Plain, Place::Bottom, 0, 0},
    {16, "cmdDelete", Box::Button, "Delete Record", nullptr, nullptr, Plain, Place::Bottom, 0, 0},
    {24, "txtReworkNumber", Box::Text, "Rework Number", "lblReworkNumber", "ReworkNum", Plain, Place::Right, 7, 5},
    {33, "cmdAdd", Box::Button, "Add", nullptr, nullptr, Plain, Place::Bottom, 0, 0},
};

const char* const kDateBoxes[3] = {"MaskEdBox1", "MaskEdBox2", "MaskEdBox3"};

// The code boxes and the reference table each takes its codes from, with the
// words that name them when a code is not in its table.
struct CodeList {
    const char* box;
    const char* table;
    const char* field;
    const char* what;
    const char* tableWord;
};

const CodeList kCodeLists[] = {
    {"txtModelNumber", "Model", "ModelNumber", "Model number", "model"},
    {"txtStation", "Station", "StationID", "Station", "station"},
    {"txtInspectorNumber", "Employees", "EmployeeNum", "Inspector number", "employee"},
    {"txtPartNum", "Parts", "partnum", "Part number", "part"},
    {"txtDefectCode", "defects", "defectcode", "Defect code", "defect"},
    {"txtLocationCode", "location", "locationcode", "Location code", "location"},
    {"txtpreviousinspector", "Employees", "EmployeeNum", "Previous inspector", "employee"},
    {"txtOperatorNumber", "Employees", "EmployeeNum", "Operator number", "employee"},
};

}  // namespace

DataEntryForm::DataEntryForm() : Form(QStringLiteral("frmDataEntry"), Kind::Child) {
    setWindowTitle(QStringLiteral("Inspection Record-Data Entry Screen"));
    setHelpContext(90);
    setClosesOnEscape(true);
    buildControls();
    placeControls();
}

void DataEntryForm::buildControls() {
    m_nav = new RecordNavigator(this, QStringLiteral("Data1"));
    m_nav->setRecordSource(QStringLiteral("InspectionRecord"));
    QWidget* previous = nullptr;
    for (const Control& c : kControls) {
        const QString name = QString::fromLatin1(c.name);
        QWidget* w = nullptr;
        switch (c.kind) {
        case Box::Text: {
            auto* box = new TextBox(name, this);
            box->setUpperCaseOnLeave(c.behaviour & UpperOnLeave);
            box->setSelectOnEnter(c.behaviour & SelectOnEnter);
            w = box;
            break;
        }
        case Box::Date: w = new MaskedDateBox(name, this); break;
        case Box::Notes: {
            auto* notes = new NotesBox(this);
            notes->setObjectName(name);
            notes->setTabChangesFocus(true);  // Tab leaves the notes, as in every other box
            m_notes = notes;
            w = notes;
            break;
        }
        case Box::Button: {
            auto* b = new QPushButton(QString::fromLatin1(c.caption), this);
            b->setObjectName(name);
            b->setAutoDefault(true);  // Enter presses the focused button
            w = b;
            break;
        }
        }
        if (c.field)
            m_nav->bind(w, QString::fromLatin1(c.field));
        if (c.label) {
            auto* label = new QLabel(QString::fromLatin1(c.caption), this);
            label->setObjectName(QString::fromLatin1(c.label));
            label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        }
        if (c.widthChars > 0)
            w->setFixedWidth(w->fontMetrics().horizontalAdvance(QLatin1Char('W')) * c.widthChars);
        w->setProperty("TabIndex", c.tabIndex);
        if (previous)
            QWidget::setTabOrder(previous, w);
        previous = w;
        m_controls.insert(name, w);
    }
    text("txtFacility")->setMaxLength(1);
    button("cmdAdd")->setToolTip(QStringLiteral("Add a new record"));
    button("cmdAdd")->setFixedWidth(button("cmdAdd")->fontMetrics().horizontalAdvance(QStringLiteral("Add")) * 2);

    connect(button("cmdAdd"), &QPushButton::clicked, this, &DataEntryForm::add);
    connect(button("cmdDelete"), &QPushButton::clicked, this, &DataEntryForm::deleteRecord);
    connect(button("cmdPass"), &QPushButton::clicked, this, &DataEntryForm::pass);
    connect(button("cmdSubmit"), &QPushButton::clicked, this, &DataEntryForm::submit);
    connect(m_nav, &RecordNavigator::reposition, this, [this] {
        m_keepStored = false;
        showPosition();
    });
    connect(m_nav, &RecordNavigator::validate, this, &DataEntryForm::onValidate);

    // The station's own lines while the server is away.
    m_awayLine = new QLabel(this);
    m_awayLine->setObjectName(QStringLiteral("lblServerAway"));
    m_awayLine->setWordWrap(true);
    // The lines keep their room, so the screen is laid out once for them.
    m_awayLine->setMinimumHeight(m_awayLine->fontMetrics().lineSpacing() * 2);
    m_offline = new QLabel(this);
    m_offline->setObjectName(QStringLiteral("lblOffline"));
    m_provisional = new QLabel(QStringLiteral("provisional"), this);
    m_provisional->setObjectName(QStringLiteral("lblProvisional"));
    m_provisional->setToolTip(QStringLiteral("The server numbers the row when it arrives."));
    m_provisional->hide();
    m_banner = new AlarmBanner(this);
    for (QWidget* w : std::as_const(m_controls))
        w->installEventFilter(this);
    for (const char* box : {"txtFacility", "txtStation"})
        connect(text(box), &QLineEdit::editingFinished, this, [this] {
            m_banner->watch(text("txtFacility")->text().toUpper(), text("txtStation")->text().toUpper());
        });
}

bool DataEntryForm::eventFilter(QObject* watched, QEvent* event) {
    const bool key = event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride;
    if (key) {
        auto* k = static_cast<QKeyEvent*>(event);
        if (k->key() == Qt::Key_K && k->modifiers() == Qt::ControlModifier) {
            event->accept();
            if (event->type() == QEvent::KeyPress)
                m_banner->acknowledge();
            return true;
        }
    }
    return Form::eventFilter(watched, event);
}

void DataEntryForm::placeControls() {
    // Two columns of right-aligned labels and boxes; below them the keys, the
    // navigator and the notes.
    // The alarm line, when one is open, above everything.
    auto* page = new QVBoxLayout(this);
    page->addWidget(m_banner);
    auto* grid = new QGridLayout;
    page->addLayout(grid);
    for (const Control& c : kControls) {
        if (c.place == Place::Bottom)
            continue;
        const int column = c.place == Place::Left ? 0 : 2;
        QWidget* w = m_controls.value(QString::fromLatin1(c.name));
        if (c.label)
            grid->addWidget(findChild<QLabel*>(QString::fromLatin1(c.label)), c.row, column);
        grid->addWidget(w, c.row, column + 1, Qt::AlignLeft);
    }
    auto* keys = new QHBoxLayout;
    keys->addWidget(button("cmdSubmit"));
    keys->addWidget(button("cmdDelete"));
    keys->addStretch();
    grid->addLayout(keys, 8, 0, 1, 2);
    auto* nav = new QHBoxLayout;
    nav->addWidget(m_nav, 1);
    nav->addWidget(button("cmdAdd"));
    grid->addLayout(nav, 9, 0, 1, 2);
    grid->addWidget(findChild<QLabel*>(QStringLiteral("lblnotes")), 8, 2, Qt::AlignRight | Qt::AlignTop);
    m_notes->setFixedHeight(m_notes->fontMetrics().lineSpacing() * 4);
    grid->addWidget(m_notes, 8, 3, 2, 1);
    grid->addWidget(m_provisional, 7, 3, Qt::AlignRight);
    grid->addWidget(m_awayLine, 10, 0, 1, 4);
    grid->addWidget(m_offline, 11, 0, 1, 4);
    for (const char* name : {"txtModelNumber", "txtSerialNumber", "txtInspectorNumber", "txtPartNum", "txtDefectCode",
                             "txtLocationCode", "txtpreviousinspector", "txtOperatorNumber"})
        text(name)->setMinimumWidth(text(name)->fontMetrics().horizontalAdvance(QLatin1Char('W')) * 12);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
}

TextBox* DataEntryForm::text(const char* name) const {
    return static_cast<TextBox*>(m_controls.value(QString::fromLatin1(name)));
}
MaskedDateBox* DataEntryForm::dateBox(int number) const {
    return static_cast<MaskedDateBox*>(m_controls.value(QString::fromLatin1(kDateBoxes[number - 1])));
}
QPushButton* DataEntryForm::button(const char* name) const {
    return static_cast<QPushButton*>(m_controls.value(QString::fromLatin1(name)));
}

QString DataEntryForm::connectString() const {
    return Schema::dataEntryConnectPrefix() + Schema::connectionTarget();
}

void DataEntryForm::onLoad() {
    centreOnScreen();
    m_nav->setDatabaseName(Schema::databaseName());
    m_nav->setTimeLimit(kServerTimeLimit);
    m_banner->setDatabaseName(Schema::databaseName());
    const bool server = Schema::isServer();
    m_nav->setNewRowsWithoutDatabase(server);
    const Status s = m_nav->refresh();
    showPosition();
    if (server) {
        OutboxSender& sender = OutboxSender::station();
        connect(&sender, &OutboxSender::waitingChanged, this, &DataEntryForm::showWaiting);
        showWaiting(sender.waiting());
    }
    // Without the server the screen works on the station's outbox, and says so.
    if (!s && server && s.isUnreachable()) {
        sayServerAway(QStringLiteral("The plant server cannot be reached. Rows submitted now are kept at this station "
                                     "and will be sent when the server is back."));
        add();
        return;
    }
    if (!s) {
        Dialogs::showError(s);
        return;
    }
    offerCodes();
    // The screen is for new inspections: it opens on a new row, the stored
    // rows one arrow back, so typing never lands in a stored row unasked.
    add();
    // Rows other stations store count in the caption as they come (a count
    // that cannot be read now is read at the next change).
    connect(&ChangeWatcher::instance(), &ChangeWatcher::changed, this, [this] {
        if (m_nav->isOpen() && m_nav->recount())
            showPosition();
    });
}

void DataEntryForm::offerCodes() {
    // The boxes complete from the reference tables as they stand when the
    // screen opens; a list that cannot be read offers nothing.
    Database* db = codeReader();
    if (!db)
        return;
    for (const CodeList& c : kCodeLists) {
        QStringList codes;
        ReferenceCodes::list(*db, QString::fromLatin1(c.table), QString::fromLatin1(c.field), &codes);
        text(c.box)->setCompletions(codes);
    }
}

bool DataEntryForm::confirmUnknownCodes() {
    Database* db = codeReader();
    if (!db)
        return true;  // storing the row will say what is wrong with the database
    QStringList sentences;
    TextBox* first = nullptr;
    for (const CodeList& c : kCodeLists) {
        TextBox* box = text(c.box);
        if (box->text().isEmpty())
            continue;
        bool known = true;
        ReferenceCodes::knows(*db, QString::fromLatin1(c.table), QString::fromLatin1(c.field), box->text(), &known);
        if (known)
            continue;
        sentences << QStringLiteral("%1 %2 is not in the %3 table.")
                         .arg(QString::fromLatin1(c.what), box->text(), QString::fromLatin1(c.tableWord));
        if (!first)
            first = box;
    }
    if (!first)
        return true;
    const QString question = sentences.join(QLatin1Char('\n')) + QStringLiteral(" Store the record anyway?");
    if (Dialogs::show(question, Dialogs::Buttons::YesNo, Dialogs::Icon::Question, Dialogs::appTitle(),
                      Dialogs::Answer::No) == Dialogs::Answer::Yes)
        return true;
    giveFocus(first);
    Retyping::offer(first);
    return false;
}

Database* DataEntryForm::codeReader() {
    if (!m_codes.isOpen() && !m_codes.open(m_nav->databaseName(), Database::Mode::ReadOnly))
        return nullptr;
    return &m_codes;
}

void DataEntryForm::onUnload() {
    disconnect(&ChangeWatcher::instance(), nullptr, this, nullptr);
    m_nav->close();
    m_codes.close();
    m_banner->close();
    FormRegistry::instance().returnFrom(objectName());
}

void DataEntryForm::showPosition() {
    m_nav->setCaption(RecordCaption::of(m_nav->absolutePosition(), m_nav->recordCount(), m_nav->isNewRow()));
}

void DataEntryForm::leaveFocusedBox() {
    auto* box = qobject_cast<TextBox*>(focusWidget());
    if (box && box->upperCaseOnLeave() && box->text() != box->text().toUpper())
        box->setText(box->text().toUpper());
}

InspectedUnit DataEntryForm::typedUnit() const {
    return {text("txtModelNumber")->text(), text("txtSerialNumber")->text(), text("txtStation")->text()};
}

InspectedUnit DataEntryForm::storedUnit() const {
    return {m_nav->fieldValue(QStringLiteral("ModelNumber")).toString(), m_nav->fieldValue(QStringLiteral("SerialNum")).toString(),
            m_nav->fieldValue(QStringLiteral("Station")).toString()};
}

bool DataEntryForm::changesStoredUnit() const {
    if (!m_nav->hasCurrentRow())
        return false;
    for (const char* field : {"Facility", "ModelNumber", "SerialNum", "Station", "Date"})
        if (m_nav->isFieldChanged(QString::fromLatin1(field)))
            return true;
    return false;
}

bool DataEntryForm::confirmUnitChange() {
    const QDate date = m_nav->fieldValue(QStringLiteral("Date")).toDate();
    const InspectedUnit unit = storedUnit();
    const QString question = QStringLiteral("Record %1 is the inspection of %2 %3 at %4 on %5. Change the stored record?")
                                 .arg(m_nav->absolutePosition() + 1)
                                 .arg(unit.modelNumber, unit.serialNumber, unit.station,
                                      date.isValid() ? DateText::shown(date) : QString());
    const bool yes = Dialogs::show(question, Dialogs::Buttons::YesNo, Dialogs::Icon::Question, Dialogs::appTitle(),
                                   Dialogs::Answer::No) == Dialogs::Answer::Yes;
    m_keepStored = !yes;
    return yes;
}

void DataEntryForm::onValidate(RecordNavigator::Action action, bool* save, bool* cancel) {
    using Action = RecordNavigator::Action;
    // A row begun but not submitted is dropped when the screen closes: only
    // Submit Record stores a new row. A correction of a stored row is written
    // on closing as on leaving it by an arrow.
    if (action == Action::Unload && m_nav->isNewRow()) {
        *save = false;
        return;
    }
    if (action == Action::Delete || action == Action::Bookmark || action == Action::Update)
        return;
    leaveFocusedBox();
    if (!changesStoredUnit())
        return;  // corrections of the other boxes are written as the row is left
    if (action == Action::Unload) {
        // The close goes on whatever the answer; No closes without the change.
        if (!confirmUnitChange()) {
            *save = false;
            return;
        }
        int rework = 0;
        if (const Status s = storeRow(&rework); !s) {
            Dialogs::showError(s);
            *save = false;
        }
        return;
    }
    // Add after a No starts the new row with the typing; the stored row stays.
    if (action == Action::AddNew && (m_keepStored || !confirmUnitChange())) {
        *save = false;
        m_carryTyping = true;
        return;
    }
    if (action != Action::AddNew && !confirmUnitChange()) {
        *cancel = true;
        return;
    }
    // Yes: the change is stored with both units numbered anew before the move.
    int rework = 0;
    const Status s = storeRow(&rework);
    if (!s) {
        Dialogs::showError(s);
        *cancel = true;
    }
}

void DataEntryForm::giveFocus(QWidget* w) {
    QWidget* from = focusWidget();
    w->setFocus(Qt::OtherFocusReason);
    // Qt sends focus events only within the active window (a message box may
    // just have closed); the box that is left is upper-cased all the same.
    if (!isActiveWindow()) {
        auto* left = qobject_cast<TextBox*>(from);
        if (left && left != w && left->upperCaseOnLeave() && left->text() != left->text().toUpper())
            left->setText(left->text().toUpper());
    }
}

void DataEntryForm::add() {
    const QVariantList typed = m_nav->boxValues();
    m_carryTyping = false;
    const Status s = m_nav->addNew();
    showPosition();
    if (!s) {
        Dialogs::showError(s);
        return;
    }
    if (!m_nav->isNewRow())
        return;  // the stored row could not be left
    giveFocus(text("txtFacility"));
    for (int i = 1; i <= 3; ++i)
        dateBox(i)->reset();
    m_nav->acceptBoxes();
    // The typing the stored row kept becomes the new row's, as typed by the user.
    if (m_carryTyping)
        m_nav->setBoxValues(typed);
    m_carryTyping = false;
}

void DataEntryForm::deleteRecord() {
    // Only a stored row is asked about; anything else is the navigator's error.
    if (m_nav->hasCurrentRow() && !Dialogs::confirmDelete())
        return;
    Status s = m_nav->deleteRecord();
    if (s)
        s = m_nav->moveNext();
    showPosition();
    if (!s)
        Dialogs::showError(s);
}

void DataEntryForm::pass() {
    giveFocus(text("txtPartNum"));
    text("txtPartNum")->setText(Schema::passPart());
    giveFocus(text("txtDefectCode"));
    text("txtDefectCode")->setText(Schema::passDefect());
    giveFocus(text("txtLocationCode"));
    text("txtLocationCode")->setText(Schema::passLocation());
    giveFocus(button("cmdSubmit"));
}

int DataEntryForm::countWithQuery(Database& db, const InspectedUnit& unit, qint64 inspectionId) {
    int n = 0;
    ReworkCounter::count(db, unit, inspectionId, &n);  // a failed count keeps 0
    return n;
}

Status DataEntryForm::storeRow(int* rework) {
    const InspectedUnit joined = typedUnit();
    // A stored row moved to another unit leaves a gap in its old unit's
    // numbers and may land between the new unit's rows: both are numbered
    // again in the same transaction, under both units' keys.
    const bool moves = m_nav->hasCurrentRow() && storedUnit() != joined;
    const InspectedUnit left = storedUnit();
    return m_nav->updateRecord([&](Database& db, qint64 key) {
        Status s = moves ? ReworkCounter::renumber(db, left) : Status::ok();
        if (s)
            s = ReworkCounter::store(db, key, *rework = m_reworkCount(db, joined, key));
        if (s && moves)
            s = ReworkCounter::renumber(db, joined);
        return s;
    }, moves ? ReworkCounter::lockKeys(left, joined) : QStringList{ReworkCounter::lockKey(joined)});
}

bool DataEntryForm::isPassRow() const {
    return text("txtPartNum")->text() == Schema::passPart() && text("txtDefectCode")->text() == Schema::passDefect() &&
           text("txtLocationCode")->text() == Schema::passLocation();
}

void DataEntryForm::submit() {
    // A stored row's unit changes only when the user says so; No stores
    // nothing and leaves the typing for Add.
    if (changesStoredUnit() && !confirmUnitChange())
        return;
    // A code that is not in its reference table is stored only when the user
    // says so: each one would become a category of its own in the reports.
    if (!confirmUnknownCodes())
        return;
    // Store the row with its rework number in one transaction, before the
    // question: whatever happens while it is up, the stored row has its
    // number, which does not depend on the answer. A refusal stores nothing
    // and leaves the boxes as typed.
    const bool passed = isPassRow();
    int rework = 0;
    bool atStation = false;
    Status s = storeOrKeep(&rework, &atStation);
    if (s && !atStation)
        s = m_nav->setBookmark(m_nav->lastModified());
    if (!s) {
        showPosition();
        Dialogs::showError(s);
        return;
    }
    const Kept kept{text("txtFacility")->text(), text("txtModelNumber")->text(), text("txtSerialNumber")->text(),
                    text("txtStation")->text(),  text("txtInspectorNumber")->text(), dateBox(1)->value()};
    // The rules are checked on the stored row; the red line shows what fired.
    // A row kept at this station waits for the server, and so does its check.
    if (!atStation) {
        ChangeWatcher::localChange();
        m_banner->afterSubmit({kept.facility, kept.station, kept.model, text("txtDefectCode")->text(), kept.date.toDate()});
    }
    TextBox* reworkBox = text("txtReworkNumber");
    giveFocus(reworkBox);
    reworkBox->setText(QString::number(rework));
    // A row kept at the station is not the navigator's to write.
    if (atStation)
        m_nav->acceptBoxes();

    // A passed unit has no other defect: the next unit follows at once.
    const bool another = !passed && Dialogs::show(QStringLiteral("Do you have another defect?"), Dialogs::Buttons::YesNo,
                                                  Dialogs::Icon::Question, Dialogs::appTitle(),
                                                  Dialogs::Answer::No) == Dialogs::Answer::Yes;
    s = another ? prepareAnotherDefect(kept) : prepareNextUnit(kept);
    // The prepared row holds only what the program kept: it is stored by the
    // next Submit, or by an arrow once the user has typed into it, never as it is.
    if (s)
        m_nav->acceptBoxes();
    showPosition();
    if (!s)
        Dialogs::showError(s);
}

Status DataEntryForm::prepareAnotherDefect(const Kept& kept) {
    const QString facility = text("txtFacility")->text();
    const int rework = text("txtReworkNumber")->text().toInt();
    // The row is stored with its number already; a box changed since (a
    // leaving box upper-cased) is written as the navigator leaves the row.
    Status s = m_nav->addNew();
    if (!s)
        return s;
    text("txtReworkNumber")->setText(QString::number(rework + 1));
    giveFocus(text("txtModelNumber"));
    text("txtModelNumber")->setText(kept.model);
    giveFocus(text("txtSerialNumber"));
    text("txtSerialNumber")->setText(kept.serial);
    giveFocus(text("txtInspectorNumber"));
    text("txtInspectorNumber")->setText(kept.inspector);
    giveFocus(dateBox(1));
    dateBox(1)->setValue(kept.date);
    giveFocus(text("txtStation"));
    text("txtStation")->setText(kept.station);
    text("txtFacility")->setText(facility);
    dateBox(2)->reset();
    dateBox(3)->reset();
    // The next defect's part comes first: Enter on Pass would pass a defective unit.
    giveFocus(text("txtPartNum"));
    return Status::ok();
}

Status DataEntryForm::prepareNextUnit(const Kept& kept) {
    Status s = m_nav->addNew();
    if (!s)
        return s;
    giveFocus(text("txtReworkNumber"));
    text("txtReworkNumber")->setText(QStringLiteral("1"));
    text("txtFacility")->setText(kept.facility);
    text("txtInspectorNumber")->setText(kept.inspector);
    dateBox(1)->setValue(kept.date);
    dateBox(2)->reset();
    dateBox(3)->reset();
    text("txtStation")->setText(kept.station);
    giveFocus(text("txtModelNumber"));
    return Status::ok();
}

Status DataEntryForm::storeOrKeep(int* rework, bool* kept) {
    *kept = false;
    if (!Schema::isServer())
        return storeRow(rework);
    OutboxSender& sender = OutboxSender::station();
    reconnect();
    // Rows typed earlier go first; while any of them waits, this one waits behind it.
    QList<Outbox::Row> earlier;
    sender.outbox().rows(&earlier, false);
    if (!earlier.isEmpty()) {
        sender.sendNow();
        sender.outbox().rows(&earlier, false);
    }
    Status s;
    if (earlier.isEmpty()) {
        s = storeRow(rework);
        if (s) {
            sender.sawStored(typedUnit(), *rework);
            m_awayLine->clear();
            m_provisional->hide();
        }
        // A refused value is said as always; a stored row's correction waits for the server.
        if (s || !s.isUnreachable() || m_nav->hasCurrentRow())
            return s;
    }
    const InspectedUnit unit = typedUnit();
    const int provisional = sender.provisionalNumber(unit);
    QVariantMap fields;
    const QVariantList typed = m_nav->boxValues();
    int i = 0;
    for (const Control& c : kControls)
        if (c.field)
            fields.insert(QString::fromLatin1(c.field), typed.value(i++));
    QString uid;
    if (const Status k = sender.keep(fields, provisional, &uid); !k)
        return s.isOk() ? k : s;
    // Sent at once when the rows before it could go meanwhile.
    *kept = true;
    if (earlier.isEmpty() || (sender.sendNow(), sender.storedNumber(uid) == 0)) {
        *rework = provisional;
        m_provisional->show();
        const int n = sender.waiting();
        sayServerAway(QStringLiteral("The plant server cannot be reached. This row is kept at this station (%1) "
                                     "and will be sent when the server is back.")
                          .arg(OutboxSender::waitingWords(n)));
    } else {
        *rework = sender.storedNumber(uid);
        m_awayLine->clear();
        m_provisional->hide();
    }
    // What was typed is kept: the navigator does not write it.
    m_nav->acceptBoxes();
    return Status::ok();
}

void DataEntryForm::reconnect() {
    if (m_nav->isOpen())
        return;
    const QVariantList typed = m_nav->boxValues();
    const Status s = m_nav->refresh();
    m_nav->addNew();
    m_nav->setBoxValues(typed);
    if (s)
        offerCodes();
    showPosition();
}

void DataEntryForm::showWaiting(int count) {
    m_offline->setText(count > 0 ? QStringLiteral("Offline: ") + OutboxSender::waitingWords(count) : QString());
    if (count == 0)
        m_awayLine->clear();
}

void DataEntryForm::sayServerAway(const QString& sentence) {
    m_awayLine->setText(sentence);
}
