#include "TrendByDay.h"

#include "platform/AppPaths.h"
#include "reports/ReportEngine.h"
#include "reports/ReportResult.h"

Status trendByDay(const QString& facility, const QString& station, const QDate& from, const QDate& to,
                  const QStringList& criteria, QList<QVariantMap>* periods) {
    const QStringList all = QStringList{QStringLiteral("BeginDate;%1;true").arg(ReportEngine::dateValue(from)),
                                        QStringLiteral("EndDate;%1;true").arg(ReportEngine::dateValue(to)),
                                        QStringLiteral("Facility;%1;true").arg(facility), QStringLiteral("Period;Day;true"),
                                        QStringLiteral("Station;%1;true").arg(station)} +
                            criteria;
    ReportResult r;
    const Status s = ReportEngine::produce(AppPaths::folder() + QStringLiteral("\\yield_trend.rpt"), all, QString(), &r);
    periods->clear();
    for (const QVariantList& row : r.groups.value(0).rows) {
        QVariantMap period;
        for (const ReportColumn& c : r.definition.columns)
            period.insert(c.field, row.value(r.definition.columnIndex(c.field)));
        periods->append(period);
    }
    return s;
}
