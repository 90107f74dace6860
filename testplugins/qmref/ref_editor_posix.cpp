// Without a window system the reference synth announces no editor, so no host opens this one.
#include "qmref/ref_editor.h"

namespace qmtest {

bool RefEditor::Available() { return false; }
bool RefEditor::open(void*) { return false; }
void RefEditor::close() { window_ = nullptr; }

}  // namespace qmtest
