// Screenshots of real windows for the page tests: what the window shows on the screen now, as a
// PNG file (RGB, 8 bits per channel).
#pragma once
#include <windows.h>

namespace qm::test {

// False when the window has no visible area or the file cannot be written.
bool CaptureWindowPng(HWND window, const char* path);
// The same pixels read back (0x00RRGGBB rows, top down), for checks such as "not blank".
bool CaptureWindowPixels(HWND window, int& width, int& height, unsigned*& pixels);  // free with delete[]

}  // namespace qm::test
