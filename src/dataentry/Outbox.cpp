#include "dataentry/Outbox.h"

#include <algorithm>

#include <QDate>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUuid>

Outbox::Outbox(const QString& path) : m_path(path) {}

QString Outbox::fileName() { return QStringLiteral("outbox.db"); }

const QStringList& Outbox::fields() {
    static const QStringList f{QStringLiteral("Facility"),    QStringLiteral("ModelNumber"),  QStringLiteral("SerialNum"),
                               QStringLiteral("InspectorNum"), QStringLiteral("Date"),         QStringLiteral("Station"),
                               QStringLiteral("PartNum"),      QStringLiteral("DefectCode"),   QStringLiteral("LocationCode"),
                               QStringLiteral("InspNum"),      QStringLiteral("IDate"),        QStringLiteral("OperatorNum"),
                               QStringLiteral("ODate"),        QStringLiteral("Notes")};
    return f;
}

InspectedUnit Outbox::Row::unit() const {
    return {fields.value(QStringLiteral("ModelNumber")).toString(), fields.value(QStringLiteral("SerialNum")).toString(),
            fields.value(QStringLiteral("Station")).toString()};
}

namespace {

// The values as text (a date as the database keeps it), or null.
QByteArray toJson(const QVariantMap& typed) {
    QJsonObject o;
    for (const QString& f : Outbox::fields()) {
        const QVariant v = typed.value(f);
        if (v.isNull() || !v.isValid())
            o.insert(f, QJsonValue());
        else
            o.insert(f, v.typeId() == QMetaType::QDate ? v.toDate().toString(Qt::ISODate) : v.toString());
    }
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

QVariantMap fromJson(const QString& text) {
    QVariantMap m;
    const QJsonObject o = QJsonDocument::fromJson(text.toUtf8()).object();
    for (const QString& f : Outbox::fields())
        m.insert(f, o.value(f).isString() ? QVariant(o.value(f).toString()) : QVariant());
    return m;
}

}  // namespace

Status Outbox::open(bool create) {
    if (m_db.isOpen())
        return Status::ok();
    if (!create && !QFileInfo::exists(m_path))
        return Status::fail(QStringLiteral("No row is waiting."));
    Status s = m_db.open(m_path, Database::Mode::Create);
    // A row the station said it kept must survive a power cut.
    if (s)
        s = m_db.exec(QStringLiteral("PRAGMA synchronous=FULL"));
    if (s)
        s = m_db.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS WaitingRow (Seq INTEGER PRIMARY KEY AUTOINCREMENT, "
                                     "RowUid TEXT NOT NULL UNIQUE, Fields TEXT NOT NULL, Provisional INTEGER NOT NULL, "
                                     "Refusal TEXT, Typed TEXT NOT NULL) STRICT"));
    if (!s)
        m_db.close();
    return s;
}

Status Outbox::add(const QVariantMap& fields, int provisional, QString* uid) {
    Status s = open(true);
    if (!s)
        return s;
    const QString id = QUuid::createUuid().toString(QUuid::WithoutBraces);
    SqlStatement st(m_db, QStringLiteral("INSERT INTO WaitingRow (RowUid, Fields, Provisional, Typed) VALUES (?, ?, ?, "
                                         "strftime('%Y-%m-%dT%H:%M:%fZ', 'now'))"));
    st.bind(1, id);
    st.bind(2, QString::fromUtf8(toJson(fields)));
    st.bind(3, provisional);
    s = st.status() ? st.run() : st.status();
    if (s && uid)
        *uid = id;
    return s;
}

Status Outbox::rows(QList<Row>* out, bool withRefused) {
    out->clear();
    if (!open(false))
        return Status::ok();
    SqlStatement st(m_db, QStringLiteral("SELECT Seq, RowUid, Fields, Provisional, Refusal FROM WaitingRow %1 ORDER BY Seq")
                              .arg(withRefused ? QString() : QStringLiteral("WHERE Refusal IS NULL")));
    while (st.next())
        out->append(Row{st.int64(0), st.value(1).toString(), fromJson(st.value(2).toString()), int(st.int64(3)),
                        st.value(4).toString()});
    return st.status();
}

int Outbox::count() {
    QList<Row> all;
    rows(&all);
    return int(all.size());
}

int Outbox::countOf(const InspectedUnit& unit) {
    QList<Row> all;
    rows(&all);
    return int(std::count_if(all.begin(), all.end(), [&](const Row& r) { return r.unit() == unit; }));
}

Status Outbox::remove(const QString& uid) {
    Status s = open(false);
    // A removal lost to a power cut only sends the row again, which the
    // server recognises by its id: it need not wait for the disk.
    if (s)
        s = m_db.exec(QStringLiteral("PRAGMA synchronous=NORMAL"));
    SqlStatement st(m_db, QStringLiteral("DELETE FROM WaitingRow WHERE RowUid = ?"));
    st.bind(1, uid);
    s = s && st.status() ? st.run() : (s ? st.status() : s);
    const Status full = m_db.exec(QStringLiteral("PRAGMA synchronous=FULL"));
    return s ? full : s;
}

Status Outbox::refuse(const QString& uid, const QString& reason) {
    Status s = open(false);
    SqlStatement st(m_db, QStringLiteral("UPDATE WaitingRow SET Refusal = ? WHERE RowUid = ?"));
    st.bind(1, reason);
    st.bind(2, uid);
    return s && st.status() ? st.run() : (s ? st.status() : s);
}

Status Outbox::correct(const QString& uid, const QVariantMap& fields) {
    Status s = open(false);
    SqlStatement st(m_db, QStringLiteral("UPDATE WaitingRow SET Fields = ?, Refusal = NULL WHERE RowUid = ?"));
    st.bind(1, QString::fromUtf8(toJson(fields)));
    st.bind(2, uid);
    return s && st.status() ? st.run() : (s ? st.status() : s);
}
