// The type's settings: named values of its "VSTi Synth" key, read when the type connects to the host
// and written back when it goes, if they were read.
#include "discovery/synth_type.h"

namespace qm {

namespace {

constexpr int kMinFrameMs = 1;
constexpr int kMaxFrameMs = 2000;
constexpr int kDefaultFrameMs = 6;
constexpr int kMaxFlushCount = 3000;
constexpr int64_t kUnitsPerMs = 10000;  // 100-ns units

int Clamp(int64_t value, int low, int high) noexcept {
    return value < low ? low : (value > high ? high : static_cast<int>(value));
}

}  // namespace

void CQmVSTiSynthType::LoadSettings() noexcept {
    const int expose = QmGetMetricUsingName(settings_, QMW("ExposeMultiChannel"), 1);
    const int sizeForNI = QmGetMetricUsingName(settings_, QMW("SizeWindowForNI"), 0);
    const int stereoPins = QmGetMetricUsingName(settings_, QMW("AssumeStereoPins"), 0);
    typeFlags_ &= ~(SynthTypeFlags::ExposeMultiChannel | SynthTypeFlags::SizeWindowForNI |
                    SynthTypeFlags::AssumeStereoPins);
    if (expose & 1) typeFlags_ |= SynthTypeFlags::ExposeMultiChannel;
    if (sizeForNI & 1) typeFlags_ |= SynthTypeFlags::SizeWindowForNI;
    if (stereoPins & 1) typeFlags_ |= SynthTypeFlags::AssumeStereoPins;

    flushCount_ = static_cast<uint32_t>(Clamp(QmGetMetricUsingName(settings_, QMW("FlushOnStopCount"), 0), 0, kMaxFlushCount));

    int frameMs = QmGetMetricUsingName(settings_, QMW("FrameSize"), 0);
    frameMs = frameMs == 0 ? kDefaultFrameMs : Clamp(frameMs, kMinFrameMs, kMaxFrameMs);
    frameSize_ = static_cast<int64_t>(frameMs) * kUnitsPerMs;
    settingsLoaded_ = settings_ != nullptr;
}

void CQmVSTiSynthType::SaveSettings() noexcept {
    // A type that never read the user's values would write the constructor's defaults over them.
    if (settings_ == nullptr || !settingsLoaded_) return;
    QmSetMetricUsingName(settings_, QMW("FlushOnStopCount"), static_cast<int>(flushCount_));
    QmSetMetricUsingName(settings_, QMW("FrameSize"), Clamp(frameSize_ / kUnitsPerMs, kMinFrameMs, kMaxFrameMs));
    // All bits set when on: older readers of the value test it as a boolean, newer ones bit 0.
    QmSetMetricUsingName(settings_, QMW("ExposeMultiChannel"),
                         (typeFlags_ & SynthTypeFlags::ExposeMultiChannel) ? static_cast<int>(0xFFFFFFFFu) : 0);
    // "SizeWindowForNI" and "AssumeStereoPins" are the user's own switches, set outside the
    // component: read, never written.
}

}  // namespace qm
