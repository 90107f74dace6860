// The editor session a host without property pages opens the plug-in's editor through: which
// thread the editor is idled on, size requests reaching the host's window, and the opcodes a
// plug-in with and without an editor receives.
#include <gtest/gtest.h>

#include <thread>
#include <utility>

#include "qmvsti/editor.h"
#include "unit/page_synth_fakes.h"

using namespace hosting_test;

namespace {

using Size = std::pair<LONG, LONG>;
using Plugin = page_test::ProgramPlugin;

struct RecordingSite final : qm::IQmSoftSynthEditorSite {
    std::vector<Size> sizes;
    HRESULT QM_COMCALL ResizeEditor(LONG width, LONG height) noexcept override { return sizes.emplace_back(width, height), S_OK; }
};

qm::IQmSoftSynthEditor* EditorOf(qm::CVSTiSofthSynth* synth) {
    qm::IQmSoftSynthEditor* editor = nullptr;
    EXPECT_EQ(synth->QueryInterface(qm::IID_IQmSoftSynthEditor, reinterpret_cast<void**>(&editor)), S_OK);
    return editor;
}

void* const kWindow = reinterpret_cast<void*>(static_cast<uintptr_t>(0x3A00007));

}  // namespace

TEST(EditorSession, WithoutAnEditorNothingIsOpenedClosedOrIdled) {
    FakeType type;
    Plugin plugin({}, false);
    LoadedInstance synth(type, &plugin);
    qm::IQmSoftSynthEditor* editor = EditorOf(synth.get());
    LONG width = -1, height = -1;
    EXPECT_EQ(editor->GetEditorSize(&width, &height), E_NOTIMPL);
    EXPECT_EQ((Size{width, height}), (Size{0, 0}));
    EXPECT_EQ(editor->OpenEditor(kWindow, nullptr), E_NOTIMPL);
    EXPECT_EQ(editor->IdleEditor(), S_FALSE);
    EXPECT_EQ(editor->CloseEditor(), S_FALSE);
    EXPECT_EQ(synth->EditorWindow(), nullptr);
    editor->Release();
    for (int32_t opcode : {effEditGetRect, effEditOpen, effEditClose, effEditIdle}) EXPECT_EQ(plugin.count(opcode), 0u) << opcode;
}

// Requests raised on another thread (the audio thread) never idle the editor there; the host's
// window thread does, and only it.
TEST(EditorSession, EditorIdlesOnlyOnTheWindowThread) {
    FakeType type;
    Plugin plugin({}, true);
    LoadedInstance synth(type, &plugin);
    qm::IQmSoftSynthEditor* editor = EditorOf(synth.get());
    ASSERT_EQ(editor->OpenEditor(kWindow, nullptr), S_OK);
    HRESULT foreignIdle = S_OK;
    std::thread audio([&] {
        for (int i = 0; i < 50; ++i) {
            synth->Idle(0);
            plugin.callHost(audioMasterUpdateDisplay);
            synth->SendShortMessage(0x403C90, 0);
        }
        foreignIdle = editor->IdleEditor();
    });
    audio.join();
    EXPECT_EQ(foreignIdle, E_UNEXPECTED);
    EXPECT_TRUE(plugin.editIdleThreads.empty());

    qm::platform::SleepMs(12);  // past the idle pass's 10 ms throttle
    EXPECT_EQ(editor->IdleEditor(), S_OK);
    EXPECT_EQ(plugin.editIdleThreads, std::vector<uint32_t>{qm::platform::CurrentThreadId()});
    editor->Release();
}

// The size comes from the rectangle until the plug-in asks for another one, which the host's
// window follows in both cases; an instrument with the alternative-drawing mark is told the window
// was not resized. A rectangle that still reports the old size does not undo the request.
TEST(EditorSession, SizeFromTheRectangleAndFromRequests) {
    for (const bool marked : {false, true}) {
        FakeType type;
        type.alternativeDrawing = marked;
        Plugin plugin({}, true);
        LoadedInstance synth(type, &plugin);
        RecordingSite site;
        qm::IQmSoftSynthEditor* editor = EditorOf(synth.get());
        LONG width = 0, height = 0;
        EXPECT_EQ(editor->GetEditorSize(&width, &height), S_OK);
        EXPECT_EQ((Size{width, height}), (Size{500, 300}));
        ASSERT_EQ(editor->OpenEditor(kWindow, &site), S_OK);
        EXPECT_EQ(plugin.parent, kWindow);
        EXPECT_EQ(plugin.callHost(audioMasterSizeWindow, 600, 400), marked ? 0 : 1) << marked;
        EXPECT_EQ(site.sizes, (std::vector<Size>{{600, 400}})) << marked;
        EXPECT_EQ(editor->GetEditorSize(&width, &height), S_OK);
        EXPECT_EQ((Size{width, height}), (Size{600, 400})) << marked;
        plugin.hasRect = false;
        plugin.callHost(audioMasterSizeWindow, 700, 500);
        EXPECT_EQ(editor->GetEditorSize(&width, &height), S_FALSE);
        EXPECT_EQ((Size{width, height}), (Size{0, 0}));
        editor->Release();
    }
}

// One opener at a time; after the close the instance forwards nothing: size requests are refused
// and idles do not reach the editor. Dropping the last reference of an open session closes it too.
TEST(EditorSession, CloseSendsEditCloseOnceAndDetaches) {
    for (const bool explicitClose : {true, false}) {
        FakeType type;
        Plugin plugin({}, true);
        LoadedInstance synth(type, &plugin);
        RecordingSite site;
        qm::IQmSoftSynthEditor* editor = EditorOf(synth.get());
        qm::IQmSoftSynthEditor* other = EditorOf(synth.get());
        EXPECT_EQ(editor->OpenEditor(nullptr, &site), E_INVALIDARG);
        ASSERT_EQ(editor->OpenEditor(kWindow, &site), S_OK);
        EXPECT_EQ(editor->OpenEditor(kWindow, &site), E_UNEXPECTED);
        EXPECT_EQ(other->OpenEditor(kWindow, &site), E_UNEXPECTED);
        other->Release();
        if (explicitClose) {
            EXPECT_EQ(editor->CloseEditor(), S_OK);
            EXPECT_EQ(editor->CloseEditor(), S_FALSE);
            EXPECT_EQ(editor->IdleEditor(), S_FALSE);
        }
        editor->Release();
        EXPECT_EQ(plugin.count(effEditOpen), 1u);
        EXPECT_EQ(plugin.count(effEditClose), 1u) << explicitClose;
        EXPECT_EQ(synth->EditorWindow(), nullptr) << explicitClose;
        EXPECT_EQ(plugin.callHost(audioMasterSizeWindow, 640, 480), 0);
        qm::platform::SleepMs(12);
        synth->Idle(0);
        EXPECT_TRUE(site.sizes.empty());
        EXPECT_TRUE(plugin.editIdleThreads.empty()) << explicitClose;
    }
}
