// The null instrument (testplugins/qmnull beside the benchmark) loaded into an instance, opened on a
// host site that adds no MIDI, formatted for 16-bit stereo at 44.1 kHz, cued and playing: what a
// benchmark of the block path needs around the instance.
#pragma once
#include <string>
#include <vector>

#include "framework/lang.h"
#include "hosting/synth_type_link.h"
#include "hosting/vsti_soft_synth.h"
#include "platform/module.h"

namespace bench {

class NullSynthRig {
public:
    static constexpr LONG kFrames = 265;  // one 6 ms block at 44.1 kHz

    NullSynthRig() {
        if (qm::KernelLangHandle() == nullptr) {
            qm::OpenKernelLangHandle(qm::ModuleInstanceOf(reinterpret_cast<const void*>(&EmptySite)), 1033);
        }
        qm::CVSTiSofthSynth::CreateInstance(&type_, &synth_);
        synth_->AddRef();
        synth_->Initialize();
        if (!Load()) return;
        loaded_ = true;
        synth_->Open(0, 0, 0, &EmptySite, 0, 0);
        const WAVEFORMATEX format{WAVE_FORMAT_PCM, 2, 44100, 176400, 4, 16, 0};
        synth_->SetFormat(&format, 0, 0);
        synth_->Cue(0);
        synth_->Play(0, 0);
        out_.resize(2 * kFrames);
    }
    ~NullSynthRig() {
        if (loaded_) synth_->Close();
        synth_->Release();
    }
    NullSynthRig(const NullSynthRig&) = delete;
    NullSynthRig& operator=(const NullSynthRig&) = delete;

    bool Loaded() const { return loaded_; }
    qm::CVSTiSofthSynth* Synth() const { return synth_; }
    // The next block.
    HRESULT Render() {
        const HRESULT rendered = synth_->Render(out_.data(), position_, kFrames, 0, 0, nullptr);
        position_ += kFrames;
        return rendered;
    }

private:
    class Type final : public qm::ISynthTypeLink {
    public:
        int64_t FrameSizeDuration() const noexcept override { return 60000; }
        uint32_t FlushOnStopCount() const noexcept override { return 0; }
        bool ExposeMultiChannel() const noexcept override { return false; }
        bool HasAlternativeDrawingMark(const WCHAR*, const WCHAR*, int32_t) noexcept override { return false; }
    };

    static HRESULT QM_COMCALL EmptySite(qm::IQmSoftSynth*, DWORD, ULONG_PTR, ULONG_PTR, ULONG_PTR, ULONG_PTR, ULONG_PTR,
                                        ULONG_PTR, ULONG_PTR, ULONG_PTR) {
        return S_OK;
    }

    // testplugins/qmnull beside this program, whichever module suffix the platform uses.
    bool Load() {
        WCHAR self[1024];
        const size_t length = qm::platform::ModulePathOf(reinterpret_cast<const void*>(&EmptySite), self, 1024);
        std::basic_string<WCHAR> folder(self, length);
        const size_t slash = folder.find_last_of(QMW("/\\"));
        folder.resize(slash == std::basic_string<WCHAR>::npos ? 0 : slash + 1);
        for (const char* suffix : {".so", ".dll"}) {
            std::basic_string<WCHAR> path = folder;
            for (const char* c = "testplugins/qmnull"; *c != 0; ++c) path.push_back(static_cast<WCHAR>(*c));
            for (const char* c = suffix; *c != 0; ++c) path.push_back(static_cast<WCHAR>(*c));
            record_ = qm::VstiPluginRecord{};
            record_.flags = qm::PluginRecordFlags::Enabled;
            path.copy(record_.path, path.size());
            if (synth_->LoadPlugIn(&record_) == S_OK) return true;
        }
        return false;
    }

    Type type_;
    qm::CVSTiSofthSynth* synth_ = nullptr;
    qm::VstiPluginRecord record_{};
    bool loaded_ = false;
    std::vector<int16_t> out_;
    LONGLONG position_ = 0;
};

}  // namespace bench
