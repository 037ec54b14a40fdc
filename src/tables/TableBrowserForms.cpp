#include "platform/FormRegistry.h"

void registerTableBrowsers() {
}
