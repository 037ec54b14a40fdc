#include "database/RecordNavigator.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMetaMethod>
#include <QPlainTextEdit>
#include <QStyle>
#include <QTextEdit>
#include <QToolButton>

#include "database/NavigatorKeys.h"
#include "database/Refusal.h"
#include "database/Schema.h"
#include "database/postgres/PgRoles.h"
#include "platform/Dialogs.h"
#include "platform/FieldLimit.h"
#include "platform/MaskedDateBox.h"
#include "platform/NotesBox.h"
#include "platform/Retyping.h"

namespace {
QString quoted(const QString& identifier) {
    return QLatin1Char('"') + QString(identifier).replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1Char('"');
}
bool sameValue(const QVariant& a, const QVariant& b) {
    if (a.isNull() != b.isNull())
        return false;
    return a.isNull() || a.toString() == b.toString();
}
}  // namespace

RecordNavigator::RecordNavigator(QWidget* parent, const QString& name) : QWidget(parent) {
    setObjectName(name);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    const char* names[4] = {"First", "Previous", "Next", "Last"};
    const char* arrows[4] = {"|◀", "◀", "▶", "▶|"};
    const Action actions[4] = {Action::MoveFirst, Action::MovePrevious, Action::MoveNext, Action::MoveLast};
    m_caption = new QLabel(this);
    m_caption->setObjectName(QStringLiteral("Caption"));
    m_caption->setFrameShape(QFrame::StyledPanel);
    m_caption->setMinimumWidth(160);
    for (int i = 0; i < 4; ++i) {
        auto* b = new QToolButton(this);
        b->setObjectName(QString::fromLatin1(names[i]));
        b->setText(QString::fromUtf8(arrows[i]));
        b->setFocusPolicy(Qt::NoFocus);
        b->setAutoRaise(false);
        const Action a = actions[i];
        connect(b, &QToolButton::clicked, this, [this, a] { userMove(a); });
        m_buttons[i] = b;
        if (i == 2)
            layout->addWidget(m_caption, 1);
        layout->addWidget(b);
    }
    QAbstractButton* const keyed[4] = {m_buttons[0], m_buttons[1], m_buttons[2], m_buttons[3]};
    new NavigatorKeys(this, keyed);
}

void RecordNavigator::bind(QWidget* box, const QString& field) { m_bindings.append(Binding{box, field, QVariant()}); }

QString RecordNavigator::changeRefusal() { return PgRoles::changeRefusal(m_db, m_table); }

Status RecordNavigator::refresh() {
    // A one-line box takes no line breaks and no more than its field holds
    // (unless its form set a limit of its own).
    for (const Binding& b : m_bindings)
        if (b.box && !qobject_cast<MaskedDateBox*>(b.box) && FieldLimit::of(b.box) < 0)
            FieldLimit::apply(b.box, Schema::fieldLimit(m_table, b.field));
    m_db.close();
    m_count = 0;
    m_key = 0;
    m_state = State::None;
    m_index = -1;
    m_rowValues.clear();
    m_rowFields.clear();
    Status s = m_db.open(m_databaseName);
    qint64 first = 0;
    if (s) {
        m_count = int(Schema::rowCount(m_db, m_table, &s));
        if (s && m_count > 0)
            first = keyQuery(QStringLiteral("SELECT rowid FROM %1 ORDER BY rowid LIMIT 1"), 0, &s);
    }
    if (!s) {
        m_count = 0;
        clearBoxes();
        updateArrows();
        return s;
    }
    if (m_count > 0)
        s = loadRow(first, 0);
    else
        clearBoxes();
    updateArrows();
    emit reposition();
    return s;
}

qint64 RecordNavigator::keyQuery(const QString& sql, qint64 key, Status* status) {
    SqlStatement st(m_db, sql.arg(quoted(m_table)));
    if (!st.status()) {
        *status = st.status();
        return 0;
    }
    st.bind(1, key);
    const qint64 found = st.next() ? st.int64(0) : 0;
    if (!st.status())
        *status = st.status();
    return found;
}

qint64 RecordNavigator::positionOf(qint64 key, Status* status) {
    // The newest row is the usual one (just added): no row after it (read
    // along the key: a server would otherwise scan the table for one).
    if (!keyQuery(QStringLiteral("SELECT rowid FROM %1 WHERE rowid > ? ORDER BY rowid LIMIT 1"), key, status))
        return m_count - 1;
    // Others stored rows after it (stations sharing the table): its place is
    // counted from the end, among the rows as they stand now; the rows after
    // a recent row are few, the rows before it may be millions.
    const qint64 count = Schema::rowCount(m_db, m_table, status);
    SqlStatement st(m_db, QStringLiteral("SELECT count(*) FROM %1 WHERE rowid > ?").arg(quoted(m_table)));
    st.bind(1, key);
    const qint64 after = st.next() ? st.int64(0) : 0;
    if (!st.status())
        *status = st.status();
    if (!status->isOk())
        return 0;
    m_count = int(count);
    return count - 1 - after;
}

