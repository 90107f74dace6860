// render: a MIDI file played through one instrument into an audio file, the way a host renders a
// track offline: open the instance on the host's site, set the format, cue, play, pull blocks.
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "audio_file.h"
#include "cli.h"
#include "cli_render_outputs.h"
#include "host_os.h"
#include "midi_file.h"
#include "tempo_map.h"
#include "text.h"

namespace qm::host::cli {

namespace {

constexpr LONG kBlockFrames = 1024;
constexpr DWORD kOfflineRendering = 1;
constexpr HRESULT kRenderedSilenceAfterFault = -2;
constexpr double kUnitsPerSecond = 1e7;

// Ctrl-C or SIGTERM during a render: the block loop stops and the partial file is removed.
volatile std::sig_atomic_t g_interruptSignal = 0;

void OnInterrupt(int signal) {
    g_interruptSignal = signal;
    std::signal(signal, SIG_DFL);  // a second one still ends a render stuck inside the plug-in
}

// Catches the interrupts while an output file exists.
class InterruptCatcher {
public:
    InterruptCatcher() : previousInt_(std::signal(SIGINT, OnInterrupt)), previousTerm_(std::signal(SIGTERM, OnInterrupt)) {}
    ~InterruptCatcher() {
        std::signal(SIGINT, previousInt_);
        std::signal(SIGTERM, previousTerm_);
    }
    InterruptCatcher(const InterruptCatcher&) = delete;
    InterruptCatcher& operator=(const InterruptCatcher&) = delete;

private:
    using Handler = void (*)(int);
    Handler previousInt_, previousTerm_;
};

// "2.50 s" under a minute, "1:17:40" or "0:01:30.25" from there on.
std::string LengthText(double seconds) {
    char text[48];
    if (seconds < 60.0) {
        std::snprintf(text, sizeof text, "%.2f s", seconds);
        return text;
    }
    const long long hundredths = std::llround(seconds * 100.0);
    const long long hours = hundredths / 360000, minutes = hundredths / 6000 % 60, secs = hundredths / 100 % 60;
    if (hundredths % 100 == 0) std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", hours, minutes, secs);
    else std::snprintf(text, sizeof text, "%lld:%02lld:%02lld.%02lld", hours, minutes, secs, hundredths % 100);
    return text;
}

std::string SizeText(double bytes) {
    const char* const units[] = {"bytes", "kB", "MB", "GB", "TB"};
    int unit = 0;
    for (; bytes >= 1000.0 && unit < 4; ++unit) bytes /= 1000.0;
    char text[32];
    std::snprintf(text, sizeof text, unit == 0 ? "%.0f %s" : "%.1f %s", bytes, units[unit]);
    return text;
}

struct Meter {
    double peak = 0.0;
    double sumOfSquares = 0.0;
    uint64_t samples = 0;

