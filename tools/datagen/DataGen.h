#pragma once
#include "platform/Status.h"

// Deterministic databases: the blank one, the demo one and large ones for
// benchmarks. Each writes a new file (an existing one is an error).
namespace DataGen {
Status createBlank(const QString& path);
Status createDemo(const QString& path);
Status createLarge(const QString& path, int rows);
}  // namespace DataGen