Status RecordNavigator::recount() {
    if (!m_db.isOpen())
        return Status::ok();
    Status s;
    const qint64 count = Schema::rowCount(m_db, m_table, &s);
    if (!s)
        return s;
    m_count = int(count);
    if (m_state == State::Row) {
        const qint64 position = positionOf(m_key, &s);
        if (s)
            m_index = int(position);
    } else if (m_state == State::None && m_index >= 0) {
        m_index = m_count;  // past the end it stays past the end
    }
    updateArrows();
    return s;
}

Status RecordNavigator::close() {
    Status s;
    if (m_db.isOpen() && isDirty()) {
        bool save = true;
        bool cancel = false;
        emit validate(Action::Unload, &save, &cancel);
        if (save)
            s = writeCurrent();
    }
    m_db.close();
    return s;
}

int RecordNavigator::absolutePosition() const { return m_state == State::Row ? m_index : -1; }

bool RecordNavigator::eof() const { return m_count == 0 || (m_state == State::None && m_index >= m_count); }
bool RecordNavigator::bof() const { return m_count == 0 || (m_state == State::None && m_index < 0); }

QVariant RecordNavigator::readBox(const QWidget* box) {
    QString text;
    if (const auto* d = qobject_cast<const MaskedDateBox*>(box))
        return d->value();
    if (const auto* e = qobject_cast<const QLineEdit*>(box))
        text = e->text();
    else if (const auto* n = qobject_cast<const NotesBox*>(box))
        text = n->storedText();
    else if (const auto* p = qobject_cast<const QPlainTextEdit*>(box))
        text = p->toPlainText();
    else if (const auto* t = qobject_cast<const QTextEdit*>(box))
        text = t->toPlainText();
    return text.isEmpty() ? QVariant() : QVariant(text);
}

void RecordNavigator::writeBox(QWidget* box, const QVariant& value) {
    if (auto* d = qobject_cast<MaskedDateBox*>(box))
        d->setValue(value);
    else if (auto* e = qobject_cast<QLineEdit*>(box))
        e->setText(value.toString());
    else if (auto* n = qobject_cast<NotesBox*>(box))
        n->setStoredText(value.toString());
    else if (auto* p = qobject_cast<QPlainTextEdit*>(box))
        p->setPlainText(value.toString());
    else if (auto* t = qobject_cast<QTextEdit*>(box))
        t->setPlainText(value.toString());
}

bool RecordNavigator::isDirty() const {
    if (m_state != State::Row && m_state != State::New)
        return false;
    for (const Binding& b : m_bindings)
        if (b.box && !sameValue(readBox(b.box), b.loaded))
            return true;
    return false;
}

bool RecordNavigator::isFieldChanged(const QString& field) const {
    for (const Binding& b : m_bindings)
        if (b.box && b.field.compare(field, Qt::CaseInsensitive) == 0)
            return !sameValue(readBox(b.box), b.loaded);
    return false;
}

QVariantList RecordNavigator::boxValues() const {
    QVariantList values;
    for (const Binding& b : m_bindings)
        values << (b.box ? readBox(b.box) : QVariant());
    return values;
}

void RecordNavigator::setBoxValues(const QVariantList& values) {
    for (int i = 0; i < m_bindings.size() && i < values.size(); ++i)
        if (m_bindings[i].box)
            writeBox(m_bindings[i].box, values[i]);
}

void RecordNavigator::rememberLoaded() {
    for (Binding& b : m_bindings)
        b.loaded = b.box ? readBox(b.box) : QVariant();
}

void RecordNavigator::clearBoxes() {
    for (Binding& b : m_bindings)
        if (b.box)
            writeBox(b.box, QVariant());
    rememberLoaded();
}

Status RecordNavigator::loadRow(qint64 key, int position) {
    SqlStatement row(m_db, QStringLiteral("SELECT * FROM %1 WHERE rowid = ?").arg(quoted(m_table)));
    if (!row.status())
        return row.status();
    row.bind(1, key);
    if (!row.next())
        return row.status().isOk() ? Status::fail(QStringLiteral("The record has been deleted.")) : row.status();
    m_rowFields.clear();
    m_rowValues.clear();
    for (int i = 0; i < row.columnCount(); ++i) {
        m_rowFields << row.columnName(i);
        m_rowValues << row.value(i);
    }
    row.next();
    m_key = key;
    m_index = position;
    m_state = State::Row;
    for (Binding& b : m_bindings)
        if (b.box)
            writeBox(b.box, fieldValue(b.field));
    rememberLoaded();
    return Status::ok();
}

