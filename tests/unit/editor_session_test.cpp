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

void* const kWindow = reinterpret_cast<void*>(static_cast<uintptr_t>(0x3A00007));

// An instance of the fake, with or without an editor, and its editor session.
struct Session {
    explicit Session(bool withEditor) : plugin({}, withEditor) {}
    ~Session() {
        if (editor != nullptr) editor->Release();
    }
    qm::IQmSoftSynthEditor* Open() {
        qm::IQmSoftSynthEditor* session = nullptr;
        EXPECT_EQ(synth->QueryInterface(qm::IID_IQmSoftSynthEditor, reinterpret_cast<void**>(&session)), S_OK);
        return session;
    }
    FakeType type;
    Plugin plugin;
    LoadedInstance synth{type, &plugin};
    qm::IQmSoftSynthEditor* editor = Open();
};

}  // namespace

// Requests raised on another thread (the audio thread) never idle the editor there; the host's
// window thread does, and only it.
TEST(EditorSession, EditorIdlesOnlyOnTheWindowThread) {
    Session s(true);
    ASSERT_EQ(s.editor->OpenEditor(kWindow, nullptr), S_OK);
    HRESULT foreignIdle = S_OK;
    std::thread audio([&] {
        for (int i = 0; i < 50; ++i) {
            s.synth->Idle(0);
            s.plugin.callHost(audioMasterUpdateDisplay);
            s.synth->SendShortMessage(0x403C90, 0);
        }
        foreignIdle = s.editor->IdleEditor();
    });
    audio.join();
    EXPECT_EQ(foreignIdle, E_UNEXPECTED);
    EXPECT_TRUE(s.plugin.editIdleThreads.empty());

    qm::platform::SleepMs(12);  // past the idle pass's 10 ms throttle
    EXPECT_EQ(s.editor->IdleEditor(), S_OK);
    EXPECT_EQ(s.plugin.editIdleThreads, std::vector<uint32_t>{qm::platform::CurrentThreadId()});
}

// Without an editor there is no size and nothing to open. With one, the size comes from the
// rectangle until the plug-in asks for another one, which the host's window follows; a rectangle
// that still reports the old size does not undo the request.
TEST(EditorSession, SizeFromTheRectangleAndFromRequestsOrNoneWithoutAnEditor) {
    LONG width = -1, height = -1;
    Session none(false);
    EXPECT_EQ(none.editor->GetEditorSize(&width, &height), E_NOTIMPL);
    EXPECT_EQ(none.editor->OpenEditor(kWindow, nullptr), E_NOTIMPL);
    for (int32_t opcode : {effEditGetRect, effEditOpen, effEditClose, effEditIdle}) EXPECT_EQ(none.plugin.count(opcode), 0u) << opcode;

    Session s(true);
    RecordingSite site;
    EXPECT_EQ(s.editor->GetEditorSize(&width, &height), S_OK);
    EXPECT_EQ((Size{width, height}), (Size{500, 300}));
    ASSERT_EQ(s.editor->OpenEditor(kWindow, &site), S_OK);
    EXPECT_EQ(s.plugin.parent, kWindow);
    EXPECT_EQ(s.plugin.callHost(audioMasterSizeWindow, 600, 400), 1);
    EXPECT_EQ(site.sizes, (std::vector<Size>{{600, 400}}));
    EXPECT_EQ(s.editor->GetEditorSize(&width, &height), S_OK);
    EXPECT_EQ((Size{width, height}), (Size{600, 400}));
    s.plugin.hasRect = false;
    s.plugin.callHost(audioMasterSizeWindow, 700, 500);
    EXPECT_EQ(s.editor->GetEditorSize(&width, &height), S_FALSE);
    EXPECT_EQ((Size{width, height}), (Size{0, 0}));
}

// One opener at a time; after the close the instance forwards nothing: size requests are refused
// and idles do not reach the editor. Dropping the last reference of an open session closes it too.
TEST(EditorSession, CloseSendsEditCloseOnceAndDetaches) {
    for (const bool explicitClose : {true, false}) {
        SCOPED_TRACE(explicitClose);
        Session s(true);
        RecordingSite site;
        qm::IQmSoftSynthEditor* other = s.Open();
        EXPECT_EQ(s.editor->OpenEditor(nullptr, &site), E_INVALIDARG);
        ASSERT_EQ(s.editor->OpenEditor(kWindow, &site), S_OK);
        EXPECT_EQ(s.editor->OpenEditor(kWindow, &site), E_UNEXPECTED);
        EXPECT_EQ(other->OpenEditor(kWindow, &site), E_UNEXPECTED);
        other->Release();
        if (explicitClose) {
            EXPECT_EQ(s.editor->CloseEditor(), S_OK);
            EXPECT_EQ(s.editor->CloseEditor(), S_FALSE);
            EXPECT_EQ(s.editor->IdleEditor(), S_FALSE);
        }
        s.editor->Release();
        s.editor = nullptr;
        EXPECT_EQ(s.plugin.count(effEditOpen), 1u);
        EXPECT_EQ(s.plugin.count(effEditClose), 1u);
        EXPECT_EQ(s.synth->EditorWindow(), nullptr);
        EXPECT_EQ(s.plugin.callHost(audioMasterSizeWindow, 640, 480), 0);
        qm::platform::SleepMs(12);
        s.synth->Idle(0);
        EXPECT_TRUE(site.sizes.empty());
        EXPECT_TRUE(s.plugin.editIdleThreads.empty());
    }
}
