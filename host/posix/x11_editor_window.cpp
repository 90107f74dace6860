// The edit command's window on Linux, with Xlib directly: a Linux VST 2 editor wants nothing but
// an X11 window id from its host, and the plug-ins bring their own toolkits (GTK, DPF's pugl).
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>

#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdlib>

#include "editor_host_window.h"
#include "x11_screenshot.h"

namespace qm::host {

namespace {

constexpr long kIdleIntervalMs = 33;  // about 30 idles a second, as Windows hosts' editor timers
// An editor that has no rectangle before it opens gets a window of this size until it asks.
constexpr LONG kUnsizedWidth = 400;
constexpr LONG kUnsizedHeight = 300;

// Editors draw at one size: the window manager is asked not to let the user stretch it.
void FixSize(Display* display, Window window, LONG width, LONG height) {
    XSizeHints* hints = XAllocSizeHints();
    if (hints == nullptr) return;
    hints->flags = PMinSize | PMaxSize;
    hints->min_width = hints->max_width = static_cast<int>(width);
    hints->min_height = hints->max_height = static_cast<int>(height);
    XSetWMNormalHints(display, window, hints);
    XFree(hints);
}

class X11EditorSite final : public IQmSoftSynthEditorSite {
public:
    X11EditorSite(Display* display, Window window, EditorWindowOutcome* outcome) noexcept
        : display_(display), window_(window), outcome_(outcome) {}
    HRESULT QM_COMCALL ResizeEditor(LONG width, LONG height) noexcept override {
        if (width <= 0 || height <= 0) return E_INVALIDARG;
        Resize(width, height);
        return S_OK;
    }
    void Resize(LONG width, LONG height) noexcept {
        FixSize(display_, window_, width, height);
        XResizeWindow(display_, window_, static_cast<unsigned>(width), static_cast<unsigned>(height));
        XFlush(display_);
        outcome_->width = width;
        outcome_->height = height;
    }

private:
    Display* display_;
    Window window_;
    EditorWindowOutcome* outcome_;
};

// Ctrl-C in the terminal closes the window as its close button does, so the sound is still saved;
// a second one ends the program at once (an editor stuck inside the plug-in).
volatile std::sig_atomic_t closeAsked = 0;

void OnInterrupt(int signal) {
    closeAsked = 1;
    std::signal(signal, SIG_DFL);
}

void WaitForMap(Display* display, Window window) {
    XEvent event;
    do XWindowEvent(display, window, StructureNotifyMask, &event);
    while (event.type != MapNotify);
}

// Events until the window is asked to close; false then.
bool HandleEvents(Display* display, Atom deleteWindow) {
    bool open = true;
    while (XPending(display) > 0) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == ClientMessage && static_cast<Atom>(event.xclient.data.l[0]) == deleteWindow) open = false;
    }
    return open;
}

}  // namespace

const char* EditorWindowMissing() { return nullptr; }

EditorWindowResult RunEditorWindow(IQmSoftSynthEditor* editor, const EditorWindowOptions& options,
                                   void (*opened)(LONG width, LONG height), EditorWindowOutcome* outcome) {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        const char* name = std::getenv("DISPLAY");
        outcome->error = name == nullptr || *name == 0
                             ? "no display: the editor needs an X11 display (DISPLAY is not set)"
                             : std::string("cannot open the X11 display ") + name;
        return EditorWindowResult::NoDisplay;
    }
    LONG width = 0, height = 0;
    const HRESULT sized = editor->GetEditorSize(&width, &height);
    if (sized == E_NOTIMPL) {
        XCloseDisplay(display);
        outcome->error = "the plug-in has no editor";
        return EditorWindowResult::Failed;
    }
    if (sized != S_OK || width <= 0 || height <= 0) {
        width = kUnsizedWidth;
        height = kUnsizedHeight;
    }
    const int screen = DefaultScreen(display);
    const Window window = XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0, static_cast<unsigned>(width),
                                              static_cast<unsigned>(height), 0, BlackPixel(display, screen),
                                              BlackPixel(display, screen));
    XStoreName(display, window, options.title.c_str());
    Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display, window, &deleteWindow, 1);
    XSelectInput(display, window, StructureNotifyMask);
    X11EditorSite site(display, window, outcome);
    site.Resize(width, height);
    XMapWindow(display, window);
    WaitForMap(display, window);

    EditorWindowResult result = EditorWindowResult::Closed;
    const HRESULT open = editor->OpenEditor(reinterpret_cast<void*>(static_cast<uintptr_t>(window)), &site);
    if (FAILED(open)) {
        outcome->error = "the plug-in's editor did not open";
        result = EditorWindowResult::Failed;
    } else {
        // Some editors know their size only once they are open.
        LONG openWidth = 0, openHeight = 0;
        if (editor->GetEditorSize(&openWidth, &openHeight) == S_OK && openWidth > 0 && openHeight > 0 &&
            (openWidth != outcome->width || openHeight != outcome->height))
            site.Resize(openWidth, openHeight);
        if (opened != nullptr) opened(outcome->width, outcome->height);
        const auto start = std::chrono::steady_clock::now();
        closeAsked = 0;
        void (*previousInt)(int) = std::signal(SIGINT, OnInterrupt);
        void (*previousTerm)(int) = std::signal(SIGTERM, OnInterrupt);
        for (;;) {
            if (closeAsked != 0 || !HandleEvents(display, deleteWindow)) break;
            editor->IdleEditor();
            const long elapsed = static_cast<long>(
                std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count());
            if (options.closeAfterMs >= 0 && elapsed >= options.closeAfterMs) break;
            pollfd events{ConnectionNumber(display), POLLIN, 0};
            poll(&events, 1, static_cast<int>(kIdleIntervalMs - elapsed % kIdleIntervalMs));
        }
        std::signal(SIGINT, previousInt);
        std::signal(SIGTERM, previousTerm);
        XSync(display, False);
        if (!options.screenshot.empty() && !WriteWindowPng(display, window, options.screenshot, &outcome->error))
            result = EditorWindowResult::Failed;
        editor->CloseEditor();
    }
    XDestroyWindow(display, window);
    XCloseDisplay(display);
    return result;
}

}  // namespace qm::host
