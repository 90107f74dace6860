// The qmvsti command line: options, exit codes and the commands.
#pragma once
#include <string>
#include <vector>

#include "qmvsti/midi_device.h"
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
    std::vector<std::string> settings;  // --set NAME=VALUE, in order
    double tail = 2.0;  // seconds rendered after the song's end, for release and reverb
    double maxLength = 3600.0;  // seconds; a longer song (tail not counted) is refused, not rendered
};
bool ParseRenderOptions(const std::vector<std::string>& arguments, RenderOptions* render, std::string* error);
// True when `arg` is a render option that takes a value (so the next word belongs to it).
bool IsRenderValueOption(const std::string& arg);

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

// Output helpers.
std::string JsonText(const std::string& text);
std::string UniqueIdText(LONG id);  // four printable characters, or the number in hex

}  // namespace qm::host::cli
