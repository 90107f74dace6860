// The reference synth's editor, opened through an instance in a real top-level window: its size, the
// size request of a key press as the host answers it, its screenshot and its closing. (What a click
// on the editor does is the test instrument's own business.)
#include <gtest/gtest.h>

#include <utility>

#include "hosting/editor_window.h"
#include "testplugins/protocol.h"
#include "support/win32/window_capture.h"
#include "unit/hosting_fakes.h"
#include "windows/ui/ui_test_support.h"

namespace {

// The host's side of the editor: a top-level window that follows the instance's size requests.
struct TopLevelEditorWindow final : qm::IEditorWindow {
    void RetainWindow() noexcept override {}
    void ReleaseWindow() noexcept override {}
    bool HasWindow() const noexcept override { return true; }
    void PostIdle() noexcept override {}
    void PostUpdateDisplay() noexcept override {}
    void SizeWindow(int32_t width, int32_t height) noexcept override {
        asked = {width, height};
        SetWindowPos(window, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    HWND window = ui_test::TopLevel(400, 240);
    std::pair<int32_t, int32_t> asked{0, 0};
};

// The editor window's client size, which its rectangle must report too.
std::pair<int, int> Sizes(qm::CVSTiSofthSynth* synth, HWND editor) {
    ERect* rect = nullptr;
    RECT client{};
    GetClientRect(editor, &client);
    const std::pair<int, int> shown{static_cast<int>(client.right), static_cast<int>(client.bottom)};
    if (synth->CallDispatcher(effEditGetRect, 0, 0, &rect, 0.0f) != 1 || rect == nullptr) return {0, 0};
    EXPECT_EQ(std::make_pair(rect->right - rect->left, rect->bottom - rect->top), shown) << "rectangle and window differ";
    return shown;
}

// The host takes the size the key press asks for (the refusal of an alternative-drawing instrument
// is the instance's, proved by the page and editor-session tests).
TEST(RefEditor, KeyPressAsksForASizeThatTheHostsWindowTakes) {
    const std::pair<int, int> size{qmtest::kRefEditorWidth, qmtest::kRefEditorHeight};
    const std::pair<int, int> grown{size.first + qmtest::kRefEditorGrowWidth, size.second + qmtest::kRefEditorGrowHeight};
    hosting_test::FakeType type;
    hosting_test::LoadedInstance synth{type, "qmref"};
    ASSERT_EQ(synth.result, S_OK);
    TopLevelEditorWindow host;
    synth->SetEditorWindow(&host);
    ASSERT_EQ(synth->CallDispatcher(effEditOpen, 0, 0, host.window, 0.0f), 1);
    const HWND editor = GetWindow(host.window, GW_CHILD);
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(Sizes(synth.get(), editor), size);
    SendMessageW(editor, WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_EQ(host.asked, grown);
    EXPECT_EQ(Sizes(synth.get(), editor), grown);
    ui_test::Pump();
    UpdateWindow(editor);
    EXPECT_TRUE(qm::test::CaptureWindowPng(host.window, "ref_editor.png"));
    EXPECT_EQ(synth->CallDispatcher(effEditClose, 0, 0, nullptr, 0.0f), 0);
    EXPECT_FALSE(IsWindow(editor));
    synth->SetEditorWindow(nullptr);
    DestroyWindow(host.window);
}

}  // namespace
