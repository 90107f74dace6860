// The reference synth's editor, opened through an instance in a real top-level window: its size,
// a click on a parameter's bar, the size request of a key press as the host answers it, the idle
// calls, its screenshot and its closing.
#include <gtest/gtest.h>

#include <utility>

#include "hosting/editor_window.h"
#include "testplugins/protocol.h"
#include "support/win32/window_capture.h"
#include "unit/hosting_fakes.h"

namespace {

using hosting_test::FakeType;
using hosting_test::LoadedInstance;

// Bars as the editor lays them out: row i's bar 12 px from both sides, from y = 32 + 56 i, 16 high.
int BarX(double share, int width) { return 12 + static_cast<int>(share * (width - 24 - 1) + 0.5); }
int BarY(int index) { return 32 + 56 * index + 8; }

// The host's side of the editor: a top-level window the editor opens in, which follows the
// instance's size requests as a page would.
class TopLevelEditorWindow final : public qm::IEditorWindow {
public:
    TopLevelEditorWindow() {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        windowClass.lpszClassName = L"QmRefEditorTest";
        RegisterClassW(&windowClass);
        window = CreateWindowExW(0, L"QmRefEditorTest", L"QmRef editor", WS_POPUP | WS_VISIBLE, 20, 20, 400, 240,
                                 nullptr, nullptr, windowClass.hInstance, nullptr);
    }
    ~TopLevelEditorWindow() { DestroyWindow(window); }

    void RetainWindow() noexcept override { ++references; }
    void ReleaseWindow() noexcept override { --references; }
    bool HasWindow() const noexcept override { return window != nullptr; }
    void PostIdle() noexcept override {}
    void PostUpdateDisplay() noexcept override {}
    void SizeWindow(int32_t width, int32_t height) noexcept override {
        asked = {width, height};
        SetWindowPos(window, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    HWND window = nullptr;
    int references = 0;
    std::pair<int32_t, int32_t> asked{0, 0};
};

std::pair<int, int> RectSize(qm::CVSTiSofthSynth* synth) {
    ERect* rect = nullptr;
    if (synth->CallDispatcher(effEditGetRect, 0, 0, &rect, 0.0f) != 1 || rect == nullptr) return {0, 0};
    return {rect->right - rect->left, rect->bottom - rect->top};
}

std::pair<int, int> ClientSize(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    return {client.right, client.bottom};
}

void PumpMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
}

class RefEditorTest : public ::testing::Test {
protected:
    void Open() {
        ASSERT_EQ(synth.result, S_OK);
        ASSERT_NE(host.window, nullptr);
        synth->SetEditorWindow(&host);
        ASSERT_NE(synth->Effect()->flags & effFlagsHasEditor, 0);
        ASSERT_EQ(synth->CallDispatcher(effEditOpen, 0, 0, host.window, 0.0f), 1);
        editor = GetWindow(host.window, GW_CHILD);
        ASSERT_NE(editor, nullptr);
        UpdateWindow(editor);
    }
    void TearDown() override {
        synth->CallDispatcher(effEditClose, 0, 0, nullptr, 0.0f);
        synth->SetEditorWindow(nullptr);
    }

    FakeType type;
    LoadedInstance synth{type, "qmref"};
    TopLevelEditorWindow host;
    HWND editor = nullptr;
};

TEST_F(RefEditorTest, AClickOnABarSetsThatParameterAndNoOther) {
    Open();
    EXPECT_EQ(RectSize(synth.get()), std::make_pair(qmtest::kRefEditorWidth, qmtest::kRefEditorHeight));
    EXPECT_EQ(ClientSize(editor), std::make_pair(qmtest::kRefEditorWidth, qmtest::kRefEditorHeight));
    const struct {
        int index;
        double share;
        int y;  // 0: on the parameter's bar
    } clicks[] = {
        {qmtest::kRefParamGain, 0.75, 0},
        {qmtest::kRefParamPan, 0.0, 0},
        {qmtest::kRefParamPitch, 1.0, 0},
        {qmtest::kRefParamMute, 0.9, BarY(qmtest::kRefParamMute) - 14},  // its name line: no change
    };
    for (const auto& click : clicks) {
        float before[qmtest::kRefParamCount];
        for (int i = 0; i < qmtest::kRefParamCount; ++i) before[i] = synth->CallGetParameter(i);
        const int x = BarX(click.share, qmtest::kRefEditorWidth), y = click.y != 0 ? click.y : BarY(click.index);
        SendMessageW(editor, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
        for (int i = 0; i < qmtest::kRefParamCount; ++i) {
            const float expected = i == click.index && click.y == 0 ? static_cast<float>(click.share) : before[i];
            EXPECT_NEAR(synth->CallGetParameter(i), expected, 0.003) << "parameter " << i << " after clicking "
                                                                      << click.index << " at " << click.share;
        }
    }
    EXPECT_EQ(synth->CallDispatcher(effEditClose, 0, 0, nullptr, 0.0f), 0);
    EXPECT_FALSE(IsWindow(editor));
}

TEST_F(RefEditorTest, AKeyPressGrowsTheEditorWhenTheHostAnswersOne) {
    for (const bool refused : {true, false}) {  // refused first: a taken size stays
        SCOPED_TRACE(refused ? "alternative drawing: refused" : "taken");
        type.alternativeDrawing = refused;
        Open();
        SendMessageW(editor, WM_KEYDOWN, VK_SPACE, 0);
        const std::pair<int, int> grown{qmtest::kRefEditorWidth + qmtest::kRefEditorGrowWidth,
                                        qmtest::kRefEditorHeight + qmtest::kRefEditorGrowHeight};
        EXPECT_EQ(host.asked, grown);
        const std::pair<int, int> kept = refused ? std::make_pair(qmtest::kRefEditorWidth, qmtest::kRefEditorHeight)
                                                 : grown;
        EXPECT_EQ(RectSize(synth.get()), kept);
        EXPECT_EQ(ClientSize(editor), kept);
        if (!refused) {
            SendMessageW(editor, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(BarX(0.25, grown.first), BarY(0)));
            EXPECT_NEAR(synth->CallGetParameter(qmtest::kRefParamGain), 0.25, 0.003);
            PumpMessages();
            UpdateWindow(editor);
            EXPECT_TRUE(qm::test::CaptureWindowPng(host.window, "ref_editor.png"));
        }
        synth->CallDispatcher(effEditClose, 0, 0, nullptr, 0.0f);
    }
}

TEST_F(RefEditorTest, TheInstancesIdlePassesReachTheEditor) {
    Open();
    const intptr_t before = synth->CallDispatcher(effVendorSpecific, qmtest::kVendorEditorIdles, 0, nullptr, 0.0f);
    for (int pass = 0; pass < 3; ++pass) {
        Sleep(25);  // the instance idles at most once per 10 ms
        synth->IdlePass();
    }
    EXPECT_EQ(synth->CallDispatcher(effVendorSpecific, qmtest::kVendorEditorIdles, 0, nullptr, 0.0f) - before, 3);
}

}  // namespace
