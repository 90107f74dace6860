#include "editor_host_window.h"

namespace qm::host {

EditorWindowResult RunEditorWindow(IQmSoftSynthEditor*, const EditorWindowOptions&, void (*)(LONG, LONG),
                                   EditorWindowOutcome* outcome) {
    outcome->error = "the editor window of qmvsti is not available on Windows; the host's instance page shows it";
    return EditorWindowResult::NotAvailable;
}

}  // namespace qm::host
