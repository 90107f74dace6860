// Rendering our test instruments through CVSTiSofthSynth: what the call recorder sees of block
// cutting, Stop and StopLive; sample-accurate notes from the reference synth; the transport flags the
// time probe reads; a plug-in fault in process; and the queued outputs of the multi-output variant.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/lang.h"
#include "hosting/output_queue.h"
#include "hosting/synth_type_link.h"
#include "hosting/vsti_soft_synth.h"
#include "routing/synth_buffer.h"
#include "support/environment.h"
#include "support/test_plugin.h"
#include "testplugins/protocol.h"

using qm::CVSTiSofthSynth;
namespace Status = qm::InstanceStatus;

namespace {

class Type final : public qm::ISynthTypeLink {
public:
    uint32_t flushes = 0;
    bool expose = false;
    int64_t FrameSizeDuration() const noexcept override { return 60000; }
    uint32_t FlushOnStopCount() const noexcept override { return flushes; }
    bool ExposeMultiChannel() const noexcept override { return expose; }
    bool HasAlternativeDrawingMark(const WCHAR*, const WCHAR*, int32_t) noexcept override { return false; }
};

LONGLONG TimeOfFrame(LONGLONG frame) { return static_cast<LONGLONG>(static_cast<double>(frame) / 44100.0 * 1e7 + 0.5); }

// The host's site: adds scheduled notes to the block whose callback comes when they are due (or to
// the first block when `allAtOnce`), and answers time queries with a fixed musical position.
struct Site {
    struct Note {
        LONGLONG frame;
        DWORD message;
        bool sent;
    };
    std::vector<Note> notes;
    bool allAtOnce = false;
    int blocks = 0;

    void schedule(LONGLONG frame, DWORD message) { notes.push_back(Note{frame, message, false}); }

    static HRESULT QM_COMCALL Callback(qm::IQmSoftSynth*, DWORD code, ULONG_PTR cookie, ULONG_PTR w1, ULONG_PTR w2,
                                       ULONG_PTR w3, ULONG_PTR, ULONG_PTR, ULONG_PTR, ULONG_PTR) {
        auto* site = reinterpret_cast<Site*>(cookie);
        if (code == qm::SiteCode::TimeQuery) {
            auto* query = reinterpret_cast<qm::TimeQuery*>(w1);
            query->tempo = 120.0;
            query->ticks = 1920;
            query->ticksPerQuarter = 960;
            query->timeSigNumerator = 4;
            query->timeSigDenominator = 4;
            return S_OK;
        }
        if (code != qm::SiteCode::FillBlock) return S_OK;
        ++site->blocks;
        auto* buffer = reinterpret_cast<qm::IQMMIDIBuffer*>(w1);
        const LONGLONG start =
            static_cast<LONGLONG>((static_cast<uint64_t>(w3) << 32) | (static_cast<uint64_t>(w2) & 0xFFFFFFFFu));
        for (Note& note : site->notes) {
            const LONGLONG time = TimeOfFrame(note.frame);
            if (note.sent || (!site->allAtOnce && time >= start + TimeOfFrame(265))) continue;
            buffer->PutShortEvent(time, note.message, 0);
            note.sent = true;
        }
        return S_OK;
    }
};

WAVEFORMATEX FloatStereo() {
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_IEEE_FLOAT;
    format.nChannels = 2;
    format.nSamplesPerSec = 44100;
    format.wBitsPerSample = 32;
    format.nBlockAlign = 8;
    format.nAvgBytesPerSec = 44100 * 8;
    return format;
}

// One instance of a test plug-in, opened on `site` and formatted for 44.1 kHz float stereo.
struct Instance {
    Instance(Type& type, const char* name, Site& site) {
        if (qm::KernelLangHandle() == nullptr) {
            qm::OpenKernelLangHandle(qm::ModuleInstanceOf(reinterpret_cast<const void*>(&TimeOfFrame)), 1033);
        }
        record.flags = qm::PluginRecordFlags::Enabled;
        const std::basic_string<WCHAR> path = qm::test::TestPluginPath(name);
        path.copy(record.path, path.size());
        EXPECT_EQ(CVSTiSofthSynth::CreateInstance(&type, &synth), S_OK);
        synth->AddRef();
        EXPECT_EQ(synth->Initialize(), S_OK);
        EXPECT_EQ(synth->LoadPlugIn(&record), S_OK);
        EXPECT_EQ(synth->Open(0, 0, 0, &Site::Callback, reinterpret_cast<ULONG_PTR>(&site), 0), S_OK);
        const WAVEFORMATEX format = FloatStereo();
        EXPECT_EQ(synth->SetFormat(&format, 0, 0), S_OK);
    }
    ~Instance() { synth->Release(); }
    LONG render(std::vector<float>& out, LONG frames, LONGLONG start) {
        out.assign(static_cast<size_t>(frames) * 2, -9.0f);
        return static_cast<LONG>(synth->Render(out.data(), start, frames, 0, 0, nullptr));
    }
    CVSTiSofthSynth* synth = nullptr;
    qm::VstiPluginRecord record{};
};

// The recorder's lines from the first one containing `from` on.
std::vector<std::string> LinesFrom(const std::string& log, const std::string& from) {
    std::vector<std::string> all = qm::test::ReadTextLines(log);
    for (size_t i = 0; i < all.size(); ++i) {
        if (all[i].find(from) != std::string::npos) return {all.begin() + static_cast<ptrdiff_t>(i), all.end()};
    }
    return {};
}

}  // namespace

