#pragma once
#include <QList>
#include <QString>
#include <QVariantMap>

#include "database/Database.h"
#include "dataentry/ReworkCounter.h"

// The rows a station keeps while the plant server cannot be reached: a small
// SQLite file in the application folder (outbox.db), each row written with a
// full sync before the Submit that made it returns, and sent to the server in
// the order it was typed. Each row carries an id of its own, which the server
// records with the stored row, so a row is never stored twice.
class Outbox {
public:
    struct Row {
        qint64 seq = 0;  // the typed order
        QString uid;
        QVariantMap fields;  // InspectionRecord's fields by name, as typed
        int provisional = 0;  // the rework number the station showed
        QString refusal;      // why the server refused it (empty: not refused)
        InspectedUnit unit() const;
    };

    static QString fileName();  // "outbox.db"
    // The fields a waiting row holds, in the order of the data entry screen.
    static const QStringList& fields();

    explicit Outbox(const QString& path);
    QString path() const { return m_path; }

    // Keeps a row; only the fields() are kept.
    Status add(const QVariantMap& fields, int provisional, QString* uid = nullptr);
    // The waiting rows in typed order; without the refused ones when asked.
    Status rows(QList<Row>* out, bool withRefused = true);
    // Rows waiting (refused ones included); 0 when there is no file.
    int count();
    int countOf(const InspectedUnit& unit);
    Status remove(const QString& uid);
    Status refuse(const QString& uid, const QString& reason);
    // New values for a refused row, which makes it one to send again.
    Status correct(const QString& uid, const QVariantMap& fields);

private:
    Status open(bool create);
    Database m_db;
    QString m_path;
};
