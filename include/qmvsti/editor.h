/* IQmSoftSynthEditor: the plug-in's own editor in a window of the caller's, for hosts that show no
 * instance property page (the qmvsti command line on Linux). The host application never asks for
 * it; an instance answers its QueryInterface with a new companion object that holds a reference on
 * the instance. This library's own interface, not the host application's.
 *
 * Threads: GetEditorSize, OpenEditor, IdleEditor and CloseEditor come on the host's window thread,
 * the one that opened the editor. The instance's idle and display requests from other threads (the
 * audio thread included) never reach the plug-in's editor there: they are kept until the next
 * IdleEditor on the window thread.
 * Results: every slot clears its out values first and lets no exception out. */
#ifndef QMVSTI_EDITOR_H
#define QMVSTI_EDITOR_H

#include "callconv.h"
#include "com.h"

namespace qm {

inline constexpr IID IID_IQmSoftSynthEditor = {0x15A0412D, 0x24AB, 0x4A4F, {0xAD, 0x14, 0x0C, 0xF8, 0x61, 0xD1, 0x40, 0x2F}};

/* The host's side of an open editor; kept (not referenced) from OpenEditor to CloseEditor. */
struct IQmSoftSynthEditorSite {
    /* The plug-in asks for an editor of `width` x `height` pixels (audioMasterSizeWindow): the host
     * resizes the window it gave to OpenEditor. Called on the window thread, from inside the
     * plug-in; the result is not passed on (the instance answers the plug-in). */
    virtual HRESULT QM_COMCALL ResizeEditor(LONG width, LONG height) noexcept = 0;
};

struct IQmSoftSynthEditor : IUnknown {
    /* 3: the editor's size in pixels (effEditGetRect; once the plug-in asked for a size its rectangle
     * does not report, that size). S_OK; S_FALSE with 0 x 0 when the plug-in gives no rectangle;
     * E_NOTIMPL for a plug-in without an editor (effFlagsHasEditor clear); E_POINTER. */
    virtual HRESULT QM_COMCALL GetEditorSize(LONG* width, LONG* height) noexcept = 0;
    /* 4: opens the editor (effEditOpen) in `parent`, the platform's window handle (an X11 Window
     * id on Linux, an HWND on Windows); `site` may be null. The calling thread becomes the window
     * thread. S_OK; E_NOTIMPL without an editor; E_INVALIDARG for a null parent; E_UNEXPECTED when
     * this object has the editor open already or another window (a property page) holds the
     * instance's editor; QM_E_PLUGIN_EXCEPTION when the plug-in faulted (the editor is not open). */
    virtual HRESULT QM_COMCALL OpenEditor(void* parent, IQmSoftSynthEditorSite* site) noexcept = 0;
    /* 5: one idle of the open editor, about 30 a second: what the instance kept for the window
     * thread, then its idle pass with effEditIdle. S_OK; S_FALSE when the editor is not open;
     * E_UNEXPECTED on another thread than the window thread (the plug-in is not called). */
    virtual HRESULT QM_COMCALL IdleEditor() noexcept = 0;
    /* 6: closes the editor (effEditClose) before the caller destroys the window; the instance no
     * longer forwards to this object. S_OK; S_FALSE when it was not open; E_UNEXPECTED on another
     * thread than the window thread. Releasing the object's last reference closes an open editor. */
    virtual HRESULT QM_COMCALL CloseEditor() noexcept = 0;
};

} /* namespace qm */

#endif