    void Add(const uint8_t* data, size_t frames, SampleFormat format) {
        const int step = SampleBytes(format);
        for (size_t i = 0; i < frames * 2; ++i, data += step) {
            const double v = SampleValue(data, format);
            peak = std::fmax(peak, std::fabs(v));
            sumOfSquares += v * v;
        }
        samples += frames * 2;
    }
    double Rms() const { return samples > 0 ? std::sqrt(sumOfSquares / static_cast<double>(samples)) : 0.0; }
};

std::string Decibels(double level) {
    if (!(level > 0.0)) return "-inf";
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", 20.0 * std::log10(level));
    return text;
}

// A one-line bar on stderr, redrawn when the whole percentage changes.
class ProgressBar {
public:
    ProgressBar(bool shown, LONGLONG total) : shown_(shown), total_(total > 0 ? total : 1) {}
    void Update(LONGLONG done) {
        if (!shown_) return;
        const int percent = static_cast<int>(done * 100 / total_);
        if (percent == last_) return;
        last_ = percent;
        char bar[41];
        const int filled = percent * 40 / 100;
        for (int i = 0; i < 40; ++i) bar[i] = i < filled ? '#' : '.';
        bar[40] = '\0';
        std::fprintf(stderr, "\rrendering [%s] %3d%%", bar, percent);
        std::fflush(stderr);
    }
    void Finish() {
        if (shown_ && last_ >= 0) std::fprintf(stderr, "\r%60s\r", "");
    }

private:
    bool shown_;
    LONGLONG total_;
    int last_ = -1;
};

struct RenderRun {
    const RenderOptions& options;
    SampleFormat format;
    const HostSequence& sequence;
    bool json;
    const PatchChoice& patch;
};

// Pulls the song and its tail out of an opened, formatted and playing instance into the writer.
int PullAudio(IQmSoftSynth* instance, const RenderRun& run, AudioFileWriter* writer, BusFiles* buses, LONGLONG total,
              Meter* meter) {
    const size_t blockAlign = 2 * static_cast<size_t>(SampleBytes(run.format));
    std::vector<uint8_t> block(static_cast<size_t>(kBlockFrames) * blockAlign);
    ProgressBar progress(OsStderrIsTerminal(), total);
    std::string error;
    for (LONGLONG position = 0; position < total;) {
        if (g_interruptSignal != 0) {
            progress.Finish();
            return Fail(kExitInterrupted + g_interruptSignal, "interrupted; " + run.options.output + " removed");
        }
        const LONG frames = static_cast<LONG>(std::min<LONGLONG>(kBlockFrames, total - position));
        const HRESULT rendered = instance->Render(block.data(), position, frames, 0, 0, nullptr);
        if (rendered == kRenderedSilenceAfterFault) {
            progress.Finish();
            char when[32];
            std::snprintf(when, sizeof when, "%.2f", static_cast<double>(position) / run.options.rate);
            return Fail(kExitFailure, "the plug-in faulted " + std::string(when) + " s into the song; nothing written");
        }
        if (rendered != frames) {
            progress.Finish();
            return Fail(kExitFailure, "the library rendered no audio (" + ResultText(rendered) + ")");
        }
        meter->Add(block.data(), static_cast<size_t>(frames), run.format);
        if (!buses->Pull(position, frames, &error) ||
            !writer->Write(buses->Frames(block.data(), frames), static_cast<size_t>(frames), &error)) {
            progress.Finish();
            return Fail(kExitFailure, error);
        }
        position += frames;
        progress.Update(position);
    }
    progress.Finish();
    return kExitOk;
}

std::string ProgramText(const RenderOptions& o, const PatchChoice& patch) {
    if (!patch.chosen) return {};
    return ", program " + std::to_string(o.program) + " \"" + patch.name + "\"";
}

std::string ProgramJson(const RenderOptions& o, const PatchChoice& patch) {
    if (!patch.chosen) return {};
    return ", \"program\": " + std::to_string(o.program) + ", \"programName\": " + JsonText(patch.name);
}

int RenderSong(IQmSoftSynth* instance, const RenderRun& run) {
    const RenderOptions& o = run.options;
    const double rate = static_cast<double>(o.rate);
    SiteState site;
    site.sequence = &run.sequence;
    site.sampleRate = rate;
    AudioFileWriter writer;
    std::string error;
    const InterruptCatcher interrupts;
    const int channels = o.multi ? 2 + 2 * BusFiles::CountBuses(instance) : 2;
    if (!writer.Open(o.output, run.format, static_cast<uint32_t>(o.rate), &error, channels)) return Fail(kExitFailure, error);

    int result = kExitOk;
    const bool opened = SUCCEEDED(instance->Open(0, 0, 0, HostSiteCallback, reinterpret_cast<ULONG_PTR>(&site), 0));
    if (!opened) result = Fail(kExitFailure, "the instance did not take the host's site");
    const WAVEFORMATEX wfx = HostWaveFormat(run.format, static_cast<uint32_t>(o.rate));
    if (result == kExitOk && FAILED(instance->SetFormat(&wfx, 0, kOfflineRendering)))
        result = Fail(kExitFailure, "the instance has no room for the host's buffers");
    BusFiles buses;
    if (result == kExitOk && (o.buses || o.multi) &&
        !buses.Open(instance, wfx, o.output, run.format, static_cast<uint32_t>(o.rate), !o.multi, &error))
        result = Fail(kExitFailure, error);
    MidiOutRecorder midiOut;
    if (result == kExitOk && !o.midiOut.empty() && !midiOut.Start(instance, &error)) result = Fail(kExitFailure, error);
    const LONGLONG songFrames = FramesOfTime(run.sequence.EndTime(), rate);
    const LONGLONG total = songFrames + static_cast<LONGLONG>(o.tail * rate + 0.5);
    Meter meter;
    double seconds = 0.0;
    if (result == kExitOk) {
        const double bytes = static_cast<double>(total) * channels * SampleBytes(run.format);
        AudioFileType type = AudioFileType::Wav;
        ChooseAudioFileType(o.output, run.format, &type, &error);
        std::fprintf(stderr, "qmvsti: rendering %s of song and %s of tail (%lld frames) into %s, %s %s\n",
                     LengthText(static_cast<double>(songFrames) / rate).c_str(), LengthText(o.tail).c_str(),
                     static_cast<long long>(total), o.output.c_str(), type == AudioFileType::Flac ? "at most" : "about",
                     SizeText(bytes).c_str());
        instance->Cue(0);
        instance->Play(0, 0);
        if (run.patch.chosen) SelectPatch(instance, run.patch, run.sequence.Channels());
        const auto started = std::chrono::steady_clock::now();
        result = PullAudio(instance, run, &writer, &buses, total, &meter);
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        instance->Stop();
        if (result == kExitOk && !o.midiOut.empty() && !midiOut.Finish(o.midiOut, &error)) result = Fail(kExitFailure, error);
        if (!buses.Close(result == kExitOk, &error) && result == kExitOk) result = Fail(kExitFailure, error);
        instance->ReleaseFormat();
    }
    if (opened) instance->Close();
    if (result == kExitOk && !writer.Close(&error)) result = Fail(kExitFailure, error);
    if (result != kExitOk) {
        // No half-written file is left to be mistaken for a render.
        writer.Close(&error);
        std::error_code ignored;
        std::filesystem::remove(std::filesystem::u8path(o.output), ignored);
        return result;
    }
    if (site.eventsDropped > 0)
        std::fprintf(stderr, "qmvsti: warning: %d MIDI events did not fit the instrument's buffer\n", site.eventsDropped.load());

    const double duration = static_cast<double>(total) / rate;
    const double speed = duration / std::fmax(seconds, 1e-6);
    if (run.json) {
        std::printf("{\"output\": %s, \"frames\": %lld, \"seconds\": %.3f, \"rate\": %lu, \"format\": \"%s\", "
                    "\"peakDbfs\": %s, \"rmsDbfs\": %s, \"events\": %d, \"realtime\": %.1f%s}\n",
                    JsonText(o.output).c_str(), static_cast<long long>(total), duration, o.rate,
                    SampleFormatName(run.format), meter.peak > 0 ? Decibels(meter.peak).c_str() : "null",
                    meter.Rms() > 0 ? Decibels(meter.Rms()).c_str() : "null", site.eventsPut.load(), speed,
                    ProgramJson(o, run.patch).c_str());
    } else {
        std::printf("%s: %.2f s (%lld frames, %lu Hz, %s stereo), peak %s dBFS, RMS %s dBFS, %.1fx realtime%s\n",
                    o.output.c_str(), duration, static_cast<long long>(total), o.rate, SampleFormatName(run.format),
                    Decibels(meter.peak).c_str(), Decibels(meter.Rms()).c_str(), speed, ProgramText(o, run.patch).c_str());
    }
    return kExitOk;
}

}  // namespace

int RunRender(const Options& options) {
    RenderOptions render;
    std::string error;
    if (!ParseRenderOptions(options.arguments, &render, &error)) return Fail(kExitUsage, error);
    SampleFormat format = SampleFormat::S16;
    ParseSampleFormat(render.format, &format);
    if (!Readable(render.input)) return Fail(kExitUnreadable, "cannot read " + render.input);
    if (LooksLikePath(render.plugIn) && !Readable(render.plugIn)) return Fail(kExitUnreadable, "cannot read " + render.plugIn);
    MidiSong song;
    if (!ReadMidiFile(render.input, &song, &error)) return Fail(kExitBadInput, render.input + ": " + error);
    for (const std::string& warning : song.warnings)
        std::fprintf(stderr, "qmvsti: warning: %s: %s\n", render.input.c_str(), warning.c_str());
    HostSequence sequence(song);
    // Refused before anything is written: one stray event far behind the song would fill the disk.
    if (sequence.EndTime() > static_cast<LONGLONG>(render.maxLength * kUnitsPerSecond + 0.5)) {
        const bool endless = sequence.EndTime() >= TempoMap::kEndOfTime;
        return Fail(kExitBadInput, render.input + ": the song lasts " + (endless ? "more than " : "") +
                                       LengthText(static_cast<double>(sequence.EndTime()) / kUnitsPerSecond) +
                                       ", longer than the limit of " + LengthText(render.maxLength) +
                                       " (--max-length); it ends with the event at track " +
                                       std::to_string(song.endTrack + 1) + ", tick " + std::to_string(song.endTick) +
                                       ", offset " + std::to_string(song.endOffset));
    }

    HostSession session(options.verbose);
    IQmSoftSynth* instance = nullptr;
    std::string path;
    if (const int code = CreatePlugInInstance(options, render.plugIn, &session, &instance, &path); code != kExitOk)
        return code;
    // A saved state or preset first, then --program and --set over it.
    PatchChoice patch;
    int result = PrepareInstance(instance, render.loadState, render.preset);
    if (result == kExitOk) result = PrepareInstrument(instance, path, render, &patch);
    if (result == kExitOk) result = RenderSong(instance, RenderRun{render, format, sequence, options.json, patch});
    if (result == kExitOk) result = SaveRenderState(instance, render);
    instance->Release();
    if (options.verbose) PrintPatchEvents(session.PatchEvents());
    return result;
}

}  // namespace qm::host::cli
