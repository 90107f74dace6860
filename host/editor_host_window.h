// The top-level window the qmvsti edit command shows a plug-in's editor in: X11 on Linux
// (posix/x11_editor_window.cpp); Windows hosts show the editor in the instance property page.
#pragma once
#include <string>

#include "qmvsti/editor.h"

namespace qm::host {

struct EditorWindowOptions {
    std::string title;
    std::string screenshot;  // PNG of the window as shown, taken just before the editor closes
    long closeAfterMs = -1;  // -1: open until the user closes the window
};

enum class EditorWindowResult {
    Closed,        // the editor ran and was closed
    NoDisplay,     // no window system to show it on (no DISPLAY)
    NotAvailable,  // this build has no editor window
    Failed,        // the window or the editor could not be opened, or the screenshot not written
};

struct EditorWindowOutcome {
    LONG width = 0, height = 0;  // the editor's size once open
    std::string error;           // why it failed
};

// Null when this build shows editor windows; else why not.
const char* EditorWindowMissing();

// Opens `editor` in a window of its size and idles it about 30 times a second until the window is
// closed (or closeAfterMs passed); `opened` is called once with the size after the editor opened.
EditorWindowResult RunEditorWindow(IQmSoftSynthEditor* editor, const EditorWindowOptions& options,
                                   void (*opened)(LONG width, LONG height), EditorWindowOutcome* outcome);

}  // namespace qm::host
