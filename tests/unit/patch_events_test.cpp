// What the host's listeners hear from a running instrument: opening (once the host has named the
// port), time once per block, a patch change after a program change during play or a display
// update, parameter values and edit gestures from the plug-in, and closing.
#include <tuple>

#include "unit/patch_fakes.h"

namespace {

using namespace patch_test;
using hosting_test::TimeOfFrames;
using Event = qm::PatchListenerEvent;

TEST(PatchEvents, OneSessionIsHeardInOrder) {
    ProgramsPlugin plugin(8, 2);
    plugin.properties = {VstParameterProperties{}, VstParameterProperties{}};
    plugin.properties[1].flags = kVstParameterIsSwitch;
    Listener listener;
    {
        DeviceRig rig(plugin);
        rig.Play();
        ASSERT_EQ(rig.device->AddListener(&listener), S_OK);
        ASSERT_EQ(rig.device->AddListener(&listener), S_OK);  // listed once
        EXPECT_EQ(listener.refs.load(), 2u);
        // The open event needs the host's third string.
        ASSERT_EQ(rig.device->OpenDevice(), S_OK);
        const WCHAR third[] = {'P', 'o', 'r', 't', 0};
        rig.device->SetThirdString(third);
        ASSERT_EQ(rig.device->OpenDevice(), S_OK);

        std::vector<float> out(2 * 265);
        ASSERT_EQ(rig.synth->Render(out.data(), 0, 265, 0, 0, nullptr), 265);
        const DWORD change = 0xC5 | (3u << 8);
        ASSERT_EQ(rig.synth->SendShortMessages(&change, 1, 0), S_OK);
        ASSERT_EQ(rig.synth->Render(out.data(), 265, 265, 0, 0, nullptr), 265);
        plugin.CallHost(audioMasterBeginEdit, 1, 0, 0.0f);
        plugin.CallHost(audioMasterAutomate, 1, 9, 0.6f);
        plugin.CallHost(audioMasterAutomate, 0, 9, 0.125f);
        plugin.CallHost(audioMasterEndEdit, 1, 0, 0.0f);
        plugin.CallHost(audioMasterAutomate, 5, 9, 0.5f);  // no such parameter: nobody hears it
        // The plug-in has loaded other programs and asks the host to look again: every channel's
        // names are asked anew, and a patch change is heard while playing, outside a process call.
        plugin.calls.clear();
        EXPECT_EQ(plugin.CallHost(audioMasterUpdateDisplay, 0, 0, 0.0f), 1);
        EXPECT_EQ(plugin.only(effHasMidiProgramsChanged).size(), 16u);
        ASSERT_EQ(rig.synth->Render(out.data(), 530, 265, 0, 0, nullptr), 265);
        EXPECT_EQ(rig.synth->Status() & (qm::InstanceStatus::ProgramChangeSeen | qm::InstanceStatus::BankSelectSeen), 0u);
    }
    // The instance is gone: the close came last and the device gave its reference back.
    EXPECT_EQ(listener.refs.load(), 1u);

    // One row per event: what it is and the fields it names (the layout is pinned by the ABI header).
    const std::vector<Event>& events = listener.events;
    const struct {
        GUID id;
        DWORD kind, word20;
        LONG index;
        float value, maximum;
        LONGLONG position, frames, time, duration;
    } rows[] = {
        {qm::GUID_PatchEventOpen, qm::PatchEventKind::Open, 0, 0, 0, 0, 0, 0, 0, 0},
        {qm::GUID_PatchEventTime, 1, 0, 0, 0, 0, 0, 265, 0, TimeOfFrames(265)},
        {qm::GUID_PatchEventTime, 1, 0, 0, 0, 0, 265, 265, TimeOfFrames(265), TimeOfFrames(265)},
        {qm::GUID_PatchEventPatchChange, 1 + 0x4000 + 0x8000, 0, 0, 0, 0, 265, -1, TimeOfFrames(265), -1},
        {qm::GUID_PatchEventParameter, 2, 1, 1, 0, 0, 0, 0, 0, 0},         // begin edit
        {qm::GUID_PatchEventParameter, 1, 0, 1, 1.0f, 1.0f, 0, 0, 0, 0},   // a switch at 0.6 is on
        {qm::GUID_PatchEventParameter, 1, 0, 0, 12.5f, 100.0f, 0, 0, 0, 0},  // a level in 0-100
        {qm::GUID_PatchEventParameter, 2, 0, 1, 0, 0, 0, 0, 0, 0},         // end edit
        {qm::GUID_PatchEventPatchChange, 1 + 0x8000, 0, 0, 0, 0, 530, -1, TimeOfFrames(530), -1},  // playing, not in process
        {qm::GUID_PatchEventTime, 1, 0, 0, 0, 0, 530, 265, TimeOfFrames(530), TimeOfFrames(265)},
        {qm::GUID_PatchEventClose, 1, 0, 0, 0, 0, 0, 0, 0, 0},
    };
    ASSERT_EQ(events.size(), std::size(rows));
    for (size_t i = 0; i < events.size(); ++i) {
        SCOPED_TRACE(i);
        const Event& e = events[i];
        EXPECT_TRUE(e.eventId == rows[i].id);
        EXPECT_EQ(std::make_tuple(e.kind, e.word20, e.parameterIndex, e.value, e.maximum),
                  std::make_tuple(rows[i].kind, rows[i].word20, rows[i].index, rows[i].value, rows[i].maximum));
        EXPECT_EQ(std::make_tuple(e.samplePosition, e.frames, e.time, e.duration, e.callerPointer),
                  std::make_tuple(rows[i].position, rows[i].frames, rows[i].time, rows[i].duration, nullptr));
        EXPECT_NE(e.device, nullptr);
    }
    EXPECT_EQ(events[4].assignment, 0xFFFFFFFFu);
    EXPECT_EQ(events[5].callerWord, 9u);
    // Every byte no time event names stays 0.
    for (size_t offset = 24; offset < 48; ++offset) {
        EXPECT_EQ(reinterpret_cast<const unsigned char*>(&events[1])[offset], 0) << offset;
    }
}

}  // namespace
