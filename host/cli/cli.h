// The qmvsti command line: options, exit codes and the commands.
#pragma once
#include <string>
#include <vector>

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

int RunList(const Options& options);
int RunAdd(const Options& options);
int RunInfo(const Options& options);

// Output helpers.
std::string JsonText(const std::string& text);
std::string UniqueIdText(LONG id);  // four printable characters, or the number in hex

}  // namespace qm::host::cli
