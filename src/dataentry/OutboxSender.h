#pragma once
#include <functional>
#include <memory>

#include <QHash>
#include <QObject>
#include <QTimer>

#include "dataentry/Outbox.h"

// Sends a station's waiting rows to the server as soon as it answers: tried
// every few seconds while rows wait, and at every Submit. Each row goes in
// its own transaction under its unit's lock, as every Submit does: the
// server numbers it among the unit's rows as they stand, and records the
// row's id in the same transaction (table SentRow), so a row whose commit
// reached the server but whose removal from the outbox did not (the station
// killed in between) is recognised and not stored again. A stored row's run
// rules are checked then, as a Submit's are. A row the server refuses stays,
// with its reason, until the user corrects or discards it.
class OutboxSender : public QObject {
    Q_OBJECT
public:
    // How often the server is tried while rows wait.
    static constexpr int kRetryMs = 3000;

    OutboxSender(const QString& outboxPath, const QString& server);
    ~OutboxSender() override;

    // The station's own: the application folder's outbox, the server in use
    // (made anew when either changed).
    static OutboxSender& station();

    Outbox& outbox() { return m_outbox; }
    // Keeps a typed row; the count that follows is told.
    Status keep(const QVariantMap& fields, int provisional, QString* uid = nullptr);
    // Sends the waiting rows in typed order until none is left or the server
    // cannot be reached (its failure returned; a refusal is not one). With a
    // budget, stops after that many milliseconds and goes on soon after.
    Status sendNow(int budgetMs = -1);
    // Sends one row (a corrected one) now; its refusal or the server's failure is returned.
    Status sendRow(const QString& uid);
    // Rows waiting, refused ones included.
    int waiting();
    // "3 rows waiting", "1 row waiting".
    static QString waitingWords(int count);
    bool serverAway() const { return m_away; }

    // The station's best rework number for a unit's next row: the unit's rows
    // it last saw stored plus its own waiting rows, plus one.
    int provisionalNumber(const InspectedUnit& unit);
    // A Submit stored a unit's row with this number.
    void sawStored(const InspectedUnit& unit, int number);
    // The number the server gave a sent row (0: not sent yet).
    int storedNumber(const QString& uid) const { return m_sent.value(uid); }

    // Told each step of a row's sending: "committing" (its transaction about
    // to commit) and "committed" (committed, the row still in the outbox).
    std::function<void(const char* step)> onStep;

signals:
    // The rows waiting changed (count, refused ones included).
    void waitingChanged(int count);
    // The server answered again, or stopped answering.
    void reachabilityChanged(bool away);

private:
    Status openServer();
    Status send(const Outbox::Row& row);
    void tick();
    void told();
    void setAway(bool away);

    Outbox m_outbox;
    QString m_server;
    Database m_db;
    QTimer m_timer;
    bool m_busy = false;
    bool m_away = false;
    int m_lastCount = -1;
    QHash<QString, int> m_seen;  // by unit key
    QHash<QString, int> m_sent;  // by row id
};
