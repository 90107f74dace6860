// Stand-ins for the instance's partners: a soft-synth type (ISynthTypeLink), an in-process VST 2
// plug-in whose shape each test chooses (pins, levels, MIDI output) and which logs every call it
// receives, and the host's site. The integration tests use the same rigs around our test instruments.
#pragma once
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "framework/lang.h"
#include "hosting/synth_type_link.h"
#include "hosting/vsti_soft_synth.h"
#include "platform/guard.h"
#include "platform/text.h"
#include "qmvsti/midi_buffer.h"
#include "qmvsti/vst2.h"
#include "support/test_plugin.h"

namespace hosting_test {

using WString = std::basic_string<WCHAR>;

inline WString Wide(const std::string& utf8) {
    const std::u16string units = qm::platform::Utf8ToWide(utf8.c_str());
    return WString(units.begin(), units.end());
}

class FakeType final : public qm::ISynthTypeLink {
public:
    int64_t frameSize = 60000;  // 6 ms: 265 frames at 44.1 kHz
    uint32_t flushes = 0;
    bool expose = false;
    bool assumeStereo = false;
    bool alternativeDrawing = false;

    int64_t FrameSizeDuration() const noexcept override { return frameSize; }
    uint32_t FlushOnStopCount() const noexcept override { return flushes; }
    bool ExposeMultiChannel() const noexcept override { return expose; }
    bool AssumeStereoPins() const noexcept override { return assumeStereo; }
    bool HasAlternativeDrawingMark(const WCHAR*, const WCHAR*, int32_t) noexcept override { return alternativeDrawing; }
};

// One call as the fake logs it: "opcode:index:value[:opt]"; effProcessEvents adds its events as
// "[deltaFrames status data1 data2]" each; a process call is "process <frames>".
using Event = std::array<int, 4>;

inline std::string Op(int32_t opcode, int32_t index = 0, intptr_t value = 0, float opt = 0.0f) {
    std::string text = std::to_string(opcode) + ":" + std::to_string(index) + ":" + std::to_string(value);
    return opt != 0.0f ? text + ":" + std::to_string(static_cast<long>(opt)) : text;
}
inline std::string Process(int32_t frames) { return "process " + std::to_string(frames); }
inline Event EventOf(const VstMidiEvent& e) {
    return {e.deltaFrames, static_cast<unsigned char>(e.midiData[0]), e.midiData[1], e.midiData[2]};
}
// Host time (100-ns units) of a frame count at 44.1 kHz, rounded as the instance rounds it.
inline LONGLONG TimeOfFrames(LONGLONG frames) { return static_cast<LONGLONG>(static_cast<double>(frames) / 44100.0 * 1e7 + 0.5); }
inline std::string Events(const std::vector<Event>& events) {
    std::string text = Op(effProcessEvents);
    for (const Event& e : events) {
        char item[40];
        std::snprintf(item, sizeof item, " [%d %02x %d %d]", e[0], e[1], e[2], e[3]);
        text += item;
    }
    return text;
}

// What output `output` of a FakePlugin with `levels` set plays.
inline float Level(int output) { return static_cast<float>(output + 1) / 128.0f; }

struct Pin {
    const char* label;
    bool stereo;
};

class FakePlugin {
public:
    const char* effectName = "";
    const char* productName = "";
    const char* vendorName = "";
    int32_t throwOnOpcode = -1;  // a C++ exception escapes the dispatcher for this opcode
    bool throwOnParameter = false;  // ... and from setParameter and getParameter
    float parameters[4] = {};
    std::vector<Pin> pins;    // the first pins; the rest unlabelled mono (none: pin 0 stereo)
    bool describes = true;    // false: effGetOutputProperties answers 0 and fills nothing
    bool levels = false;      // every output plays Level(output); otherwise output 0 plays 0.5
    bool sendsMidi = false;   // effCanDo "sendVstMidiEvent" answers 1; a note-on goes out after each block
    bool logging = true;      // false: no call is logged (a test rendering on several threads)
    // Read on other threads; a copy (a plug-in a helper returns) starts from the count.
    struct Counter : std::atomic<int> {
        Counter() : std::atomic<int>(0) {}
        Counter(const Counter& other) : std::atomic<int>(other.load()) {}
    } processCalls;
    AEffect effect{};
    audioMasterCallback host = nullptr;
    std::vector<std::string> calls;

    explicit FakePlugin(int32_t outputs = 2, int32_t inputs = 0, int32_t flags = effFlagsIsSynth | effFlagsCanReplacing) {
        effect.magic = kEffectMagic;
        effect.dispatcher = &Dispatch;
        effect.processReplacing = &Process;
        effect.setParameter = &SetParameter;
        effect.getParameter = &GetParameter;
        effect.numParams = 4;
        effect.numOutputs = outputs;
        effect.numInputs = inputs;
        effect.flags = flags;
        effect.uniqueID = VstFourCC('F', 'k', 'P', 'l');
        effect.object = this;
    }