TEST(HostingRenderPlugins, TheRecorderSeesBlocksOf265265And70WithTheirEvents) {
    const std::string log = qm::test::TemporaryFilePath("render-blocks", "log");
    qm::test::ScopedEnvironment logging(qmtest::kRecorderLogVariable, log.c_str());
    Type type;
    Site site;
    site.allAtOnce = true;
    site.schedule(10, 0x00643C90u);
    site.schedule(300, 0x00643E90u);
    Instance instance(type, "qmrecorder", site);
    ASSERT_EQ(instance.synth->Cue(0), S_OK);
    ASSERT_EQ(instance.synth->Play(0, 0), S_OK);
    std::vector<float> out;
    ASSERT_EQ(instance.render(out, 600, 0), 600);
    const std::vector<std::string> expected = {
        "dispatcher opcode=25 index=0 value=0 opt=0 events=1", "processReplacing frames=265",
        "dispatcher opcode=25 index=0 value=0 opt=0 events=1", "processReplacing frames=265",
        "dispatcher opcode=25 index=0 value=0 opt=0 events=0", "processReplacing frames=70"};
    EXPECT_EQ(LinesFrom(log, "opcode=25"), expected);
    qm::test::RemoveFile(log);
}

TEST(HostingRenderPlugins, StopAndStopLiveSendTheirCleanUpBlocks) {
    const std::string log = qm::test::TemporaryFilePath("render-stop", "log");
    qm::test::ScopedEnvironment logging(qmtest::kRecorderLogVariable, log.c_str());
    Type type;
    type.flushes = 3;
    Site site;
    Instance instance(type, "qmrecorder", site);
    ASSERT_EQ(instance.synth->Cue(0), S_OK);
    ASSERT_EQ(instance.synth->Play(0, 0), S_OK);
    qm::test::RemoveFile(log);
    ASSERT_EQ(instance.synth->Stop(), S_OK);
    std::vector<std::string> expected;
    for (int channel = 0; channel < 16; ++channel) {
        expected.push_back("dispatcher opcode=25 index=0 value=0 opt=0 events=1");
        expected.push_back("processReplacing frames=265");
    }
    for (int flush = 0; flush < 3; ++flush) expected.push_back("processReplacing frames=265");
    expected.push_back("dispatcher opcode=12 index=0 value=0 opt=0");
    expected.push_back("dispatcher opcode=12 index=0 value=1 opt=0");
    EXPECT_EQ(qm::test::ReadTextLines(log), expected);

    ASSERT_EQ(instance.synth->StartLive(), S_OK);
    instance.synth->SendShortMessage(0x00643C90u, 0);
    instance.synth->SendShortMessage(0x00644091u, 0);
    qm::test::RemoveFile(log);
    ASSERT_EQ(instance.synth->StopLive(), S_OK);
    const std::vector<std::string> live = {
        "dispatcher opcode=25 index=0 value=0 opt=0 events=4", "processReplacing frames=265",
        "dispatcher opcode=12 index=0 value=0 opt=0", "dispatcher opcode=12 index=0 value=1 opt=0"};
    EXPECT_EQ(LinesFrom(log, "opcode=25"), live);
    qm::test::RemoveFile(log);
}

TEST(HostingRenderPlugins, TheReferenceSynthStartsNotesOnTheStampedFrames) {
    Type type;
    Site site;
    // Inside the first block, one queued across a block boundary, one stamped in its own block.
    site.schedule(100, 0x00643C90u);
    site.schedule(400, 0x00504390u);
    site.schedule(600, 0x00704890u);
    Instance instance(type, "qmref", site);
    ASSERT_EQ(instance.synth->Cue(0), S_OK);
    ASSERT_EQ(instance.synth->Play(0, 0), S_OK);
    std::vector<float> out;
    ASSERT_EQ(instance.render(out, 800, 0), 800);
    for (size_t frame = 0; frame <= 100; ++frame) ASSERT_EQ(out[frame * 2], 0.0f) << frame;  // sine phase 0
    EXPECT_NE(out[101 * 2], 0.0f);

    // The same notes handed to the plug-in directly in one block give the same samples.
    qm::test::TestHost host;
    qm::test::TestPlugin direct("qmref", host);
    direct.start(44100.0, 1024);
    direct.sendMidi({{100, 0x90, 60, 100}, {400, 0x90, 67, 80}, {600, 0x90, 72, 112}});
    std::vector<std::vector<float>> channels;
    direct.render(channels, 800);
    for (size_t frame = 0; frame < 800; ++frame) {
        ASSERT_EQ(out[frame * 2], channels[0][frame]) << frame;
        ASSERT_EQ(out[frame * 2 + 1], channels[1][frame]) << frame;
    }
}

