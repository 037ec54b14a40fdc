#pragma once
#include <QDate>
#include <QList>
#include <QStringList>
#include <QVariantMap>

#include "database/Database.h"

// The yield trend by day of one station of the test folder, as the report
// gives it: each period's columns by name. `criteria` adds others
// ("Model;M1;true", "Limits;In force;true").
Status trendByDay(const QString& facility, const QString& station, const QDate& from, const QDate& to,
                  const QStringList& criteria, QList<QVariantMap>* periods);
