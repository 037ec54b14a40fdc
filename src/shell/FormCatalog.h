#pragma once

// Registers every form of the program with the FormRegistry. Each subsystem
// registers its own forms.
void registerAllForms();

void registerShellForms();
void registerDataEntryForms();
void registerTableForms();
void registerReportForms();
void registerUtilityForms();
void registerLineBoardForms();
void registerMonitorForms();
