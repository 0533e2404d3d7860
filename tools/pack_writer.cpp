// Writes a pack archive: tev_pack_writer [--key K] [--archive N] [--prefix P] FILE...
// Each FILE is stored under the name given on the command line (relative
// paths as the game will ask for them); run it in the folder the files are in.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/pack_writer.h"

int main(int argc, char** argv) {
    int32_t key = 0;
    int archive = 0;
    std::string prefix = "pack";
    std::vector<PackEntry> entries;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if ((arg == "--key" || arg == "--archive" || arg == "--prefix") && i + 1 < argc) {
            const char* value = argv[++i];
            if (arg == "--key") key = static_cast<int32_t>(std::strtol(value, nullptr, 0));
            else if (arg == "--archive") archive = std::atoi(value);
            else prefix = value;
            continue;
        }
        std::ifstream in(arg, std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "tev_pack_writer: cannot read %s\n", arg.c_str());
            return 1;
        }
        entries.push_back(PackEntry{arg, std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {})});
    }
    if (entries.empty()) {
        std::fprintf(stderr, "usage: tev_pack_writer [--key K] [--archive N] [--prefix P] FILE...\n");
        return 2;
    }
    std::string error;
    if (!WritePack(entries, archive, key, prefix.c_str(), error)) {
        std::fprintf(stderr, "tev_pack_writer: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
