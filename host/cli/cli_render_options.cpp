// The render command's options: names, values and their ranges.


#include "audio_file.h"
#include "cli.h"
#include "parameter_settings.h"
#include "text.h"

namespace qm::host::cli {

namespace {

constexpr unsigned long kMinRate = 8000, kMaxRate = 384000;
constexpr double kMaxTail = 600.0;
constexpr double kMaxMaxLength = 1000.0 * 3600.0;
constexpr long kMaxPatches = 128L * 128 * 128;  // program, bank LSB and MSB

// "90s", "10m", "2h" or plain seconds.
bool Duration(const std::string& text, double* seconds) {
    if (text.empty()) return false;
    const char unit = text.back();
    const double scale = unit == 'h' ? 3600.0 : unit == 'm' ? 60.0 : 1.0;
    const bool hasUnit = unit == 'h' || unit == 'm' || unit == 's';
    if (!ParseNumber(hasUnit ? text.substr(0, text.size() - 1) : text, seconds)) return false;
    *seconds *= scale;
    return true;
}

}  // namespace

bool IsRenderValueOption(const std::string& arg) {
    return arg == "-p" || arg == "--plugin" || arg == "-i" || arg == "--input" || arg == "-o" || arg == "--output" ||
           arg == "--format" || arg == "--rate" || arg == "--program" || arg == "--tail" || arg == "--max-length" ||
           IsRenderOutputOption(arg) || arg == "--preset" || arg == "--load-state" || arg == "--save-state" ||
           arg == "--set";
}

bool TakeOption(const std::vector<std::string>& arguments, size_t* i, bool (*takesValue)(const std::string&),
                std::string* name, std::string* value, std::string* error) {
    *name = arguments[*i];
    value->clear();
    const size_t equals = name->find('=');
    if (equals != std::string::npos && name->rfind("--", 0) == 0) {
        *value = name->substr(equals + 1);
        name->resize(equals);
    } else if (takesValue(*name)) {
        if (*i + 1 >= arguments.size()) {
            *error = *name + " needs a value";
            return false;
        }
        *value = arguments[++*i];
    }
    return true;
}

bool ParseRenderOptions(const std::vector<std::string>& arguments, RenderOptions* render, std::string* error) {
    for (size_t i = 0; i < arguments.size(); ++i) {
        if (IsRenderFlag(arguments[i])) {
            render->buses = true;
            continue;
        }
        std::string name, value;
        if (!TakeOption(arguments, &i, &IsRenderValueOption, &name, &value, error)) return false;
        if (!IsRenderValueOption(name)) {
            *error = "render does not take " + arguments[i];
            return false;
        }
        long whole = 0;
        if (name == "-p" || name == "--plugin") {
            render->plugIn = value;
        } else if (name == "-i" || name == "--input") {
            render->input = value;
        } else if (name == "-o" || name == "--output") {
            render->output = value;
        } else if (name == "--format") {
            SampleFormat format;
            if (!ParseSampleFormat(value, &format)) {
                *error = "unknown sample format " + value + " (s16, s24, s32 or f32)";
                return false;
            }
            render->format = value;
        } else if (name == "--rate") {
            if (!ParseWholeNumber(value, &whole) || whole < static_cast<long>(kMinRate) || whole > static_cast<long>(kMaxRate)) {
                *error = "--rate must be a whole number of frames per second from 8000 to 384000, not " + value;
                return false;
            }
            render->rate = static_cast<unsigned long>(whole);
        } else if (name == "--program") {
            if (!ParseWholeNumber(value, &whole) || whole < 0 || whole >= kMaxPatches) {
                *error = "--program must be a patch number from 0 (the instrument's first program), not " + value;
                return false;
            }
            render->program = whole;
        } else if (IsRenderOutputOption(name)) {
            if (!ApplyRenderOutputOption(name, value, render, error)) return false;
        } else if (name == "--preset") {
            render->preset = value;
        } else if (name == "--load-state") {
            render->loadState = value;
        } else if (name == "--save-state") {
            render->saveState = value;
        } else if (name == "--set") {
            ParameterSetting setting;
            if (!ParseParameterSetting(value, &setting, error)) return false;
            render->settings.push_back(setting);
        } else if (name == "--max-length") {
            double seconds = 0.0;
            if (!Duration(value, &seconds) || !(seconds > 0.0) || seconds > kMaxMaxLength) {
                *error = "--max-length must be a duration up to 1000h (90s, 10m, 2h or plain seconds), not " + value;
                return false;
            }
            render->maxLength = seconds;
        } else {
            double seconds = 0.0;
            if (!ParseNumber(value, &seconds) || seconds < 0.0 || seconds > kMaxTail) {
                *error = "--tail must be a number of seconds from 0 to 600, not " + value;
                return false;
            }
            render->tail = seconds;
        }
    }
    if (render->plugIn.empty()) *error = "render needs an instrument: -p NAME|PATH";
    else if (render->input.empty()) *error = "render needs a MIDI file: -i SONG.mid";
    else if (render->output.empty()) *error = "render needs an output file: -o OUT.wav";
    if (!error->empty()) return false;
    SampleFormat format = SampleFormat::S16;
    ParseSampleFormat(render->format, &format);
    AudioFileType type;
    return ChooseAudioFileType(render->output, format, &type, error);
}

}  // namespace qm::host::cli
