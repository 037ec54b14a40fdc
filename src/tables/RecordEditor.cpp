#include "tables/RecordEditor.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "database/Schema.h"
#include "platform/AppPaths.h"
#include "platform/Dialogs.h"
#include "platform/FieldLimit.h"
#include "platform/FormRegistry.h"
#include "platform/MousePointer.h"
#include "platform/TextBox.h"
#include "tables/CodeUseCheck.h"

namespace {

QPushButton* makeButton(QWidget* parent, const char* name, const char* text) {
    auto* b = new QPushButton(QString::fromUtf8(text), parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}
}  // namespace

RecordEditor::RecordEditor(const RecordEditorSpec& member, QWidget* parent)
    : Form(member.form, Kind::Child, parent), m_spec(member) {
    setCaption(m_spec.caption);
    setHelpContext(m_spec.helpContext);
    setClosesOnEscape(true);

    auto* fields = new QGridLayout;
    fields->setColumnStretch(1, 1);
    for (const RecordEditorField& f : m_spec.fields) {
        const int row = fields->rowCount();
        auto* label = new QLabel(f.label, this);
        label->setObjectName(f.labelName);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        auto* box = new TextBox(f.box, this);
        if (f.maxLength > 0)
            FieldLimit::apply(box, f.maxLength);
        box->setMinimumWidth(260);
        label->setBuddy(box);
        fields->addWidget(label, row, 0);
        fields->addWidget(box, row, 1);
        m_boxes << box;
    }
    for (TextBox* box : m_boxes)
        connect(box, &TextBox::left, this, [this, box] { leaveField(box); });
    if (m_spec.selectCodeOnEnter)
        m_boxes.first()->setSelectOnEnter(true);

    // The five buttons, left to right.
    struct ButtonDef {
        const char* name;
        const char* text;
        void (RecordEditor::*action)();
    };
    static const ButtonDef buttonDefs[] = {{"cmdAdd", "&Add", &RecordEditor::addRecord},
                                           {"cmdDelete", "&Delete", &RecordEditor::deleteRecord},
                                           {"cmdRefresh", "&Refresh", &RecordEditor::refreshRecords},
                                           {"cmdUpdate", "&Update", &RecordEditor::updateRecord},
                                           {"cmdClose", "&Close", &RecordEditor::unloadMe}};
    auto* buttons = new QHBoxLayout;
    QList<QWidget*> tabOrder{m_boxes.begin(), m_boxes.end()};
    for (const ButtonDef& def : buttonDefs) {
        QPushButton* b = makeButton(this, def.name, def.text);
        connect(b, &QPushButton::clicked, this, [this, b, action = def.action] {
            pressButton(b);
            (this->*action)();
        });
        buttons->addWidget(b);
        tabOrder << b;
    }

    m_data = new RecordNavigator(this);
    m_data->setRecordSource(m_spec.table);
    for (int i = 0; i < m_boxes.size(); ++i)
        m_data->bind(m_boxes[i], m_spec.fields[i].field);
    connect(m_data, &RecordNavigator::validate, this, &RecordEditor::onValidate);
    if (m_spec.handlesNavigatorEvents) {
        connect(m_data, &RecordNavigator::reposition, this, &RecordEditor::onReposition);
        connect(m_data, &RecordNavigator::error, this, &RecordEditor::onNavigatorError);
    }

    // Why the table may not be changed here, when the login may not.
    m_readOnly = new QLabel(this);
    m_readOnly->setObjectName(QStringLiteral("lblReadOnly"));
    m_readOnly->hide();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_readOnly);
    layout->addLayout(fields);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    layout->addSpacing(4);
    layout->addWidget(m_data);

    // Tab order: the fields top to bottom, then the buttons left to right.
    for (int i = 1; i < tabOrder.size(); ++i)
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
    adjustSize();
}

void RecordEditor::onLoad() {
    m_data->setDatabaseName(Schema::databaseName());
    const Status s = m_data->refresh();
    if (!s)
        reportNavigatorError(s.error());
    // A login that may only read the table reads it: no box takes typing, no button writes.
    if (const QString why = m_data->changeRefusal(); !why.isEmpty()) {
        m_readOnly->setText(why);
        m_readOnly->show();
        for (TextBox* box : m_boxes)
            box->setReadOnly(true);
        for (const char* name : {"cmdAdd", "cmdDelete", "cmdUpdate"})
            findChild<QPushButton*>(QString::fromLatin1(name))->setEnabled(false);
        adjustSize();  // wide enough for the line
        window_()->adjustSize();
    }
    centreOnScreen();
}

void RecordEditor::onUnload() {
    // Closing the navigator writes the pending edits of the current row.
    const Status s = m_data->close();
    if (!s)
        reportNavigatorError(s.error());
    FormRegistry::instance().returnFrom(objectName());
    MousePointer::arrow();
}

