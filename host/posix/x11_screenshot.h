// What an X11 window shows on the screen, written as a PNG file (RGB, 8 bits a channel).
#pragma once
#include <X11/Xlib.h>

#include <string>

namespace qm::host {

// The window's area as the screen shows it, its child windows (a plug-in's editor, drawn with
// OpenGL or not) included; false with the reason when it cannot be read or written.
bool WriteWindowPng(Display* display, Window window, const std::string& path, std::string* error);

}  // namespace qm::host
