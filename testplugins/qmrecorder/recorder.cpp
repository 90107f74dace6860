// The call recorder: a minimal silent instrument that writes one line per call it receives to the log
// named by QMVSTI_RECORDER_LOG, so tests can assert the exact sequence a host produced:
//   entry main | entry VSTPluginMain
//   dispatcher opcode=<n> index=<n> value=<n> opt=<number>[ text=<input text>][ events=<n>]
//   process frames=<n> | processReplacing frames=<n>
//   setParameter index=<n> value=<number> | getParameter index=<n>
// <number> is an integer when the float holds one, else printed with six decimals. text= is added for
// the opcodes whose ptr carries text in (effSetProgramName, effString2Parameter, effCanDo), events=
// for effProcessEvents.
#include <cmath>
#include <cstdio>
#include "common/line_log.h"
#include "common/plugin_base.h"
#include "protocol.h"

namespace qmtest {
namespace {

void FormatNumber(char* text, size_t capacity, double value) {
    if (std::isfinite(value) && std::fabs(value) < 1e9 && value == std::floor(value)) {
        std::snprintf(text, capacity, "%lld", static_cast<long long>(value));
    } else {
        std::snprintf(text, capacity, "%.6f", value);
    }
}

class Recorder : public PluginBase {
public:
    explicit Recorder(audioMasterCallback host)
        : PluginBase(host, PluginInfo{"QmRecorder", "QmVSTi Call Recorder", kRecorderUniqueId,
                                      effFlagsIsSynth | effFlagsCanReplacing, 1, 2, 0, 2, kPlugCategSynth}) {
        CopyText(programName_, "Recorder", sizeof programName_);
    }

protected:
    intptr_t dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) override {
        char number[48];
        FormatNumber(number, sizeof number, opt);
        char suffix[160] = "";
        if (ptr && (opcode == effSetProgramName || opcode == effString2Parameter || opcode == effCanDo)) {
            std::snprintf(suffix, sizeof suffix, " text=%.120s", static_cast<const char*>(ptr));
        } else if (ptr && opcode == effProcessEvents) {
            std::snprintf(suffix, sizeof suffix, " events=%d",
                          static_cast<int>(static_cast<const VstEvents*>(ptr)->numEvents));
        }
        char line[320];
        std::snprintf(line, sizeof line, "dispatcher opcode=%d index=%d value=%lld opt=%s%s",
                      static_cast<int>(opcode), static_cast<int>(index), static_cast<long long>(value),
                      number, suffix);
        AppendLogLine(line);
        if (opcode == effProcessEvents) return 1;
        return PluginBase::dispatch(opcode, index, value, ptr, opt);
    }

    void beforeProcess(int32_t frames, bool accumulate) override {
        char line[64];
        std::snprintf(line, sizeof line, "%s frames=%d", accumulate ? "process" : "processReplacing",
                      static_cast<int>(frames));
        AppendLogLine(line);
    }

    void setParameterValue(int32_t index, float value) override {
        char number[48];
        FormatNumber(number, sizeof number, value);
        char line[96];
        std::snprintf(line, sizeof line, "setParameter index=%d value=%s", static_cast<int>(index), number);
        AppendLogLine(line);
        PluginBase::setParameterValue(index, value);
    }

    float parameterValue(int32_t index) override {
        char line[64];
        std::snprintf(line, sizeof line, "getParameter index=%d", static_cast<int>(index));
        AppendLogLine(line);
        return PluginBase::parameterValue(index);
    }

    bool outputPin(int32_t index, VstPinProperties* pin) override {
        PluginBase::outputPin(index, pin);
        CopyText(pin->label, index == 0 ? "Rec L" : "Rec R", sizeof pin->label);
        return true;
    }
};

AEffect* Create(audioMasterCallback host, const char* entryName) {
    char line[64];
    std::snprintf(line, sizeof line, "entry %s", entryName);
    AppendLogLine(line);
    if (!host) return nullptr;
    return (new Recorder(host))->effect();
}

}  // namespace
}  // namespace qmtest

extern "C" AEffect* VSTCALLBACK qmtp_main(audioMasterCallback host) { return qmtest::Create(host, "main"); }
extern "C" AEffect* VSTCALLBACK qmtp_VSTPluginMain(audioMasterCallback host) {
    return qmtest::Create(host, "VSTPluginMain");
}