void RecordEditor::addRecord() {
    const Status s = m_data->addNew();
    if (!s) {
        reportButtonError(s);
        return;
    }
    if (m_spec.addFocusesFirstField)
        m_boxes.first()->setFocus(Qt::OtherFocusReason);
    // A new row has no reposition; the action is over, so is the hourglass.
    if (m_spec.handlesNavigatorEvents)
        MousePointer::arrow();
}

bool RecordEditor::confirmDelete() {
    Database db;
    db.open(m_data->databaseName(), Database::Mode::ReadOnly);  // unread, the count asks nothing more
    return CodeUseCheck::confirmDelete(db, m_spec.table, m_data->fieldValue(m_spec.fields.first().field));
}

bool RecordEditor::confirmCodeChange() {
    const QString code = m_spec.fields.first().field;
    if (!m_data->hasCurrentRow() || !m_data->isFieldChanged(code))
        return true;
    Database db;
    db.open(m_data->databaseName(), Database::Mode::ReadOnly);
    return CodeUseCheck::confirmChange(db, m_spec.table, m_data->fieldValue(code));
}

void RecordEditor::deleteRecord() {
    if (m_data->hasCurrentRow() && !confirmDelete())
        return;
    Status s = m_data->deleteRecord();
    if (s)
        s = m_data->moveNext();
    if (!s)
        reportButtonError(s);
}

void RecordEditor::refreshRecords() {
    // A file that cannot be read is found before the navigator lets go of the
    // row on screen, so a failed refresh leaves the row and its edits in place.
    Status s = probeTable();
    if (s)
        s = m_data->refresh();
    if (!s)
        reportButtonError(s);
}

void RecordEditor::updateRecord() {
    if (!confirmCodeChange())
        return;
    // Writing the row, then showing the row last written keeps a new row on screen.
    Status s = m_data->updateRecord();
    if (s)
        s = m_data->setBookmark(m_data->lastModified());
    if (!s)
        reportButtonError(s);
}

void RecordEditor::onValidate(RecordNavigator::Action action, bool* save, bool* cancel) {
    // The arrows take no focus, so the box being typed in has not been left
    // yet: its upper-casing is due before its row is written.
    leaveFocusedField();
    if (m_spec.handlesNavigatorEvents)
        MousePointer::hourglass();
    if (action == RecordNavigator::Action::Delete || !m_data->isDirty() || confirmCodeChange())
        return;
    // No: the stored code stays. Closing drops the change; anything else
    // stays on the row with the typing, to be put right.
    if (action == RecordNavigator::Action::Unload) {
        *save = false;
        return;
    }
    *cancel = true;
    if (m_spec.handlesNavigatorEvents)
        MousePointer::arrow();
}

void RecordEditor::leaveFocusedField() {
    if (auto* box = qobject_cast<TextBox*>(focusWidget()); box && m_boxes.contains(box))
        leaveField(box);
}

void RecordEditor::pressButton(QPushButton* button) {
    // An access key clicks a button without moving the focus; a pressed button
    // takes it all the same, so the field being typed in is left (and
    // upper-cased) before its row is written.
    leaveFocusedField();
    button->setFocus(Qt::OtherFocusReason);
}

void RecordEditor::onReposition() {
    MousePointer::arrow();
    m_data->setCaption(QStringLiteral("Record: ") + QString::number(m_data->absolutePosition() + 1));
}

void RecordEditor::onNavigatorError(const QString& description, bool* handled) {
    Dialogs::show(QStringLiteral("Data error event hit err:") + description);
    *handled = true;
    // The failed action is over: the row stays as it was, and so must the pointer.
    MousePointer::arrow();
}

void RecordEditor::reportNavigatorError(const QString& description) {
    if (m_spec.handlesNavigatorEvents) {
        bool handled = false;
        onNavigatorError(description, &handled);
    } else {
        Dialogs::showError(description);
    }
}

void RecordEditor::reportButtonError(const Status& s) {
    Dialogs::showError(s);
    if (m_spec.handlesNavigatorEvents)
        MousePointer::arrow();
}

void RecordEditor::leaveField(TextBox* box) {
    // One field upper-cases itself; the employee editor's shared handler
    // upper-cases all three, element 0 first.
    if (box->isReadOnly())
        return;  // nothing typed, nothing to write
    const QList<TextBox*> fields = m_spec.upperCaseAllOnLeave ? m_boxes : QList<TextBox*>{box};
    for (TextBox* field : fields) {
        const QString upper = field->text().toUpper();
        if (upper != field->text())
            field->setText(upper);
    }
}

Status RecordEditor::probeTable() const {
    Database db;
    Status s = db.open(m_data->databaseName(), Database::Mode::ReadOnly);
    if (!s)
        return s;
    SqlStatement st(db, QStringLiteral("SELECT rowid FROM \"%1\" LIMIT 1").arg(m_spec.table));
    if (st.status())
        st.next();
    return st.status();
}
