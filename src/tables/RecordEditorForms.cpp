#include "platform/FormRegistry.h"
#include "tables/RecordEditor.h"
#include "tables/RecordEditorFamily.h"

// frmDefects, frmPart, frmModel, frmLocation, frmStation and frmEmployee.
void registerRecordEditors() {
    for (const RecordEditorSpec& member : RecordEditorFamily::members())
        FormRegistry::instance().registerForm(member.form, [member]() -> Form* { return new RecordEditor(member); });
}
