// What hosting through the instance costs on top of the plug-in's own work: one 8-second song (chords
// and an overlapping melody at 120 bpm) rendered with the Kars instrument into 16-bit interleaved
// stereo at 44.1 kHz, once through CVSTiSofthSynth (site callback, event hand-over, guarded calls,
// conversion) and once by a bare loop that drives the same module directly and converts with the same
// interleaver. Each iteration is one whole song; the library runs report "ratio" against the bare run
// that precedes them.
//
// Request sizes: the instance cuts a block at the end of every Render request as well as every 265
// frames, so 1024-frame requests make 4 plug-in calls per 1024 frames where the bare loop makes 3.86;
// 1060-frame requests (4 x 265) give exactly the bare loop's block sequence.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "framework/audio.h"
#include "framework/lang.h"
#include "hosting/synth_type_link.h"
#include "hosting/vsti_soft_synth.h"
#include "platform/module.h"
#include "qmvsti/callbacks.h"
#include "qmvsti/midi_buffer.h"
#include "qmvsti/vst2.h"

namespace {

constexpr const char* kKarsPath = "/usr/lib/vst/Kars-vst.so";
constexpr double kRate = 44100.0;
constexpr int32_t kBlockFrames = 265;  // 6 ms at 44.1 kHz, the instance's frame size
constexpr int64_t kSongFrames = 8 * 44100;
constexpr int64_t kBeatFrames = 22050;  // 120 bpm

struct SongEvent {
    int64_t frame;
    uint32_t message;  // packed short message: status | data1 << 8 | data2 << 16
};

uint32_t NoteOn(int key, int velocity) { return 0x90u | (static_cast<uint32_t>(key) << 8) | (static_cast<uint32_t>(velocity) << 16); }
uint32_t NoteOff(int key) { return 0x80u | (static_cast<uint32_t>(key) << 8) | (64u << 16); }

// Half-note chords held for two and a half beats (each overlaps the next) under an eighth-note melody
// whose notes ring into the following one. All notes end inside the song.
std::vector<SongEvent> MakeSong() {
    std::vector<SongEvent> song;
    auto note = [&](int64_t on, int64_t length, int key, int velocity) {
        const int64_t off = std::min(on + length, kSongFrames - 1);
        song.push_back({on, NoteOn(key, velocity)});
        song.push_back({off, NoteOff(key)});
    };
    const int roots[] = {48, 53, 55, 48, 45, 50, 55, 48};
    for (int chord = 0; chord < 8; ++chord) {
        const int64_t on = chord * 2 * kBeatFrames;
        for (int interval : {0, 4, 7}) note(on, kBeatFrames * 5 / 2, roots[chord] + interval, 90);
    }
    const int melody[] = {72, 74, 76, 79, 77, 76, 74, 71};
    for (int step = 0; step < 32; ++step) {
        note(step * kBeatFrames / 2, kBeatFrames * 3 / 4, melody[step % 8] + (step / 16) * 2, 70 + (step % 4) * 10);
    }
    // Note-offs first on a shared frame so a repeated key is released before it strikes again.
    std::stable_sort(song.begin(), song.end(), [](const SongEvent& a, const SongEvent& b) {
        if (a.frame != b.frame) return a.frame < b.frame;
        return (a.message & 0xF0u) == 0x80u && (b.message & 0xF0u) != 0x80u;
    });
    return song;
}

const std::vector<SongEvent>& Song() {
    static const std::vector<SongEvent> song = MakeSong();
    return song;
}

LONGLONG TimeOfFrame(int64_t frame) { return static_cast<LONGLONG>(static_cast<double>(frame) / kRate * 1e7 + 0.5); }

// Seconds per song of the last bare run, for the library runs' ratio.
double g_bareSecondsPerSong = 0.0;

template <typename Body>
double SecondsPerSong(benchmark::State& state, Body body) {
    const auto begin = std::chrono::steady_clock::now();
    int64_t songs = 0;
    for (auto _ : state) {
        body(songs);
        ++songs;
    }
    const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - begin;
    return songs > 0 ? spent.count() / static_cast<double>(songs) : 0.0;
}

// ---- Through the library ----

class BenchType final : public qm::ISynthTypeLink {
public:
    int64_t FrameSizeDuration() const noexcept override { return 60000; }
    uint32_t FlushOnStopCount() const noexcept override { return 0; }
    bool ExposeMultiChannel() const noexcept override { return false; }
    bool HasAlternativeDrawingMark(const WCHAR*, const WCHAR*, int32_t) noexcept override { return false; }
};

// The host's sequencer: a cursor over the song, played from `base` on the instance's time line.
struct Sequencer {
    const std::vector<SongEvent>* song = nullptr;
    size_t next = 0;
    int64_t base = 0;

