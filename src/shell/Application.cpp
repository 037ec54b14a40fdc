#include "shell/Application.h"

#include <QApplication>

#include "shell/FormCatalog.h"

namespace Application {
int run() {
    registerAllForms();
    return 0;
}
}  // namespace Application
