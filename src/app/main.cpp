#include <QApplication>

#include "shell/Application.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    return Application::run();
}