    std::vector<std::string> since(size_t mark) const { return {calls.begin() + static_cast<ptrdiff_t>(mark), calls.end()}; }
    // The calls of one opcode, in order.
    std::vector<std::string> only(int32_t opcode) const {
        const std::string prefix = std::to_string(opcode) + ":";
        std::vector<std::string> found;
        for (const std::string& call : calls) {
            if (call.compare(0, prefix.size(), prefix) == 0) found.push_back(call);
        }
        return found;
    }
    intptr_t callHost(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr) {
        return host(&effect, opcode, index, value, ptr, 0.0f);
    }

    // The entry point hands out the plug-in chosen by the test.
    static FakePlugin*& Next() {
        static FakePlugin* next = nullptr;
        return next;
    }
    static AEffect* VSTCALLBACK Entry(audioMasterCallback host) {
        FakePlugin* self = Next();
        if (self == nullptr) return nullptr;
        self->host = host;
        return &self->effect;
    }

private:
    static std::string Logged(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
        if (opcode != effProcessEvents) return Op(opcode, index, value, opt);
        const auto* list = static_cast<const VstEvents*>(ptr);
        const auto* table = reinterpret_cast<VstEvent* const*>(reinterpret_cast<const unsigned char*>(list) +
                                                               offsetof(VstEvents, events));
        std::vector<Event> events;
        for (int32_t i = 0; i < list->numEvents; ++i) events.push_back(EventOf(*reinterpret_cast<const VstMidiEvent*>(table[i])));
        return Events(events);
    }
    static intptr_t VSTCALLBACK Dispatch(AEffect* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                         float opt) {
        FakePlugin* self = static_cast<FakePlugin*>(effect->object);
        if (self->logging) self->calls.push_back(Logged(opcode, index, value, ptr, opt));
        if (opcode == self->throwOnOpcode) throw std::runtime_error("plug-in failure");
        switch (opcode) {
        case effGetEffectName: std::strcpy(static_cast<char*>(ptr), self->effectName); return 1;
        case effGetProductString: std::strcpy(static_cast<char*>(ptr), self->productName); return 1;
        case effGetVendorString: std::strcpy(static_cast<char*>(ptr), self->vendorName); return 1;
        case effGetVendorVersion: return 4711;
        case effMainsChanged:
            // Old plug-ins ask for MIDI on every resume.
            if (value) self->callHost(audioMasterWantMidi, 0, 1);
            return 0;
        case effGetOutputProperties: {
            if (!self->describes) return 0;
            auto* pin = static_cast<VstPinProperties*>(ptr);
            const bool listed = index >= 0 && static_cast<size_t>(index) < self->pins.size();
            const Pin shape = listed ? self->pins[static_cast<size_t>(index)] : Pin{"", self->pins.empty() && index == 0};
            std::strcpy(pin->label, shape.label);
            if (shape.stereo) pin->flags = kVstPinIsStereo;
            return 1;
        }
        case effCanDo: return self->sendsMidi && std::strcmp(static_cast<const char*>(ptr), "sendVstMidiEvent") == 0;
        default: return 0;
        }
    }
    static float& Parameter(AEffect* effect, int32_t index) {
        FakePlugin* self = static_cast<FakePlugin*>(effect->object);
        if (self->throwOnParameter) throw std::runtime_error("plug-in failure");
        return self->parameters[index & 3];
    }
    static void VSTCALLBACK SetParameter(AEffect* effect, int32_t index, float value) { Parameter(effect, index) = value; }
    static float VSTCALLBACK GetParameter(AEffect* effect, int32_t index) { return Parameter(effect, index); }
    static void VSTCALLBACK Process(AEffect* effect, float**, float** outputs, int32_t frames) {
        auto* self = static_cast<FakePlugin*>(effect->object);
        ++self->processCalls;
        if (self->logging) self->calls.push_back(hosting_test::Process(frames));
        for (int32_t o = 0; o < (self->levels ? effect->numOutputs : 1); ++o) {
            for (int32_t i = 0; i < frames; ++i) outputs[o][i] = self->levels ? Level(o) : 0.5f;
        }
        if (!self->sendsMidi) return;
        VstMidiEvent note = qm::test::MakeMidiEvent(0, 0x90, 60, 100);
        VstEvents list{1, 0, {reinterpret_cast<VstEvent*>(&note), nullptr}};
        self->host(effect, audioMasterProcessEvents, 0, 0, &list, 0.0f);
    }
};

inline LONGLONG Join(ULONG_PTR low, ULONG_PTR high) {
    return static_cast<LONGLONG>((static_cast<uint64_t>(high) << 32) | (static_cast<uint64_t>(low) & 0xFFFFFFFFu));
}

// The host's site: answers the instance's site callback, keeps what it was asked and adds the
// events a test gives it (times after the block start) to the first block it fills.
struct FakeSite {
    struct Block {
        qm::IQMMIDIBuffer* buffer;
        LONGLONG start, duration;
        DWORD flags;
        qm::HostTimeRecord* record;
        LONGLONG recordTick;
    };
    HRESULT answer = S_OK;      // codes 0 and 1
    HRESULT timeAnswer = S_OK;  // code 4
    HRESULT fillAnswer = S_OK;  // code 969
    qm::TimeQuery reply{};      // copied into the time query (request and position kept)
    std::vector<std::pair<LONGLONG, DWORD>> events;
    std::vector<DWORD> codes;  // but the fill calls
    std::vector<Block> blocks;
    qm::TimeQuery lastQuery{};

