// The instance's editor window: the window that holds the plug-in's own editor while it is open.
// On Windows it is the instance property page (its dialog hosts the editor site); a host without
// property pages (the Linux command-line host) gives its own editor session. The instance holds it
// with a reference (RetainWindow / ReleaseWindow) between SetEditorWindow and its teardown, and
// forwards to it what the plug-in asks of its editor.
//
// Threads: PostIdle and PostUpdateDisplay come from any thread (the audio thread included) and
// only hand the request over to the window's own thread, where the window later runs the
// instance's IdlePass (and, for a display update, refreshes what it shows). HasWindow may be asked
// from any thread. SizeWindow comes on the thread the plug-in calls from, which for a size request
// is the editor's own thread.
#pragma once
#include <cstdint>

namespace qm {

class IEditorWindow {
public:
    virtual void RetainWindow() noexcept = 0;
    virtual void ReleaseWindow() noexcept = 0;
    // True while the window exists (the page's dialog is open, the editor session is running).
    virtual bool HasWindow() const noexcept = 0;
    // Message 0x8002 of the page: the idle pass, on the window's thread.
    virtual void PostIdle() noexcept = 0;
    // Message 0x8003 of the page: the plug-in changed what its editor shows.
    virtual void PostUpdateDisplay() noexcept = 0;
    // audioMasterSizeWindow: lay the window out for an editor of `width` x `height`. The plug-in's
    // answer (1, or 0 for an instrument with the alternative-drawing mark) is the instance's.
    virtual void SizeWindow(int32_t width, int32_t height) noexcept = 0;

protected:
    ~IEditorWindow() = default;
};

}  // namespace qm
