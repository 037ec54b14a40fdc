#include "platform/FormRegistry.h"

void registerRecordEditors() {
}