    static HRESULT QM_COMCALL Callback(qm::IQmSoftSynth*, DWORD code, ULONG_PTR cookie, ULONG_PTR w1, ULONG_PTR w2,
                                       ULONG_PTR w3, ULONG_PTR w4, ULONG_PTR w5, ULONG_PTR w6, ULONG_PTR w7) {
        // The cookie is the site itself: a wrong one reaches no site's record.
        FakeSite* site = reinterpret_cast<FakeSite*>(cookie);
        if (code == qm::SiteCode::FillBlock) {
            auto* record = reinterpret_cast<qm::HostTimeRecord*>(w7);
            const Block block{reinterpret_cast<qm::IQMMIDIBuffer*>(w1), Join(w2, w3), Join(w4, w5),
                              static_cast<DWORD>(w6), record, record != nullptr ? record->tickPosition : 0};
            for (size_t i = 0; site->blocks.empty() && i < site->events.size(); ++i)
                block.buffer->PutShortEvent(block.start + site->events[i].first, site->events[i].second, 0);
            site->blocks.push_back(block);
            return site->fillAnswer;
        }
        site->codes.push_back(code);
        if (code != qm::SiteCode::TimeQuery) return site->answer;
        auto* query = reinterpret_cast<qm::TimeQuery*>(w1);
        site->lastQuery = *query;
        *query = site->reply;
        query->request = site->lastQuery.request;
        query->samplePosition = site->lastQuery.samplePosition;
        query->time = site->lastQuery.time;
        return site->timeAnswer;
    }
    HRESULT open(qm::CVSTiSofthSynth* synth) { return synth->Open(0, 0, 0, &FakeSite::Callback, reinterpret_cast<ULONG_PTR>(this), 0); }
    // One field of every block filled so far, in order.
    template <typename T>
    std::vector<T> each(T Block::*field) const {
        std::vector<T> values;
        for (const Block& block : blocks) values.push_back(block.*field);
        return values;
    }
};

// Stereo in the fields' order: tag, channels, rate, bytes per second, block, bits.
inline WAVEFORMATEX HostFormat(DWORD rate = 44100, WORD tag = WAVE_FORMAT_IEEE_FLOAT, WORD bits = 32) {
    const WORD block = static_cast<WORD>(2 * bits / 8);
    return {tag, 2, rate, rate * block, block, bits, 0};
}

// An initialised instance of `type` (held with one reference), bound to a fake plug-in (none: nothing
// is loaded) whose record names the module at `path`, or by name to one of our test instruments
// through LoadPlugIn.
class LoadedInstance {
public:
    LoadedInstance(FakeType& type, FakePlugin* plugin, const WCHAR* path = QMW("/plugins/Fake Synth.dll")) {
        Create(type, path);
        if (plugin == nullptr) return;
        FakePlugin::Next() = plugin;
        result = synth_->LoadFromEntryPoint(&FakePlugin::Entry, &record);
        FakePlugin::Next() = nullptr;
    }
    LoadedInstance(FakeType& type, FakePlugin& plugin, const WCHAR* path) : LoadedInstance(type, &plugin, path) {}
    LoadedInstance(FakeType& type, const std::string& testPlugin) {
        Create(type, qm::test::TestPluginPath(testPlugin.c_str()).c_str());
        result = synth_->LoadPlugIn(&record);
    }
    ~LoadedInstance() { synth_->Release(); }
    LoadedInstance(const LoadedInstance&) = delete;
    LoadedInstance& operator=(const LoadedInstance&) = delete;

    qm::CVSTiSofthSynth* operator->() const { return synth_; }
    qm::CVSTiSofthSynth* get() const { return synth_; }

