#include "platform/RecordCaption.h"

namespace RecordCaption {

QString of(int position, int count, bool newRow) {
    if (newRow)
        return QStringLiteral("New record (%1 stored)").arg(count);
    if (position < 0)
        return QStringLiteral("No current record (%1 stored)").arg(count);
    return QStringLiteral("Record %1 of %2").arg(position + 1).arg(count);
}

}  // namespace RecordCaption
