// The trail of the first form rewritten in the present one (see AuditTrail.h).
//
// The first form kept each entry's time, who, table and action as text and its
// seal as the hex SHA-256 of the link before it and the entry's nine texts.
// Each entry is sealed again in the present form as it is rewritten, so that
// a change made after the rewrite is found as before; an entry whose first
// seal did not hold (changed outside Varnex before the rewrite) is given a
// seal that does not hold either, so the rewrite hides no break. Removed
// entries stay missing: the keys and the key counter are kept.
#include <QCryptographicHash>
#include <QDateTime>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimeZone>

#include "database/AuditTrail.h"

namespace AuditTrail {

namespace {

// The first form's seal: hex SHA-256 over the link before and nine texts.
QString firstSeal(const QVariant& previousLink, const QVariantList& fields) {
    QCryptographicHash h(QCryptographicHash::Sha256);
    auto add = [&h](const QVariant& v) {
        if (v.isNull()) {
            h.addData(QByteArrayView("-;"));
            return;
        }
        const QByteArray text = v.toString().toUtf8();
        h.addData(QByteArray::number(text.size()) + ':');
        h.addData(text);
        h.addData(QByteArrayView(";"));
    };
    add(previousLink);
    for (const QVariant& f : fields)
        add(f);
    return QString::fromLatin1(h.result().toHex());
}

// The file's changes by the fields' lower-case names, as the trail now keeps them.
QVariant lowerCaseFields(const QVariant& changes) {
    if (changes.isNull())
        return changes;
    const QJsonObject before = QJsonDocument::fromJson(changes.toString().toUtf8()).object();
    QJsonObject after;
    for (auto f = before.begin(); f != before.end(); ++f)
        after.insert(f.key().toLower(), *f);
    return QString::fromUtf8(QJsonDocument(after).toJson(QJsonDocument::Compact));
}

qint64 msOf(const QString& isoTime) {
    QDateTime t = QDateTime::fromString(isoTime, Qt::ISODateWithMs);
    t.setTimeZone(QTimeZone::utc());
    return t.isValid() ? t.toMSecsSinceEpoch() : 0;
}

int actionOf(const QString& action) {
    if (action == QLatin1String("insert"))
        return int(Action::Insert);
    return int(action == QLatin1String("update") ? Action::Update : Action::Delete);
}

bool isFirstForm(Database& db, Status* status) {
    SqlStatement st(db, QStringLiteral("SELECT 1 FROM pragma_table_info('AuditTrail') WHERE name = 'RowKey'"));
    const bool first = st.next();
    if (first)
        st.next();
    *status = st.status();
    return first;
}

Status rewrite(Database& db) {
    QString drop = QStringLiteral("DROP TRIGGER IF EXISTS temp.VarnexAuditSeal;");
    for (const Audited& t : audited())
        for (const char* action : {"Insert", "Update", "Delete"})
            drop += QStringLiteral("DROP TRIGGER IF EXISTS Audit%1%2;").arg(QLatin1String(t.table), QLatin1String(action));
    qint64 counter = 0;  // read before the rename, which takes it along
    {
        SqlStatement seq(db, QStringLiteral("SELECT seq FROM sqlite_sequence WHERE name = 'AuditTrail'"));
        if (seq.next()) {
            counter = seq.int64(0);
            seq.next();
        }
    }
    Status s = db.exec(drop + QStringLiteral("ALTER TABLE AuditTrail RENAME TO AuditTrailFirstForm;"));
    // The present table, without its triggers yet (addToFile adds them after).
    if (s)
        s = db.exec(fileTablesSql(true));
    if (!s)
        return s;
    SqlStatement read(db, QStringLiteral("SELECT EntryID, At, Login, Station, Program, TableName, RowKey, Action, Changes, Hash "
                                         "FROM AuditTrailFirstForm ORDER BY EntryID"));
    SqlStatement addWho(db, QStringLiteral("INSERT INTO AuditWho (Login, Station, Program) VALUES (?, ?, ?)"));
    SqlStatement write(db, QStringLiteral("INSERT INTO AuditTrail (EntryID, At, WhoID, TableCode, KeyID, KeyCode, Action, "
                                          "Changes, Hash) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    for (const SqlStatement* st : {&read, &addWho, &write})
        if (!st->status())
            return st->status();
    QHash<QString, qint64> whoIds;
    QVariant firstLink, link;  // of the entry before, in either form
    while (read.next()) {
        QVariantList first;
        for (int i = 0; i < 9; ++i)
            first << read.value(i);
        const QVariant firstStored = read.value(9);
        const bool held = firstStored.isNull() || firstSeal(firstLink, first) == firstStored.toString();
        firstLink = firstStored.isNull() ? QVariant(firstSeal(QVariant(), first)) : firstStored;

        QVariant whoId;
        if (!first[2].isNull() || !first[3].isNull() || !first[4].isNull()) {
            const QString key = first[2].toString() + QChar(0) + first[3].toString() + QChar(0) + first[4].toString();
            if (!whoIds.contains(key)) {
                addWho.reset();
                for (int i = 0; i < 3; ++i)
                    addWho.bind(i + 1, first[2 + i]);
                if (s = addWho.run(); !s)
                    return s;
                whoIds.insert(key, db.lastInsertRowId());
            }
            whoId = whoIds.value(key);
        }
        const int code = tableCode(first[5].toString());
        const bool numbered = code == tableCode(QStringLiteral("InspectionRecord")) || code == tableCode(QStringLiteral("Employees"));
        const QVariant keyId = numbered && !first[6].isNull() ? QVariant(first[6].toLongLong()) : QVariant();
        const QVariant keyCode = numbered ? QVariant() : first[6];
        const QVariantList present = {first[0], msOf(first[1].toString()), first[2], first[3], first[4], code,
                                      numbered ? keyId : keyCode, actionOf(first[7].toString()), lowerCaseFields(first[8])};
        QVariant hash;
        if (firstStored.isNull())
            link = entryHash(QVariant(), present);
        else
            link = hash = held ? entryHash(link, present) : entryHash(QByteArray("broken before the rewrite"), present);
        const QVariantList values = {first[0], present[1], whoId, code, keyId, keyCode, present[7], present[8], hash};
        write.reset();
        for (int i = 0; i < values.size(); ++i)
            write.bind(i + 1, values[i]);
        if (s = write.run(); !s)
            return s;
    }
    if (!read.status())
        return read.status();
    if (counter > 0) {
        SqlStatement seq(db, QStringLiteral("UPDATE sqlite_sequence SET seq = max(seq, ?) WHERE name = 'AuditTrail'"));
        seq.bind(1, counter);
        if (s = seq.run(); !s)
            return s;
    }
    return db.exec(QStringLiteral("DROP TABLE AuditTrailFirstForm"));
}

}  // namespace

Status upgradeFirstForm(Database& db) {
    if (db.isServer())
        return Status::ok();
    Status s;
    if (!isFirstForm(db, &s))
        return s;
    // All of it or none of it, within the caller's transaction or its own.
    s = db.exec(QStringLiteral("SAVEPOINT AuditTrailRewrite"));
    if (s)
        s = rewrite(db);
    if (!s) {
        db.exec(QStringLiteral("ROLLBACK TO AuditTrailRewrite; RELEASE AuditTrailRewrite"));
        return s;
    }
    return db.exec(QStringLiteral("RELEASE AuditTrailRewrite"));
}

}  // namespace AuditTrail
