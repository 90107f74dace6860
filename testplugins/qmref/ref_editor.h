// The reference synth's own editor: every parameter as its name, its value and a bar. A click on a
// bar sets that parameter as a user's edit (audioMasterBeginEdit, audioMasterAutomate,
// audioMasterEndEdit); a key press asks the host to grow the editor by kRefEditorGrowWidth x
// kRefEditorGrowHeight (audioMasterSizeWindow) and takes the new size when the host answers 1.
//
// Windows has the window (a GDI child of the host's window, ref_editor_win32.cpp); elsewhere there
// is none, and the synth does not announce an editor (ref_editor_posix.cpp).
// Threads: every call on the host's editor thread, as VST editors are driven.
#pragma once
#include <atomic>
#include <cstdint>
#include "protocol.h"

namespace qmtest {

class RefEditor {
public:
    // Bars of the parameters, in client coordinates: row i starts at kTop + i * kRowHeight, its text
    // line is kTextHeight high and its bar follows, kMargin from both sides.
    static constexpr int kTop = 12;
    static constexpr int kRowHeight = 56;
    static constexpr int kTextHeight = 20;
    static constexpr int kBarHeight = 16;
    static constexpr int kMargin = 12;

    RefEditor(AEffect* effect, audioMasterCallback host) : effect_(effect), host_(host) {}
    ~RefEditor();
    RefEditor(const RefEditor&) = delete;
    RefEditor& operator=(const RefEditor&) = delete;

    // Whether this platform has the editor window (effFlagsHasEditor).
    static bool Available();
    // effEditGetRect, effEditOpen, effEditClose and effEditIdle.
    intptr_t dispatch(int32_t opcode, void* ptr);
    int32_t idles() const { return idles_.load(); }

    // ---- For the window (platform part) ----
    int width() const { return rect_.right - rect_.left; }
    int height() const { return rect_.bottom - rect_.top; }
    AEffect* effect() const { return effect_; }
    // The bar of parameter `index`: left, top, right, bottom.
    void barOf(int index, int box[4]) const;
    // A click at (x, y): sets the parameter whose bar it hits; false when it hits none.
    bool click(int x, int y);
    // A key press: asks for kRefEditorGrowWidth x kRefEditorGrowHeight more; true when the host took it.
    bool grow();

private:
    bool open(void* parent);  // platform part
    void close();             // platform part

    AEffect* effect_;
    audioMasterCallback host_;
    ERect rect_{0, 0, static_cast<int16_t>(kRefEditorHeight), static_cast<int16_t>(kRefEditorWidth)};
    void* window_ = nullptr;
    std::atomic<int32_t> idles_{0};
};

}  // namespace qmtest
