// Writes the seed corpus of the fuzz targets into a folder: the test songs (whole, cut short, wrapped
// as RMID) and one reaching every kind of event, then a preset, a bank and a state block of each
// form. scripts/fuzz adds examples/*.mid.
#include <cstdio>
#include <string>

#include "integration/host_smf_builder.h"
#include "preset_seeds.h"

int main(int argc, char** argv) {
    using namespace qm::test;
    if (argc != 2) {
        std::fputs("usage: make_corpus FOLDER\n", stderr);
        return 2;
    }
    const Bytes song = SmallSong();
    const Bytes everything = Cat(
        {Header(1, 3, 96), Chunk(Cat({Tempo(0, 400000), {0x00, 0xFF, 0x58, 0x04, 0x03, 0x03, 0x18, 0x08}, Tempo(96, 0xFFFFFF),
                                      {0x00, 0xFF, 0x03, 0x04, 'S', 'o', 'n', 'g'}, EndOfTrack(24)})),
         Chunk({1, 2, 3, 4}, "XFIH"),
         Chunk(Cat({Event(0, {0x91, 60, 100}), Event(48, {62, 90}), Event(0, {0xF0, 0x03, 0x7E, 0x01, 0xF7}),
                    Event(12, {0xC1, 5}), Event(0, {0xD1, 64}), Event(0, {0xE1, 0, 64}), Event(0, {0xB1, 7, 100}),
                    Event(0, {0xA1, 60, 20}), Event(0, {0xF7, 0x01, 0xF7}), Event(12, {0x81, 60, 0}), EndOfTrack()})),
         Chunk(Cat({Event(0x0FFFFFFF, {0x92, 40, 1}), EndOfTrack()}))});
    const struct {
        const char* name;
        Bytes bytes;
    } seeds[] = {
        {"small.mid", song},          {"small-cut.mid", Bytes(song.begin(), song.end() - 3)},
        {"small.rmi", Rmid(song)},    {"stray-note.mid", StrayNoteSong()},
        {"everything.mid", everything},
    };
    for (const auto& seed : seeds) WriteBytes(std::string(argv[1]) + "/" + seed.name, seed.bytes);
    for (const auto& seed : qm::fuzz::PresetSeeds()) WriteBytes(std::string(argv[1]) + "/" + seed.name, seed.bytes);
    return 0;
}