QVariant RecordNavigator::fieldValue(const QString& field) const {
    for (int i = 0; i < m_rowFields.size(); ++i)
        if (m_rowFields[i].compare(field, Qt::CaseInsensitive) == 0)
            return m_rowValues[i];
    return QVariant();
}

Status RecordNavigator::writeCurrent(const RowStep& alsoStore, const QStringList& unitKeys) {
    if (!m_db.isOpen())
        return Status::fail(QStringLiteral("The database is not open."));
    if (m_state != State::Row && m_state != State::New)
        return Status::fail(QStringLiteral("No current record."));
    Status s;
    if (alsoStore)
        s = m_db.beginWrite(unitKeys);
    qint64 key = 0;
    if (s)
        s = writeRow(&key);
    if (s && alsoStore)
        s = alsoStore(m_db, key);
    if (alsoStore) {
        if (s)
            s = m_db.exec(QStringLiteral("COMMIT"));
        if (!s)
            m_db.exec(QStringLiteral("ROLLBACK"));
    }
    if (!s)
        return s;
    m_lastModified = key;
    if (m_state == State::New) {
        ++m_count;
        const int position = int(positionOf(key, &s));
        return s ? loadRow(key, position) : s;
    }
    return loadRow(key, m_index);
}

Status RecordNavigator::writeRow(qint64* key) {
    QStringList fields;
    QVariantList values;
    for (const Binding& b : m_bindings) {
        if (!b.box)
            continue;
        fields << quoted(b.field);
        values << readBox(b.box);
    }
    *key = m_key;
    QString sql;
    if (m_state == State::New) {
        QStringList marks;
        for (int i = 0; i < fields.size(); ++i)
            marks << QStringLiteral("?");
        sql = fields.isEmpty() ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(quoted(m_table))
                               : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                     .arg(quoted(m_table), fields.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")));
    } else {
        QStringList sets;
        for (const QString& f : fields)
            sets << f + QStringLiteral(" = ?");
        if (sets.isEmpty())
            return Status::ok();
        sql = QStringLiteral("UPDATE %1 SET %2 WHERE rowid = ?").arg(quoted(m_table), sets.join(QStringLiteral(", ")));
    }
    SqlStatement st(m_db, sql);
    if (!st.status())
        return st.status();
    int i = 1;
    for (const QVariant& v : values)
        st.bind(i++, v);
    if (m_state == State::Row)
        st.bind(i, m_key);
    const Status s = st.run();
    if (!s) {
        auto boxOf = [&](const QString& field) -> QWidget* {
            for (const Binding& b : m_bindings)
                if (b.box && b.field.compare(field, Qt::CaseInsensitive) == 0)
                    return b.box;
            return nullptr;
        };
        QString refused;
        const QString sentence = Refusal::describe(s.error(), [&](const QString& field) {
            const QWidget* box = boxOf(field);
            return box ? readBox(box) : QVariant();
        }, &refused);
        // The box the refusal names is handed back for retyping.
        if (QWidget* box = refused.isEmpty() ? nullptr : boxOf(refused))
            Retyping::offer(box);
        return Status::fail(sentence);
    }
    if (m_state == State::New)
        *key = m_db.lastInsertRowId();
    return s;
}

Status RecordNavigator::updateRecord(const RowStep& alsoStore, const QStringList& unitKeys) {
    const Status s = writeCurrent(alsoStore, unitKeys);
    updateArrows();
    return s;
}

Status RecordNavigator::move(Action action) {
    if (!m_db.isOpen())
        return Status::fail(QStringLiteral("The database is not open."));
    if (m_state == State::None && ((action == Action::MoveNext && m_index >= m_count) ||
                                   (action == Action::MovePrevious && m_index < 0)))
        return Status::fail(QStringLiteral("No current record."));
    bool save = true;
    bool cancel = false;
    emit validate(action, &save, &cancel);
    if (cancel)
        return Status::ok();
    if (save && isDirty()) {
        const Status s = writeCurrent();
        if (!s)
            return s;
    }
    const int count = m_count;
    Status s;
    qint64 key = 0;
    int position = m_index;
    switch (action) {
    case Action::MoveFirst:
        key = keyQuery(QStringLiteral("SELECT rowid FROM %1 ORDER BY rowid LIMIT 1"), 0, &s);
        position = 0;
        break;
    case Action::MoveLast:
        key = keyQuery(QStringLiteral("SELECT rowid FROM %1 ORDER BY rowid DESC LIMIT 1"), 0, &s);
        position = count - 1;
        break;
    case Action::MoveNext:
        if (m_state == State::Row || m_state == State::Deleted) {
            // After a delete the following row has taken the deleted row's place.
            key = keyQuery(QStringLiteral("SELECT rowid FROM %1 WHERE rowid > ? ORDER BY rowid LIMIT 1"), m_key, &s);
            position = m_state == State::Deleted ? m_index : m_index + 1;
        } else if (m_state == State::None && m_index < 0) {
            key = keyQuery(QStringLiteral("SELECT rowid FROM %1 ORDER BY rowid LIMIT 1"), 0, &s);
            position = 0;
        }
        break;
    case Action::MovePrevious:
        if (m_state == State::Row || m_state == State::Deleted) {
            key = keyQuery(QStringLiteral("SELECT rowid FROM %1 WHERE rowid < ? ORDER BY rowid DESC LIMIT 1"), m_key, &s);
            position = m_index - 1;
        } else {
            key = keyQuery(QStringLiteral("SELECT rowid FROM %1 ORDER BY rowid DESC LIMIT 1"), 0, &s);
            position = count - 1;
        }
        break;
    default: break;
    }
    if (!s)
        return s;
    if (count == 0 || key == 0) {
        // Past an end: no current row.
        const bool beforeFirst = action == Action::MovePrevious;
        m_state = State::None;
        m_index = beforeFirst ? -1 : count;
        clearBoxes();
        updateArrows();
        emit reposition();
        return Status::ok();
    }
    s = loadRow(key, position);
    updateArrows();
    emit reposition();
    return s;
}

Status RecordNavigator::userMove(Action action) {
    // The arrows never move past either end.
    const int count = m_count;
    if (m_state == State::Row && ((action == Action::MoveNext && m_index >= count - 1) ||
                                  (action == Action::MovePrevious && m_index <= 0))) {
        action = action == Action::MoveNext ? Action::MoveLast : Action::MoveFirst;
    }
    if (m_state == State::None && count > 0 && (action == Action::MoveNext || action == Action::MovePrevious))
        action = action == Action::MoveNext ? Action::MoveLast : Action::MoveFirst;
    // A new row stands after the last one: forward from it is the last row,
    // which is the row itself once it has been written.
    if (m_state == State::New && action == Action::MoveNext)
        action = Action::MoveLast;
    const Status s = move(action);
    if (!s)
        raiseError(s);
    return s;
}

void RecordNavigator::raiseError(const Status& failure) {
    // A server that went away is said the same plain way on every form.
    bool handled = false;
    if (!failure.isUnreachable() && isSignalConnected(QMetaMethod::fromSignal(&RecordNavigator::error)))
        emit error(failure.error(), &handled);
    if (!handled)
        Dialogs::showError(failure);
}

Status RecordNavigator::addNew() {
    if (!m_db.isOpen() && !m_newRowsWithoutDatabase)
        return Status::fail(QStringLiteral("The database is not open."));
    bool save = true;
    bool cancel = false;
    emit validate(Action::AddNew, &save, &cancel);
    if (cancel)
        return Status::ok();
    if (save && isDirty()) {
        const Status s = writeCurrent();
        if (!s)
            return s;
    }
    m_state = State::New;
    clearBoxes();
    updateArrows();
    return Status::ok();
}

Status RecordNavigator::deleteRecord() {
    if (!m_db.isOpen())
        return Status::fail(QStringLiteral("The database is not open."));
    if (m_state != State::Row)
        return Status::fail(QStringLiteral("No current record."));
    bool save = false;
    bool cancel = false;
    emit validate(Action::Delete, &save, &cancel);
    SqlStatement st(m_db, QStringLiteral("DELETE FROM %1 WHERE rowid = ?").arg(quoted(m_table)));
    st.bind(1, m_key);
    const Status s = st.status() ? st.run() : st.status();
    if (!s)
        return s;
    --m_count;
    m_state = State::Deleted;
    updateArrows();
    return Status::ok();
}

qint64 RecordNavigator::bookmark() const { return m_state == State::Row ? m_key : 0; }

Status RecordNavigator::setBookmark(qint64 bookmark) {
    if (!m_db.isOpen())
        return Status::fail(QStringLiteral("The database is not open."));
    Status s;
    const bool exists = keyQuery(QStringLiteral("SELECT rowid FROM %1 WHERE rowid = ?"), bookmark, &s) == bookmark && bookmark != 0;
    if (!s)
        return s;
    if (!exists)
        return Status::fail(QStringLiteral("Not a valid bookmark."));
    const int position = int(positionOf(bookmark, &s));
    if (s)
        s = loadRow(bookmark, position);
    updateArrows();
    emit reposition();
    return s;
}

void RecordNavigator::setCaption(const QString& caption) { m_caption->setText(caption); }
QString RecordNavigator::caption() const { return m_caption->text(); }

void RecordNavigator::updateArrows() {
    for (QToolButton* b : m_buttons)
        b->setEnabled(m_db.isOpen());
}
