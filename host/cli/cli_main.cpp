#include <cstdio>
#include <cstring>

#include "cli.h"
#include "cli_scan.h"

namespace qm::host::cli {

void PrintUsage(FILE* out) {
    std::fputs(
        "usage: qmvsti [--library PATH] [--json] [--verbose] COMMAND [ARGS]\n"
        "\n"
        "commands:\n"
        "  list [--all]      instruments the library offers from the host's plug-in cache; --all also\n"
        "                    the disabled, faulted, missing and non-instrument records, flags in words\n"
        "  scan [DIR...] [--set-folders] [--timeout SECONDS] [--parallel N] [--no-probe]\n"
        "                    test-load every module under up to three folders (default: the stored\n"
        "                    folders; --set-folders stores the ones given) and merge the result into\n"
        "                    the list; each module is tried first in a probe process that is killed\n"
        "                    after --timeout (default 10), N at a time (default: one per processor)\n"
        "  enable NAME|PATH  offer a listed instrument again (a faulted one is tested first)\n"
        "  disable NAME|PATH stop offering it\n"
        "  add PATH...       test-load VST instruments and keep them in the host's cache\n"
        "  info NAME|PATH [--programs] [--params] [--controllers] [--select-names]\n"
        "                    names, vendor, unique ID, version, outputs, programs, parameters, flags;\n"
        "                    or the lists of the instrument's MIDI device: every patch (program, bank\n"
        "                    LSB/MSB, group, name; --select-names reads each name by selecting the\n"
        "                    program on a private instance), every parameter (index, name, label,\n"
        "                    display text, value, host range), the controller table\n"
        "  render -p NAME|PATH -i SONG.mid -o OUT.wav|OUT.flac [--format s16|s24|s32|f32]\n"
        "         [--rate N] [--program N] [--set NAME=VALUE]... [--tail SECONDS]\n"
        "         [--max-length DURATION] [--buses | --outputs main|all|multi] [--midi-out FILE.mid]\n"
        "                    play a Standard MIDI File (format 0 or 1, bare or RMID) through an\n"
        "                    instrument into an audio file (default s16, 44100 Hz, 2 s tail);\n"
        "                    --program selects patch N of the instrument's MIDI device (its bank\n"
        "                    select and program change on each channel the song uses); --set gives\n"
        "                    a parameter (name in any case, or index) a 0-1 value or a display text\n"
        "                    the plug-in accepts; a song longer than --max-length (90s, 10m, 2h or\n"
        "                    seconds; default 1h, tail not counted) is refused; --buses (--outputs\n"
        "                    all) writes each output bus to OUT-<bus name>, --outputs multi the main\n"
        "                    pair and every bus in one file; --midi-out records the\n"
        "                    instrument's own MIDI output as a Standard MIDI File (1 tick = 1 ms)\n"
        "         [--preset FILE.fxp|FILE.fxb] [--load-state FILE] [--save-state FILE]\n"
        "                    load a preset or bank, restore an instance state before the song, or\n"
        "                    save the instance state after it (what a host keeps in its project)\n"
        "  preset show FILE  form, unique ID, version, program name or count, parameters or chunk size\n"
        "  preset save -p NAME|PATH [--program N] [--preset FILE] [--load-state FILE]\n"
        "              [--set NAME=VALUE]... OUT.fxp|OUT.fxb\n"
        "                    write the plug-in's current program (.fxp) or all its programs (.fxb),\n"
        "                    after restoring a state or loading a preset or bank when given\n"
        "  edit -p NAME|PATH [--preset FILE.fxp|FILE.fxb] [--save FILE.fxp|FILE.fxb]\n"
        "       [--screenshot FILE.png] [--close-after-ms N]\n"
        "                    the instrument's own editor in a window (X11; not on Windows), after\n"
        "                    loading a preset or bank; on close the program (.fxp) or every program\n"
        "                    (.fxb) is saved; --screenshot keeps the window's picture taken before\n"
        "                    it closes, --close-after-ms closes it by itself\n"
        "  settings [NAME[=VALUE]]\n"
        "                    show or change the type's settings (FrameSize, FlushOnStopCount,\n"
        "                    ExposeMultiChannel, SizeWindowForNI, AssumeStereoPins)\n"
        "\n"
        "options:\n"
        "  --library PATH    the QmVSTi module to load (default: beside this program)\n"
        "  --json            machine-readable output\n"
        "  --verbose, -v     show the library's progress texts\n"
        "  --help, -h        this text\n"
        "\n"
        "exit codes: 0 ok, 1 failure, 2 usage, 3 unknown plug-in, 4 unreadable file, 5 load failed,\n"
        "            6 not an instrument or another plug-in's file, 7 malformed or too long input file,\n"
        "            130 interrupted\n",
        out);
}

bool ParseArguments(int argc, char** argv, Options* options, std::string* error) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        bool scanValue = false;
        if (options->command == "info" && IsInfoListOption(arg)) {
            options->arguments.push_back(arg);
        } else if (IsScanOption(options->command, arg, &scanValue)) {
            options->arguments.push_back(arg);
            if (scanValue && i + 1 < argc) options->arguments.push_back(argv[++i]);
        } else if (options->command == "render" && IsRenderFlag(arg)) {
            options->arguments.push_back(arg);
        } else if ((options->command == "render" && IsRenderValueOption(arg.substr(0, arg.find('=')))) ||
                   (options->command == "preset" && IsPresetValueOption(arg.substr(0, arg.find('=')))) ||
                   (options->command == "edit" && IsEditValueOption(arg.substr(0, arg.find('='))))) {
            // The render command's own options travel with their values to its own parser.
            options->arguments.push_back(arg);
            if (arg.find('=') == std::string::npos && i + 1 < argc) options->arguments.push_back(argv[++i]);
        } else if (!options->command.empty() && arg.rfind("--", 0) != 0 && arg != "-v" && arg != "-h") {
            options->arguments.push_back(arg);
        } else if (arg == "--help" || arg == "-h") {
            options->help = true;
        } else if (arg == "--json") {
            options->json = true;
        } else if (arg == "--verbose" || arg == "-v") {
            options->verbose = true;
        } else if (arg == "--library") {
            if (i + 1 >= argc) {
                *error = "--library needs a path";
                return false;
            }
            options->library = argv[++i];
        } else if (arg.rfind("--library=", 0) == 0) {
            options->library = arg.substr(10);
        } else if (arg == "--") {
            for (++i; i < argc; ++i) options->arguments.push_back(argv[i]);
        } else if (arg[0] == '-') {
            *error = "unknown option " + arg;
            return false;
        } else {
            options->command = arg;
        }
    }
    if (options->help) return true;
    if (options->command.empty()) {
        *error = "no command given";
        return false;
    }
    if (IsScanCommand(*options)) {
        if (!CheckScanArguments(*options, error)) return false;
    } else if (options->command == "list") {
        if (!options->arguments.empty()) {
            *error = "list takes no arguments";
            return false;
        }
    } else if (options->command == "add") {
        if (options->arguments.empty()) {
            *error = "add needs at least one module path";
            return false;
        }
    } else if (options->command == "info") {
        size_t names = 0;
        for (const std::string& argument : options->arguments) names += IsInfoListOption(argument) ? 0 : 1;
        if (names != 1) {
            *error = "info needs exactly one plug-in name or path";
            return false;
        }
    } else if (options->command == "settings") {
        if (options->arguments.size() > 1) {
            *error = "settings takes at most one NAME or NAME=VALUE";
            return false;
        }
    } else if (options->command == "render") {
        RenderOptions render;
        if (!ParseRenderOptions(options->arguments, &render, error)) return false;
    } else if (options->command == "preset") {
        if (!ParsePresetArguments(options->arguments, error)) return false;
    } else if (options->command == "edit") {
        if (!ParseEditArguments(options->arguments, error)) return false;
    } else {
        *error = "unknown command " + options->command;
        return false;
    }
    return true;
}

}  // namespace qm::host::cli

int main(int argc, char** argv) {
    using namespace qm::host::cli;
    Options options;
    std::string error;
    if (!ParseArguments(argc, argv, &options, &error)) {
        std::fprintf(stderr, "qmvsti: %s\n", error.c_str());
        std::fputs("try 'qmvsti --help'\n", stderr);
        return kExitUsage;
    }
    if (options.help) {
        PrintUsage(stdout);
        return kExitOk;
    }
    try {
        if (IsScanCommand(options)) return RunScanCommand(options);
        if (options.command == "list") return RunList(options);
        if (options.command == "add") return RunAdd(options);
        if (options.command == "render") return RunRender(options);
        if (options.command == "settings") return RunSettings(options);
        if (options.command == "preset") return RunPreset(options);
        if (options.command == "edit") return RunEdit(options);
        return RunInfo(options);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "qmvsti: %s\n", e.what());
        return kExitFailure;
    }
}
