#include "monitor/AlarmBanner.h"

#include <QDateTime>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

#include "database/AuditTrail.h"
#include "monitor/ChangeWatcher.h"
#include "platform/Dialogs.h"

namespace {
// The same wait as the data entry screen's own statements on a server.
constexpr int kServerTimeLimit = 10;
}  // namespace

AlarmBanner::AlarmBanner(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("fraAlarm"));
    setFocusPolicy(Qt::NoFocus);
    setAutoFillBackground(true);
    QPalette red = palette();
    red.setColor(QPalette::Window, QColor(0xc0, 0x00, 0x00));
    red.setColor(QPalette::WindowText, Qt::white);
    setPalette(red);
    m_text = new QLabel(this);
    m_text->setObjectName(QStringLiteral("lblAlarm"));
    m_text->setWordWrap(true);
    QFont bold = m_text->font();
    bold.setBold(true);
    m_text->setFont(bold);
    m_ack = new QPushButton(QStringLiteral("Acknowledge (Ctrl+K)..."), this);
    m_ack->setObjectName(QStringLiteral("cmdAcknowledge"));
    m_ack->setFocusPolicy(Qt::NoFocus);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(8, 4, 8, 4);
    row->addWidget(m_text, 1);
    row->addWidget(m_ack);
    connect(m_ack, &QPushButton::clicked, this, &AlarmBanner::acknowledge);
    // Another station's alarm or acknowledgement shows here within its notice.
    connect(&ChangeWatcher::instance(), &ChangeWatcher::changed, this, &AlarmBanner::refresh);
    hide();
}

void AlarmBanner::setDatabaseName(const QString& name) {
    if (name != m_name)
        m_db.close();
    m_name = name;
}

void AlarmBanner::close() {
    // The screen closes: the file is let go at once (the exit may compact it next).
    disconnect(&ChangeWatcher::instance(), nullptr, this, nullptr);
    m_db.close();
}

Database* AlarmBanner::connection() {
    if (!m_db.isOpen()) {
        if (m_name.isEmpty() || !m_db.open(m_name, Database::Mode::ReadWrite))
            return nullptr;
        m_db.setTimeLimit(kServerTimeLimit);
    }
    return &m_db;
}

void AlarmBanner::tellOthers() { ChangeWatcher::localChange(); }

QString AlarmBanner::text() const { return isHidden() ? QString() : m_text->text(); }

void AlarmBanner::watch(const QString& facility, const QString& station) {
    if (facility == m_facility && station == m_station)
        return;
    m_facility = facility;
    m_station = station;
    refresh();
}

void AlarmBanner::afterSubmit(const AlarmCheck::Row& row) {
    m_facility = row.facility;
    m_station = row.station;
    // The row is stored whatever the check finds: a check that fails is no
    // reason to stop the inspector, only to say so on the console.
    if (Database* db = connection()) {
        int raised = 0;
        const Status s = AlarmCheck::afterSubmit(*db, row, &raised);
        if (!s)
            qWarning("varnex: the alarm rules could not be checked: %s", qPrintable(s.error()));
        if (raised > 0)
            tellOthers();
    }
    refresh();
}

void AlarmBanner::refresh() {
    Database* db = m_facility.isEmpty() || m_station.isEmpty() ? nullptr : connection();
    QStringList messages;
    m_alarm = 0;
    if (db) {
        SqlStatement st(*db, QStringLiteral("SELECT AlarmID, Message FROM Alarm WHERE Facility = ? AND Station = ? "
                                            "AND AckAt IS NULL ORDER BY AlarmID DESC"));
        st.bind(1, m_facility);
        st.bind(2, m_station);
        while (st.next()) {
            if (!m_alarm)
                m_alarm = st.int64(0);
            messages << st.value(1).toString();
        }
    }
    if (messages.isEmpty()) {
        hide();
        return;
    }
    // The latest alarm; the others follow once it is acknowledged.
    QString line = messages.first();
    if (messages.size() > 1)
        line += QStringLiteral("  (%1 more open)").arg(messages.size() - 1);
    m_text->setText(line);
    show();
}

void AlarmBanner::acknowledge() {
    refresh();
    if (!m_alarm)
        return;
    const qint64 alarm = m_alarm;
    const QString title = QStringLiteral("Acknowledge Alarm");
    const QString cause = Dialogs::input(m_text->text() + QStringLiteral("\n\nCause:"), title).trimmed();
    if (cause.isEmpty())
        return;
    const QString action = Dialogs::input(QStringLiteral("Action taken:"), title).trimmed();
    if (action.isEmpty())
        return;
    Database* db = connection();
    if (!db) {
        Dialogs::showError(QStringLiteral("The alarm could not be acknowledged: the database cannot be opened."));
        return;
    }
    // Whoever acknowledged it first keeps it: a second answer changes nothing.
    SqlStatement st(*db, QStringLiteral("UPDATE Alarm SET AckBy = ?, AckAt = ?, Cause = ?, Action = ? "
                                        "WHERE AlarmID = ? AND AckAt IS NULL"));
    const QVariantList values{AuditTrail::who().login, QDateTime::currentDateTimeUtc().toString(Qt::ISODate), cause,
                              action, alarm};
    for (int i = 0; i < values.size(); ++i)
        st.bind(i + 1, values.at(i));
    const Status s = st.run();
    if (!s)
        Dialogs::showError(s);
    else
        tellOthers();
    refresh();
}
