#include "editor_host_window.h"

namespace qm::host {

const char* EditorWindowMissing() {
    return "the editor window of qmvsti is not available on Windows; the host's instance page shows it";
}

EditorWindowResult RunEditorWindow(IQmSoftSynthEditor*, const EditorWindowOptions&, void (*)(LONG, LONG),
                                   EditorWindowOutcome* outcome) {
    outcome->error = EditorWindowMissing();
    return EditorWindowResult::NotAvailable;
}

}  // namespace qm::host
