#pragma once
#include <functional>

#include "platform/Status.h"

// Start-up and end of the program.
namespace Application {

// Runs the program: one instance per application folder, the forms
// registered, the background window shown with the main menu in it.
int run();

// Registers the forms and loads the background window (the start-up without
// the event loop, for tests and benchmarks).
Status start();
// The line board alone, full screen (varnex --board), instead of the background window.
Status startBoard();

// Ends the process (the event loop); tests replace it.
void quit();
void setQuitHandler(std::function<void()> handler);

}  // namespace Application
