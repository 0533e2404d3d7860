// "pv.dat": the splash game's tries and hits. What was read is saved and
// read back unchanged.
#include "fuzz/launcher_data_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CLauncherData& d = tevfuzz::DataIn("pv.dat", data, size);
    d.LoadScore();
    const TevScore first = d.Score();
    if (d.SaveScore() != 0) __builtin_trap();
    d.LoadScore();
    if (d.Score().tries != first.tries || d.Score().hits != first.hits) __builtin_trap();
    return 0;
}
