#pragma once

// Start-up of the program: one instance per application folder, the forms
// registered, the background window shown with the main menu in it.
namespace Application {
int run();
}
