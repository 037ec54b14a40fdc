#pragma once
#include <QFrame>

#include "database/Database.h"
#include "monitor/AlarmCheck.h"

class QLabel;
class QPushButton;

// The red line across the top of the data entry screen: the open alarm of the
// facility and station the screen works at, on every screen working there,
// until someone acknowledges it (the button, or Ctrl+K on the screen), giving
// the cause and the action taken. It never takes the focus: the inspector goes
// on typing. Hidden while nothing is open.
class AlarmBanner : public QFrame {
    Q_OBJECT
public:
    explicit AlarmBanner(QWidget* parent = nullptr);

    void setDatabaseName(const QString& name);
    void close();
    // The facility and station whose open alarms are shown.
    void watch(const QString& facility, const QString& station);
    // After a Submit of this screen: the rules checked for the row, then the line read again.
    void afterSubmit(const AlarmCheck::Row& row);
    // Reads the open alarms again.
    void refresh();
    // Asks for the cause and the action (an empty answer gives up) and stores
    // them on the alarm shown, with the login and the time.
    void acknowledge();

    qint64 shownAlarm() const { return m_alarm; }
    QString text() const;

private:
    Database* connection();
    void tellOthers();

    Database m_db;
    QString m_name, m_facility, m_station;
    qint64 m_alarm = 0;
    QLabel* m_text;
    QPushButton* m_ack;
};