TEST(HostingRenderPlugins, TheTimeProbeSeesTransportChangedOnceAfterCuePlayAndStop) {
    Type type;
    Site site;
    Instance instance(type, "qmref_timeprobe", site);
    AEffect* effect = instance.synth->Effect();
    auto probe = [&](int number) {
        qmtest::TimeProbeRecord record{};
        EXPECT_EQ(effect->dispatcher(effect, effVendorSpecific, qmtest::kVendorTimeProbeRecord, number, &record, 0.0f), 1);
        return record;
    };
    auto count = [&] {
        return static_cast<int>(effect->dispatcher(effect, effVendorSpecific, qmtest::kVendorTimeProbeCount, 0, nullptr, 0.0f));
    };
    std::vector<float> out;
    ASSERT_EQ(instance.synth->Cue(0), S_OK);
    const int first = count();
    ASSERT_EQ(instance.render(out, 530, 0), 530);
    ASSERT_EQ(count(), first + 2);
    EXPECT_EQ(probe(first).info.flags & (kVstTransportChanged | kVstTransportPlaying), kVstTransportChanged);
    EXPECT_EQ(probe(first + 1).info.flags & (kVstTransportChanged | kVstTransportPlaying), 0);
    EXPECT_EQ(probe(first + 1).info.samplePos, 265.0);
    EXPECT_EQ(probe(first + 1).info.ppqPos, 2.0);
    EXPECT_EQ(probe(first + 1).info.tempo, 120.0);
    EXPECT_EQ(probe(first + 1).info.timeSigNumerator, 4);

    ASSERT_EQ(instance.synth->Play(0, 0), S_OK);
    ASSERT_EQ(instance.render(out, 530, 530), 530);
    EXPECT_EQ(probe(first + 2).info.flags & (kVstTransportChanged | kVstTransportPlaying),
              kVstTransportChanged | kVstTransportPlaying);
    EXPECT_EQ(probe(first + 3).info.flags & (kVstTransportChanged | kVstTransportPlaying), kVstTransportPlaying);

    ASSERT_EQ(instance.synth->Stop(), S_OK);  // its All Notes Off blocks are processed too
    ASSERT_GE(count(), first + 6);
    EXPECT_EQ(probe(first + 4).info.flags & (kVstTransportChanged | kVstTransportPlaying), kVstTransportChanged);
    EXPECT_EQ(probe(first + 5).info.flags & (kVstTransportChanged | kVstTransportPlaying), 0);
}

TEST(HostingRenderPlugins, AFaultInProcessSilencesUntilThePowerIsToggled) {
    Type type;
    Site site;
    site.allAtOnce = true;
    site.schedule(0, 0x00643C90u);
    Instance instance(type, "qmfault", site);
    ASSERT_EQ(instance.synth->Cue(0), S_OK);
    std::vector<float> out;
    {
        qm::test::ScopedEnvironment fault(qmtest::kFaultPlanVariable, "where=processReplacing;kind=av;after=1");
        ASSERT_EQ(instance.render(out, 600, 0), 600);
        EXPECT_TRUE(instance.synth->Status() & Status::Faulted);
        for (size_t i = 265 * 2; i < out.size(); ++i) ASSERT_EQ(out[i], 0.0f) << i;
        EXPECT_EQ(instance.render(out, 600, 600), -2);
        for (float sample : out) ASSERT_EQ(sample, 0.0f);
    }
    ASSERT_EQ(instance.synth->TogglePower(), S_OK);
    ASSERT_EQ(instance.synth->TogglePower(), S_OK);
    EXPECT_EQ(instance.synth->Status() & (Status::Faulted | Status::ProcessEvents), Status::ProcessEvents);
    ASSERT_EQ(instance.synth->ResetQueue(), S_OK);
    EXPECT_EQ(instance.render(out, 600, 1200), 600);
    EXPECT_EQ(instance.synth->LastFault().code, 0xC0000005u);
}

TEST(HostingRenderPlugins, TheMultiOutputSynthQueuesItsMainPairAndOverflowsAfter1020Blocks) {
    Type type;
    type.expose = true;
    Site site;
    site.allAtOnce = true;
    site.schedule(0, 0x00643C90u);
    Instance instance(type, "qmref_multi", site);
    ASSERT_NE(instance.synth->Queue(), nullptr);
    ASSERT_EQ(instance.synth->Cue(0), S_OK);
    std::vector<float> out;
    ASSERT_EQ(instance.render(out, 600, 0), 600);
    float peak = 0.0f;
    for (float sample : out) peak = sample > peak ? sample : peak;
    EXPECT_GT(peak, 0.01f);  // channel 1 plays on the main pair

    for (int block = 0; block < 1021; ++block) instance.synth->RenderBlockFor(600 + block * 265LL, 265, 0, nullptr);
    EXPECT_TRUE(instance.synth->Status() & Status::QueueOverflow);
    EXPECT_EQ(instance.render(out, 600, 0), -2);
    ASSERT_EQ(instance.synth->ResetQueue3(), S_OK);
    EXPECT_EQ(instance.render(out, 600, 0), 600);
}
