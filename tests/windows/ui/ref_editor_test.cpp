// The reference synth's editor, opened through an instance in a real top-level window: its size, a
// click on a parameter's bar, the size request of a key press as the host answers it, its screenshot
// and its closing.
#include <gtest/gtest.h>

#include <utility>

#include "hosting/editor_window.h"
#include "testplugins/protocol.h"
#include "support/win32/window_capture.h"
#include "unit/hosting_fakes.h"
#include "windows/ui/ui_test_support.h"

namespace {

// Bars as the editor lays them out: row i's bar 12 px from both sides, from y = 32 + 56 i, 16 high.
int BarX(double share, int width) { return 12 + static_cast<int>(share * (width - 24 - 1) + 0.5); }
int BarY(int index) { return 32 + 56 * index + 8; }

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
// is the instance's, proved by the page and editor-session tests), and the clicks land at the new width.
TEST(RefEditor, KeyPressAsksForASizeAndClicksSetTheParameterUnderThem) {
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
    const struct {
        int index;
        double share;
        int y;  // 0: on the parameter's bar
    } clicks[] = {
        {qmtest::kRefParamPan, 0.0, 0},
        {qmtest::kRefParamPitch, 1.0, 0},
        {qmtest::kRefParamMute, 0.9, BarY(qmtest::kRefParamMute) - 14},  // its name line: no change
        {qmtest::kRefParamGain, 0.25, 0},
    };
    for (const auto& click : clicks) {
        float before[qmtest::kRefParamCount];
        for (int i = 0; i < qmtest::kRefParamCount; ++i) before[i] = synth->CallGetParameter(i);
        const int y = click.y != 0 ? click.y : BarY(click.index);
        SendMessageW(editor, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(BarX(click.share, grown.first), y));
        for (int i = 0; i < qmtest::kRefParamCount; ++i) {
            const float expected = i == click.index && click.y == 0 ? static_cast<float>(click.share) : before[i];
            EXPECT_NEAR(synth->CallGetParameter(i), expected, 0.003) << "parameter " << i << " after clicking "
                                                                      << click.index << " at " << click.share;
        }
    }
    ui_test::Pump();
    UpdateWindow(editor);
    EXPECT_TRUE(qm::test::CaptureWindowPng(host.window, "ref_editor.png"));
    EXPECT_EQ(synth->CallDispatcher(effEditClose, 0, 0, nullptr, 0.0f), 0);
    EXPECT_FALSE(IsWindow(editor));
    synth->SetEditorWindow(nullptr);
    DestroyWindow(host.window);
}

}  // namespace
