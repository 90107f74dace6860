// What the host's listeners hear from a running instrument, read byte by byte from the 88-byte
// records: time once per block, a patch change after a program change during play, parameter values
// and edit gestures from the plug-in, opening and closing.
#include <cmath>

#include "unit/patch_fakes.h"

namespace {

using patch_test::DeviceRig;
using patch_test::Listener;
using patch_test::ProgramsPlugin;

template <typename T>
T At(const qm::PatchListenerEvent& event, size_t offset) {
    T value;
    std::memcpy(&value, reinterpret_cast<const unsigned char*>(&event) + offset, sizeof value);
    return value;
}

constexpr size_t kDeviceOffset = qm::kAbi32 ? 84 : 88;

LONGLONG TimeOf(LONGLONG frames) { return std::llround(static_cast<double>(frames) / 44100.0 * 1e7); }

qm::IMIDIDevice* DeviceOf(qm::CVSTiSofthSynth* synth) {
    qm::IMIDIDevice* device = nullptr;
    EXPECT_EQ(synth->GetPatchDevice(&device), S_OK);
    return device;
}

TEST(PatchEvents, OneSessionIsHeardInOrder) {
    ProgramsPlugin plugin;
    plugin.effect.numPrograms = 8;
    plugin.SetParameters(2);
    plugin.properties = {VstParameterProperties{}, VstParameterProperties{}};
    plugin.properties[1].flags = kVstParameterIsSwitch;
    Listener listener;
    {
        DeviceRig rig(plugin);
        hosting_test::FakeSite site;
        rig.Play(site);
        qm::IMIDIDevice* device = DeviceOf(rig.synth);
        ASSERT_EQ(device, static_cast<qm::IMIDIDevice*>(rig.device));
        // The instance answers the MIDI device identifier with the same device.
        void* queried = nullptr;
        ASSERT_EQ(rig.synth->QueryInterface(qm::IID_IMIDIDevice, &queried), S_OK);
        EXPECT_EQ(queried, device);
        ASSERT_EQ(device->AddListener(&listener), S_OK);
        ASSERT_EQ(device->AddListener(&listener), S_OK);  // listed once
        EXPECT_EQ(listener.refs.load(), 2u);
        device->Release();
        device->Release();

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
        ASSERT_EQ(rig.synth->Render(out.data(), 530, 265, 0, 0, nullptr), 265);
        EXPECT_EQ(rig.synth->Status() & (qm::InstanceStatus::ProgramChangeSeen | qm::InstanceStatus::BankSelectSeen), 0u);
    }
    // The instance is gone: the close came last and the device gave its reference back.
    EXPECT_EQ(listener.refs.load(), 1u);

    const std::vector<qm::PatchListenerEvent>& events = listener.events;
    ASSERT_EQ(events.size(), 9u);
    const GUID expected[] = {qm::GUID_PatchEventTime,      qm::GUID_PatchEventTime,      qm::GUID_PatchEventPatchChange,
                             qm::GUID_PatchEventParameter, qm::GUID_PatchEventParameter, qm::GUID_PatchEventParameter,
                             qm::GUID_PatchEventParameter, qm::GUID_PatchEventTime,      qm::GUID_PatchEventClose};
    for (size_t i = 0; i < events.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_TRUE(At<GUID>(events[i], 0) == expected[i]);
        EXPECT_NE(At<void*>(events[i], kDeviceOffset), nullptr);
    }
    // Time: position, frames and both as 100-ns times, the host's record pointer (none here).
    for (size_t i : {0u, 1u, 7u}) {
        const LONGLONG position = i == 7 ? 530 : static_cast<LONGLONG>(i) * 265;
        EXPECT_EQ(At<DWORD>(events[i], 16), 1u);
        EXPECT_EQ(At<LONGLONG>(events[i], 48), position);
        EXPECT_EQ(At<LONGLONG>(events[i], 56), 265);
        EXPECT_EQ(At<LONGLONG>(events[i], 64), TimeOf(position));
        EXPECT_EQ(At<LONGLONG>(events[i], 72), TimeOf(265));
        EXPECT_EQ(At<void*>(events[i], 80), nullptr);
    }
    // The patch change of the second block: inside the process call, while playing.
    const qm::PatchListenerEvent& patch = events[2];
    EXPECT_EQ(At<DWORD>(patch, 16), 1u + 0x4000u + 0x8000u);
    EXPECT_EQ(At<LONGLONG>(patch, 48), 265);
    EXPECT_EQ(At<LONGLONG>(patch, 56), -1);
    EXPECT_EQ(At<LONGLONG>(patch, 64), TimeOf(265));
    EXPECT_EQ(At<LONGLONG>(patch, 72), -1);
    // Begin edit, two values, end edit.
    EXPECT_EQ(At<DWORD>(events[3], 16), 2u);
    EXPECT_EQ(At<DWORD>(events[3], 20), 1u);
    EXPECT_EQ(At<LONG>(events[3], 24), 1);
    EXPECT_EQ(At<DWORD>(events[3], 44), 0xFFFFFFFFu);
    EXPECT_EQ(At<DWORD>(events[4], 16), 1u);
    EXPECT_EQ(At<LONG>(events[4], 24), 1);
    EXPECT_EQ(At<DWORD>(events[4], 28), 9u);
    EXPECT_FLOAT_EQ(At<float>(events[4], 32), 1.0f);  // a switch at 0.6 is on
    EXPECT_FLOAT_EQ(At<float>(events[4], 36), 0.0f);
    EXPECT_FLOAT_EQ(At<float>(events[4], 40), 1.0f);
    EXPECT_FLOAT_EQ(At<float>(events[5], 32), 12.5f);  // a level in 0-100
    EXPECT_FLOAT_EQ(At<float>(events[5], 40), 100.0f);
    EXPECT_EQ(At<DWORD>(events[6], 16), 2u);
    EXPECT_EQ(At<DWORD>(events[6], 20), 0u);
    EXPECT_EQ(At<DWORD>(events[8], 16), 1u);
    // Every byte no event names stays 0.
    for (size_t offset = 24; offset < 48; ++offset) {
        EXPECT_EQ(reinterpret_cast<const unsigned char*>(&events[0])[offset], 0) << offset;
    }
}

TEST(PatchEvents, TheOpenEventNeedsTheHostsThirdStringAndAListener) {
    ProgramsPlugin plugin;
    DeviceRig rig(plugin);
    Listener listener;
    ASSERT_EQ(rig.device->AddListener(&listener), S_OK);
    ASSERT_EQ(rig.device->OpenDevice(), S_OK);
    EXPECT_TRUE(listener.events.empty());
    const WCHAR third[] = {'P', 'o', 'r', 't', 0};
    rig.device->SetThirdString(third);
    ASSERT_EQ(rig.device->OpenDevice(), S_OK);
    ASSERT_EQ(listener.events.size(), 1u);
    EXPECT_TRUE(At<GUID>(listener.events[0], 0) == qm::GUID_PatchEventOpen);
    EXPECT_EQ(At<DWORD>(listener.events[0], 16), 0u);
    EXPECT_EQ(rig.device->RemoveListener(&listener), S_FALSE);
    EXPECT_EQ(listener.refs.load(), 1u);
}

TEST(PatchEvents, AListenerMayUnregisterWhileItHearsAnEvent) {
    ProgramsPlugin plugin;
    Listener leaving, staying;
    {
        DeviceRig rig(plugin);
        hosting_test::FakeSite site;
        rig.Play(site);
        qm::CVSTIPatchDevice* device = rig.device;
        ASSERT_EQ(device->AddListener(&leaving), S_OK);
        ASSERT_EQ(device->AddListener(&staying), S_OK);
        leaving.onEvent = [&](const qm::PatchListenerEvent&) { device->RemoveListener(&leaving); };
        std::vector<float> out(2 * 530);
        ASSERT_EQ(rig.synth->Render(out.data(), 0, 530, 0, 0, nullptr), 530);
        EXPECT_EQ(device->ListenerCount(), 1u);
        // The close unregisters a listener that does not unregister itself.
    }
    EXPECT_EQ(leaving.events.size(), 1u);
    EXPECT_EQ(staying.events.size(), 3u);  // two blocks and the close
    EXPECT_EQ(leaving.refs.load(), 1u);
    EXPECT_EQ(staying.refs.load(), 1u);
}

TEST(PatchEvents, APlugInsDisplayUpdateRefreshesProgramsAndTellsTheListeners) {
    ProgramsPlugin plugin;
    plugin.effect.numPrograms = 2;
    Listener listener;
    {
        DeviceRig rig(plugin);
        hosting_test::FakeSite site;
        rig.Play(site);
        ASSERT_EQ(rig.device->AddListener(&listener), S_OK);
        EXPECT_EQ(rig.device->GetProgramCount(0), 2);
        // The plug-in loads a bank of five programs and asks the host to look again.
        plugin.effect.numPrograms = 5;
        plugin.opcodes.clear();
        EXPECT_EQ(plugin.CallHost(audioMasterUpdateDisplay, 0, 0, 0.0f), 1);
        EXPECT_EQ(rig.device->Caps() & qm::PatchDeviceCaps::AtMostOne, 0u);
        EXPECT_EQ(plugin.Count(effHasMidiProgramsChanged), 16u);
        ASSERT_EQ(listener.events.size(), 1u);
        // Playing, but not inside the process call.
        EXPECT_TRUE(At<GUID>(listener.events[0], 0) == qm::GUID_PatchEventPatchChange);
        EXPECT_EQ(At<DWORD>(listener.events[0], 16), 1u + 0x8000u);
    }
}

}  // namespace