    static HRESULT QM_COMCALL Callback(qm::IQmSoftSynth*, DWORD code, ULONG_PTR cookie, ULONG_PTR w1, ULONG_PTR w2,
                                       ULONG_PTR w3, ULONG_PTR w4, ULONG_PTR w5, ULONG_PTR, ULONG_PTR) {
        if (code == qm::SiteCode::Attached || code == qm::SiteCode::Detached) return S_OK;
        if (code != qm::SiteCode::FillBlock) return E_NOTIMPL;  // no time line to offer, as the bare host
        auto* self = reinterpret_cast<Sequencer*>(cookie);
        auto* buffer = reinterpret_cast<qm::IQMMIDIBuffer*>(w1);
        const auto word = [](ULONG_PTR low, ULONG_PTR high) {
            return static_cast<LONGLONG>((static_cast<uint64_t>(high) << 32) | (static_cast<uint64_t>(low) & 0xFFFFFFFFu));
        };
        const LONGLONG end = word(w2, w3) + word(w4, w5);
        const std::vector<SongEvent>& events = *self->song;
        while (self->next < events.size()) {
            const LONGLONG time = TimeOfFrame(self->base + events[self->next].frame);
            if (time >= end) break;
            buffer->PutShortEvent(time, events[self->next].message, 0);
            ++self->next;
        }
        return S_OK;
    }
};

void BM_KarsSongThroughLibrary(benchmark::State& state) {
    if (qm::KernelLangHandle() == nullptr) {
        qm::OpenKernelLangHandle(qm::ModuleInstanceOf(reinterpret_cast<const void*>(&MakeSong)), 1033);
    }
    const LONG request = static_cast<LONG>(state.range(0));
    BenchType type;
    qm::CVSTiSofthSynth* synth = nullptr;
    if (qm::CVSTiSofthSynth::CreateInstance(&type, &synth) != S_OK) {
        state.SkipWithError("no instance");
        return;
    }
    synth->AddRef();
    synth->Initialize();
    qm::VstiPluginRecord record{};
    record.flags = qm::PluginRecordFlags::Enabled;
    for (const char* c = kKarsPath; *c != 0; ++c) record.path[c - kKarsPath] = static_cast<WCHAR>(*c);
    if (synth->LoadPlugIn(&record) != S_OK) {
        state.SkipWithError("Kars-vst.so could not be loaded");
        synth->Release();
        return;
    }
    Sequencer sequencer;
    sequencer.song = &Song();
    const WAVEFORMATEX format{WAVE_FORMAT_PCM, 2, 44100, 176400, 4, 16, 0};
    if (synth->Open(0, 0, 0, &Sequencer::Callback, reinterpret_cast<ULONG_PTR>(&sequencer), 0) != S_OK ||
        synth->SetFormat(&format, 0, 0) != S_OK || synth->Cue(0) != S_OK || synth->Play(0, 0) != S_OK) {
        state.SkipWithError("Kars could not be started through the instance");
        synth->Release();
        return;
    }
    std::vector<int16_t> out(static_cast<size_t>(request) * 2);
    // One time line across iterations: every request ends on a block edge, so each song starts clean.
    const double seconds = SecondsPerSong(state, [&](int64_t songs) {
        sequencer.base = songs * kSongFrames;
        sequencer.next = 0;
        for (int64_t done = 0; done < kSongFrames;) {
            const LONG frames = static_cast<LONG>(std::min<int64_t>(request, kSongFrames - done));
            benchmark::DoNotOptimize(synth->Render(out.data(), sequencer.base + done, frames, 0, 0, nullptr));
            benchmark::ClobberMemory();
            done += frames;
        }
    });
    if (g_bareSecondsPerSong > 0.0) state.counters["ratio"] = seconds / g_bareSecondsPerSong;
    state.counters["ms_per_song"] = seconds * 1e3;
    state.SetItemsProcessed(state.iterations() * kSongFrames);
    synth->Close();
    synth->Release();
}

// ---- Bare loop over the same module ----

intptr_t VSTCALLBACK BareHost(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

// A VstEvents with room for a block's worth of pointers.
struct BlockEvents {
    int32_t numEvents;
    intptr_t reserved;
    VstEvent* events[64];
};

void BM_KarsSongBareLoop(benchmark::State& state) {
    WCHAR path[256] = {};
    for (const char* c = kKarsPath; *c != 0; ++c) path[c - kKarsPath] = static_cast<WCHAR>(*c);
    qm::platform::ModuleHandle module = qm::platform::LoadModule(path);
    void* symbol = module != nullptr ? qm::platform::FindSymbol(module, "VSTPluginMain") : nullptr;
    // DPF builds (Kars among them) export only the older "main".
    if (symbol == nullptr && module != nullptr) symbol = qm::platform::FindSymbol(module, "main");
    auto entry = reinterpret_cast<VstPluginMainProc>(symbol);
    AEffect* effect = entry != nullptr ? entry(&BareHost) : nullptr;
    if (effect == nullptr || effect->magic != kEffectMagic || effect->numOutputs < 1) {
        state.SkipWithError("Kars-vst.so could not be loaded");
        if (module != nullptr) qm::platform::UnloadModule(module);
        return;
    }
    effect->dispatcher(effect, effOpen, 0, 0, nullptr, 0.0f);
    effect->dispatcher(effect, effSetSampleRate, 0, 0, nullptr, static_cast<float>(kRate));
    effect->dispatcher(effect, effSetBlockSize, 0, kBlockFrames, nullptr, 0.0f);
    effect->dispatcher(effect, effMainsChanged, 0, 1, nullptr, 0.0f);

    std::vector<std::vector<float>> outputs(static_cast<size_t>(effect->numOutputs), std::vector<float>(kBlockFrames));
    std::vector<std::vector<float>> inputs(static_cast<size_t>(std::max(effect->numInputs, 0)), std::vector<float>(kBlockFrames));
    std::vector<float*> outputPointers, inputPointers(1, nullptr);  // never a null array, even with no inputs
    for (auto& channel : outputs) outputPointers.push_back(channel.data());
    for (size_t i = 0; i < inputs.size(); ++i) {
        if (i == 0) inputPointers[0] = inputs[0].data();
        else inputPointers.push_back(inputs[i].data());
    }
    float* left = outputPointers[0];
    float* right = outputPointers.size() >= 2 ? outputPointers[1] : outputPointers[0];
    std::vector<int16_t> out(static_cast<size_t>(kBlockFrames) * 2);
    VstMidiEvent midi[64] = {};
    BlockEvents list{};
    const std::vector<SongEvent>& song = Song();

    const double seconds = SecondsPerSong(state, [&](int64_t) {
        size_t next = 0;
        for (int64_t start = 0; start < kSongFrames; start += kBlockFrames) {
            const int32_t frames = static_cast<int32_t>(std::min<int64_t>(kBlockFrames, kSongFrames - start));
            list.numEvents = 0;
            while (next < song.size() && song[next].frame < start + frames && list.numEvents < 64) {
                VstMidiEvent& event = midi[list.numEvents];
                event.type = kVstMidiType;
                event.byteSize = static_cast<int32_t>(sizeof(VstMidiEvent));
                event.deltaFrames = static_cast<int32_t>(song[next].frame - start);
                event.midiData[0] = static_cast<char>(song[next].message & 0xFF);
                event.midiData[1] = static_cast<char>((song[next].message >> 8) & 0xFF);
                event.midiData[2] = static_cast<char>((song[next].message >> 16) & 0xFF);
                list.events[list.numEvents++] = reinterpret_cast<VstEvent*>(&event);
                ++next;
            }
            effect->dispatcher(effect, effProcessEvents, 0, 0, &list, 0.0f);
            effect->processReplacing(effect, inputPointers.data(), outputPointers.data(),
                                     frames);
            QmAudio_InterleaveStereoEx(out.data(), QMST_PCM16, left, right, QMST_FLOAT32, static_cast<DWORD>(frames));
            benchmark::DoNotOptimize(out.data());
            benchmark::ClobberMemory();
        }
    });
    g_bareSecondsPerSong = seconds;
    state.counters["ms_per_song"] = seconds * 1e3;
    state.SetItemsProcessed(state.iterations() * kSongFrames);
    effect->dispatcher(effect, effMainsChanged, 0, 0, nullptr, 0.0f);
    effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
    qm::platform::UnloadModule(module);
}

// The bare run first: the library runs divide by its time.
BENCHMARK(BM_KarsSongBareLoop)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KarsSongThroughLibrary)->Arg(1024)->Arg(1060)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
