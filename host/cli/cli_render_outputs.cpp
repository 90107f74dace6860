// BusFiles and MidiOutRecorder: the bus files and the recorded MIDI output of a render.
#include "cli_render_outputs.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "cli.h"
#include "midi_file.h"
#include "qmvsti/guids.h"
#include "text.h"

namespace qm::host::cli {

namespace {

constexpr LONG kBusNameChars = 260;
constexpr DWORD kPortBuffers = 2;
constexpr DWORD kPortBufferBytes = 256;

// OUT.wav and "Aux L/Aux R" give OUT-Aux L_Aux R.wav: characters no file name may hold become '_'.
std::string BusPath(const std::string& mainOutput, const std::string& busName) {
    std::string name = busName.empty() ? "bus" : busName;
    for (char& c : name) {
        if (c == '/' || c == '\\' || c == ':' || c == '*' || c == '?' || c == '"' || c == '<' || c == '>' || c == '|')
            c = '_';
    }
    const size_t slash = mainOutput.find_last_of("/\\");
    const size_t dot = mainOutput.rfind('.');
    const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    const std::string stem = hasExtension ? mainOutput.substr(0, dot) : mainOutput;
    return stem + "-" + name + (hasExtension ? mainOutput.substr(dot) : std::string());
}

void PutVariable(std::vector<uint8_t>& out, uint32_t value) {
    uint8_t bytes[5];
    int count = 0;
    do {
        bytes[count++] = static_cast<uint8_t>(value & 0x7F);
        value >>= 7;
    } while (value != 0 && count < 5);
    while (count > 1) out.push_back(static_cast<uint8_t>(bytes[--count] | 0x80));
    out.push_back(bytes[0]);
}

void PutBig(std::vector<uint8_t>& out, uint32_t value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

}  // namespace

BusFiles::~BusFiles() {
    std::string ignored;
    Close(false, &ignored);
}

int BusFiles::CountBuses(IQmSoftSynth* instance) {
    int count = 0;
    for (IQmSoftSynth* bus = nullptr; instance->GetBus(count, &bus) == S_OK && bus != nullptr; bus = nullptr) {
        bus->Release();
        ++count;
    }
    return count;
}

bool BusFiles::Open(IQmSoftSynth* instance, const WAVEFORMATEX& format, const std::string& mainOutput,
                    SampleFormat sample, uint32_t rate, bool separate, std::string* error) {
    blockAlign_ = format.nBlockAlign;
    separate_ = separate;
    for (LONG index = 0;; ++index) {
        IQmSoftSynth* bus = nullptr;
        if (instance->GetBus(index, &bus) != S_OK || bus == nullptr) break;
        buses_.push_back(bus);
        WCHAR name[kBusNameChars] = {};
        bus->GetName(name, kBusNameChars);
        if (FAILED(bus->SetFormat(&format, 0, 1))) {
            if (error != nullptr) *error = "bus " + ToUtf8(name) + " has no room for the host's buffers";
            return false;
        }
        if (!separate) continue;
        paths_.push_back(BusPath(mainOutput, ToUtf8(name)));
        writers_.push_back(std::make_unique<AudioFileWriter>());
        if (!writers_.back()->Open(paths_.back(), sample, rate, error)) return false;
    }
    return true;
}

bool BusFiles::Pull(LONGLONG position, LONG frames, std::string* error) {
    const size_t bytes = static_cast<size_t>(frames) * blockAlign_;
    block_.resize(bytes * buses_.size());
    for (size_t i = 0; i < buses_.size(); ++i) {
        uint8_t* block = block_.data() + i * bytes;
        const HRESULT rendered = buses_[i]->Render(block, position, frames, 0, 0, nullptr);
        if (rendered != frames) {
            if (error != nullptr) *error = "bus " + std::to_string(i) + ": it rendered silence (its queue overflowed or the plug-in faulted)";
            return false;
        }
        if (separate_ && !writers_[i]->Write(block, static_cast<size_t>(frames), error)) return false;
    }
    return true;
}

const void* BusFiles::Frames(const void* main, LONG frames) {
    if (separate_ || buses_.empty()) return main;
    // Frame by frame: the main pair, then each bus's pair, in bus order.
    const size_t pair = blockAlign_;
    const size_t bytes = static_cast<size_t>(frames) * pair;
    const size_t width = pair * (buses_.size() + 1);
    multi_.resize(static_cast<size_t>(frames) * width);
    for (size_t frame = 0; frame < static_cast<size_t>(frames); ++frame) {
        uint8_t* out = multi_.data() + frame * width;
        std::memcpy(out, static_cast<const uint8_t*>(main) + frame * pair, pair);
        for (size_t i = 0; i < buses_.size(); ++i) {
            std::memcpy(out + (i + 1) * pair, block_.data() + i * bytes + frame * pair, pair);
        }
    }
    return multi_.data();
}

bool BusFiles::Close(bool keep, std::string* error) {
    bool closed = true;
    for (size_t i = 0; i < buses_.size(); ++i) {
        buses_[i]->ReleaseFormat();
        buses_[i]->Release();
        if (i < writers_.size() && !writers_[i]->Close(error)) closed = false;
        if (!keep && i < paths_.size()) {
            std::error_code ignored;
            std::filesystem::remove(std::filesystem::u8path(paths_[i]), ignored);
        }
    }
    buses_.clear();
    writers_.clear();
    return closed;
}

MidiOutRecorder::~MidiOutRecorder() { Stop(); }

HRESULT QM_COMCALL MidiOutRecorder::Callback(IMIDIIn*, DWORD code, ULONG_PTR cookie, DWORD w1, DWORD, DWORD, DWORD,
                                             DWORD w5) {
    if (code == PortCode::ShortMessage) reinterpret_cast<MidiOutRecorder*>(cookie)->events_.push_back({w1, w5});
    return S_OK;
}

bool MidiOutRecorder::Start(IQmSoftSynth* instance, std::string* error) {
    void* port = nullptr;
    if (instance->GetMidiInput(IID_IMIDIIn, &port) != S_OK || port == nullptr) {
        if (error != nullptr) *error = "the instrument sends no MIDI (it has no MIDI output port)";
        return false;
    }
    port_ = static_cast<IMIDIIn*>(port);
    DWORD size = kPortBufferBytes;
    DWORD count = kPortBuffers;
    if (FAILED(port_->Open(buffers_, &size, &count, &MidiOutRecorder::Callback, reinterpret_cast<ULONG_PTR>(this)))) {
        if (error != nullptr) *error = "the instrument's MIDI output port did not open";
        return false;
    }
    opened_ = true;
    port_->Start();
    return true;
}

void MidiOutRecorder::Stop() noexcept {
    if (port_ == nullptr) return;
    port_->Stop();
    if (opened_) port_->Close(buffers_);
    opened_ = false;
    port_->Release();
    port_ = nullptr;
}

bool MidiOutRecorder::Finish(const std::string& utf8Path, std::string* error) {
    Stop();
    std::vector<std::pair<DWORD, DWORD>> messages;
    for (const Event& event : events_) messages.emplace_back(event.message, event.milliseconds);
    const std::vector<uint8_t> bytes = MillisecondMidiFile(messages);
    std::ofstream file(std::filesystem::u8path(utf8Path), std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!file.good()) {
        if (error != nullptr) *error = "cannot write " + utf8Path;
        return false;
    }
    return true;
}

std::vector<uint8_t> MillisecondMidiFile(const std::vector<std::pair<DWORD, DWORD>>& messages) {
    std::vector<uint8_t> track;
    // 60 beats per minute: a quarter of 1000 ticks lasts 1 000 000 microseconds.
    const uint8_t tempo[] = {0x00, 0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40};
    track.insert(track.end(), tempo, tempo + sizeof tempo);
    DWORD last = 0;  // the port's Start, which is the render's start
    for (const auto& [message, stamp] : messages) {
        const uint8_t status = static_cast<uint8_t>(message & 0xFF);
        const int data = ChannelMessageDataBytes(status);
        if (status < 0x80 || status >= 0xF0 || data < 0) continue;  // the port carries channel messages only
        // Stamps start at the port's Start; they never run backwards, but a late one must not wrap.
        PutVariable(track, stamp >= last ? stamp - last : 0);
        if (stamp > last) last = stamp;
        track.push_back(status);
        for (int i = 1; i <= data; ++i) track.push_back(static_cast<uint8_t>((message >> (8 * i)) & 0x7F));
    }
    const uint8_t end[] = {0x00, 0xFF, 0x2F, 0x00};
    track.insert(track.end(), end, end + sizeof end);
    std::vector<uint8_t> file = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1};
    PutBig(file, 1000, 2);
    file.insert(file.end(), {'M', 'T', 'r', 'k'});
    PutBig(file, static_cast<uint32_t>(track.size()), 4);
    file.insert(file.end(), track.begin(), track.end());
    return file;
}

}  // namespace qm::host::cli

namespace qm::host::cli {

bool IsRenderOutputOption(const std::string& arg) { return arg == "--outputs" || arg == "--midi-out"; }
bool IsRenderFlag(const std::string& arg) { return arg == "--buses"; }

bool ApplyRenderOutputOption(const std::string& name, const std::string& value, RenderOptions* render,
                             std::string* error) {
    if (name == "--midi-out") {
        if (value.empty()) {
            *error = "--midi-out needs a file name";
            return false;
        }
        render->midiOut = value;
        return true;
    }
    if (value == "main" || value == "all" || value == "multi") {
        render->buses = value == "all";
        render->multi = value == "multi";
        return true;
    }
    *error = "--outputs must be main, all or multi, not " + value;
    return false;
}

}  // namespace qm::host::cli
