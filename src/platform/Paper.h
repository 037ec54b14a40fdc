#pragma once
#include <QPageSize>

// The paper reports and sheets are laid out on: "paper = a4 | letter" in
// varnex.conf, else the locale's (Letter in the United States and Canada, A4
// everywhere else).
namespace Paper {
QPageSize size();
}  // namespace Paper
