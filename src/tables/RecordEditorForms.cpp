#include "platform/FormRegistry.h"
#include "tables/RecordEditor.h"
#include "tables/RecordEditorFamily.h"

// frmDefects, frmPart, frmModel, frmLocation, frmStation and frmEmployee.
void registerRecordEditors() {
    for (const RecordEditorSpec& spec : RecordEditorFamily::members())
        FormRegistry::instance().registerForm(spec.form, [spec]() -> Form* { return new RecordEditor(spec); });
}