    qm::VstiPluginRecord record{};
    HRESULT result = E_FAIL;

private:
    void Create(FakeType& type, const WCHAR* path) {
        // The product name preset comes from the string table: the framework's handle must be open.
        if (qm::KernelLangHandle() == nullptr) {
            qm::OpenKernelLangHandle(qm::ModuleInstanceOf(reinterpret_cast<const void*>(&Wide)), 1033);
        }
        EXPECT_EQ(qm::CVSTiSofthSynth::CreateInstance(&type, &synth_), S_OK);
        synth_->AddRef();
        EXPECT_EQ(synth_->Initialize(), S_OK);
        for (int i = 0; path[i] != 0 && i + 1 < qm::kPluginPathChars; ++i) record.path[i] = path[i];
        record.flags = qm::PluginRecordFlags::Enabled;
    }
    qm::CVSTiSofthSynth* synth_ = nullptr;
};

// `frames` interleaved stereo float frames from `target` (an instance or a bus), prefilled with -9.
inline LONG RenderStereo(qm::IQmSoftSynth* target, std::vector<float>& out, LONG frames, LONGLONG start = 0,
                         DWORD flags = 0, qm::HostTimeRecord* record = nullptr) {
    out.assign(static_cast<size_t>(frames) * 2, -9.0f);
    return static_cast<LONG>(target->Render(out.data(), start, frames, 0, flags, record));
}

// Every frame of an interleaved stereo render is (left, right).
inline void ExpectFrames(const std::vector<float>& out, size_t frames, float left, float right) {
    ASSERT_GE(out.size(), frames * 2);
    for (size_t frame = 0; frame < frames; ++frame) {
        ASSERT_EQ(out[frame * 2], left) << frame;
        ASSERT_EQ(out[frame * 2 + 1], right) << frame;
    }
}

inline std::string Narrow(const WCHAR* text) {
    std::string out;
    for (; *text != 0; ++text) out.push_back(static_cast<char>(*text));
    return out;
}

// A loaded instance opened on its site and formatted for 44.1 kHz stereo float, ready to be cued:
// around a fake of its own or one of our test instruments.
struct Rig {
    Rig() { Start(std::make_unique<LoadedInstance>(type, &own)); }
    explicit Rig(const char* testPlugin, bool expose = false) {
        type.expose = expose;
        Start(std::make_unique<LoadedInstance>(type, testPlugin));
    }
    qm::CVSTiSofthSynth* operator->() const { return synth->get(); }
    qm::CVSTiSofthSynth* get() const { return synth->get(); }
    LONG render(std::vector<float>& out, LONG frames, LONGLONG start = 0, DWORD flags = 0,
                qm::HostTimeRecord* record = nullptr) {
        return RenderStereo(get(), out, frames, start, flags, record);
    }

    FakeType type;
    FakePlugin own;  // a BusRig's plug-in is the test's
    FakePlugin& plugin = own;
    FakeSite site;
    std::unique_ptr<LoadedInstance> synth;

protected:
    Rig(FakePlugin& shaped, bool expose, bool assumeStereo) : plugin(shaped) {
        type.expose = expose;
        type.assumeStereo = assumeStereo;
        Start(std::make_unique<LoadedInstance>(type, &shaped));
    }
    void Start(std::unique_ptr<LoadedInstance> loaded) {
        synth = std::move(loaded);
        EXPECT_EQ(synth->result, S_OK);
        EXPECT_EQ(site.open(get()), S_OK);
        const WAVEFORMATEX format = HostFormat();
        EXPECT_EQ(get()->SetFormat(&format, 0, 0), S_OK);
    }
};

// A Rig for the output buses around a plug-in the test has shaped, every output at its Level; the
// type exposes the extra outputs unless told otherwise. TakeBuses holds every bus until the rig goes.
struct BusRig : Rig {
    explicit BusRig(FakePlugin& shaped, bool expose = true, bool assumeStereo = false)
        : Rig((shaped.levels = true, shaped), expose, assumeStereo) {}
    ~BusRig() {
        for (qm::IQmSoftSynth* bus : buses) {
            bus->ReleaseFormat();
            bus->Release();
        }
    }

    void TakeBuses(bool formatted = true) {
        const WAVEFORMATEX format = HostFormat();
        buses.assign(static_cast<size_t>(get()->BusCount()), nullptr);
        for (size_t i = 0; i < buses.size(); ++i) {
            EXPECT_EQ(get()->GetBus(static_cast<LONG>(i), &buses[i]), S_OK);
            EXPECT_EQ(formatted ? buses[i]->SetFormat(&format, 0, 0) : S_OK, S_OK);
        }
    }
    void Play() {
        ASSERT_EQ(get()->Cue(0), S_OK);
        ASSERT_EQ(get()->Play(0, 0), S_OK);
    }

    std::vector<qm::IQmSoftSynth*> buses;
};

}  // namespace hosting_test
