// The qmvsti command line: options, exit codes and the commands.
#pragma once
#include <string>
#include <vector>

#include "parameter_settings.h"
#include "qmvsti/midi_device.h"
#include "qmvsti/presets.h"
#include "session.h"

namespace qm::host::cli {

enum ExitCode : int {
    kExitOk = 0,
    kExitFailure = 1,        // something else went wrong (cache not writable, library broken)
    kExitUsage = 2,          // bad command line
    kExitUnknownPlugIn = 3,  // no such plug-in in the cache
    kExitUnreadable = 4,     // a named file cannot be read
    kExitLoadFailed = 5,     // the plug-in (or the library) failed to load
    kExitNotInstrument = 6,  // the module is a VST effect, not an instrument
    kExitBadInput = 7,       // a named file is not what it should be (a malformed or too long MIDI file)
    kExitInterrupted = 128,  // plus the signal's number (130 for Ctrl-C), as shells report it
};

// Prints "qmvsti: MESSAGE" on stderr and returns `code`.
int Fail(int code, const std::string& message);
// A result code as the messages show it: 0x8000FFFF.
std::string ResultText(HRESULT result);
// The extension of `path` with its dot, lower case ("" when it has none).
std::string FileExtension(const std::string& path);

struct Options {
    std::string command;
    std::vector<std::string> arguments;
    std::string library;  // empty: beside the executable
    bool json = false;
    bool verbose = false;
    bool help = false;
};

// Parses argv; false with a message for a bad command line.
bool ParseArguments(int argc, char** argv, Options* options, std::string* error);
void PrintUsage(FILE* out);

// The render command's own options, taken from Options::arguments.
struct RenderOptions {
    std::string plugIn, input, output;
    std::string format = "s16";
    unsigned long rate = 44100;
    long program = -1;  // patch index on the MIDI device; -1: leave the plug-in's program alone
    std::vector<ParameterSetting> settings;  // --set NAME=VALUE, in order
    double tail = 2.0;  // seconds rendered after the song's end, for release and reverb
    double maxLength = 3600.0;  // seconds; a longer song (tail not counted) is refused, not rendered
    bool buses = false;     // --buses, --outputs all: each bus into OUT-<bus name>.<ext>
    bool multi = false;     // --outputs multi: the main pair and every bus in one file
    std::string midiOut;    // --midi-out FILE.mid: the instrument's own MIDI output
    std::string preset;     // .fxp or .fxb loaded before rendering
    std::string loadState;  // instance state stream restored before rendering
    std::string saveState;  // instance state stream saved after rendering
};
bool ParseRenderOptions(const std::vector<std::string>& arguments, RenderOptions* render, std::string* error);
// True when `arg` is a render option that takes a value (so the next word belongs to it).
bool IsRenderValueOption(const std::string& arg);
// The output options (cli_render_outputs.cpp): --outputs and --midi-out take a value, --buses none.
bool IsRenderOutputOption(const std::string& arg);
bool IsRenderFlag(const std::string& arg);
bool ApplyRenderOutputOption(const std::string& name, const std::string& value, RenderOptions* render,
                             std::string* error);
// The option at arguments[*i] as name and value ("--name=value", or a value option and the next
// word, *i then moved onto it); false with a message when a value is missing.
bool TakeOption(const std::vector<std::string>& arguments, size_t* i, bool (*takesValue)(const std::string&),
                std::string* name, std::string* value, std::string* error);

// The patch device's side of render (cli_patch.cpp): --program and --set on a created instance.
struct PatchChoice {
    bool chosen = false;
    PatchRecord patch{};
    std::string name;  // as the plug-in names the program
};
// Applies --set and looks up --program; prints the reason and gives the exit code on failure.
int PrepareInstrument(IQmSoftSynth* instance, const std::string& plugInPath, const RenderOptions& render,
                      PatchChoice* choice);
// The chosen patch's bank select and program change on each channel, sent as the host sends them.
void SelectPatch(IQmSoftSynth* instance, const PatchChoice& choice, const std::vector<int>& channels);

// What the host's patch listener heard, decoded, on stderr (render --verbose).
void PrintPatchEvents(const HostPatchListener& listener);

// info's lists (cli_info_lists.cpp): --programs, --params, --controllers, --select-names.
bool IsInfoListOption(const std::string& arg);
bool HasInfoListOptions(const Options& options);
int RunInfoLists(const Options& options);

int RunList(const Options& options);
int RunAdd(const Options& options);
int RunInfo(const Options& options);
int RunRender(const Options& options);
int RunSettings(const Options& options);
int RunPreset(const Options& options);
// edit (cli_edit.cpp): the plug-in's own editor in a window, then --save.
int RunEdit(const Options& options);
bool IsEditValueOption(const std::string& arg);
bool ParseEditArguments(const std::vector<std::string>& arguments, std::string* error);
// True when `arg` is a preset option that takes a value.
bool IsPresetValueOption(const std::string& arg);
bool ParsePresetArguments(const std::vector<std::string>& arguments, std::string* error);
// Before a render or a preset save: the instance state restored, then a preset or bank loaded (each
// when given); the exit code, with the message printed. After a render: the state saved.
int PrepareInstance(IQmSoftSynth* instance, const std::string& loadState, const std::string& preset);
// Writes the current program (.fxp) or every program (.fxb, by the extension) of `files` to `output`;
// prints what was written or why not; the exit code.
int WritePresetFile(IQmSoftSynthPresets* files, const std::string& output, const std::string& plugIn);
int SaveRenderState(IQmSoftSynth* instance, const RenderOptions& render);

// Shared by the commands.
std::string LibraryPath(const Options& options);
// Loads the cache and connects the library; prints the reason and gives the exit code on failure.
int OpenSession(const Options& options, HostSession* session);
bool Readable(const std::string& utf8Path);
std::string Absolute(const std::string& utf8Path);
bool LooksLikePath(const std::string& text);
// The cache index of a plug-in given by name or path (a path not in the cache is added for this run);
// prints the reason and gives kExitUnknownPlugIn for an unknown name.
int LocatePlugIn(const std::string& wanted, HostSession* session, size_t* index);
// OpenSession, LocatePlugIn and an instance of it in *instance (one reference for the caller); the
// exit code, with the reason printed.
// The plug-in `wanted` (name or path) located in an opened session; the exit code.
int OpenAndLocate(const Options& options, const std::string& wanted, HostSession* session, size_t* index);
int CreatePlugInInstance(const Options& options, const std::string& wanted, HostSession* session, IQmSoftSynth** instance,
                         std::string* modulePath = nullptr);

// Output helpers.
std::string JsonText(const std::string& text);
std::string UniqueIdText(LONG id);  // four printable characters, or the number in hex

}  // namespace qm::host::cli
