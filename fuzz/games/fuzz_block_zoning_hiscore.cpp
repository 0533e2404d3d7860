// Block zoning's "./hiscore.ini": any bytes a player leaves there. The best
// score read is the first four bytes (or 0), every panel and block text still
// fits the font routine, and CleanUp rewrites the file only to raise it, as
// exactly four bytes.
#include <climits>
#include <cstdio>
#include <memory>
#include <string>

#include "fuzz/fuzz_support.h"
#include "games/block_zoning/block_zoning_rules.h"
#include "tests/support/recording_sink.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace block_zoning;
    const std::string path = tevfuzz::PathIn("hiscore.ini");
    tevfuzz::WriteBytes(path, data, size);
    auto g = std::make_unique<Game>();
    tev::Rand15 rng(size);
    Start(*g, rng, path.c_str());
    const int32_t stored = size >= 4 ? tevfuzz::LittleEndian32(data) : 0;
    if (g->high != stored) __builtin_trap();

    // A town of one house worth the stored best plus or minus one (or the
    // extremes), drawn on the title and the end screen.
    const int32_t delta = size > 4 ? static_cast<int32_t>(data[4] % 3) - 1 : 1;
    const int64_t wanted = static_cast<int64_t>(stored) + delta;
    const int32_t worth = wanted > INT32_MAX ? INT32_MAX : wanted < INT32_MIN ? INT32_MIN : static_cast<int32_t>(wanted);
    g->blocks[3] = Block{kResidential, 0, 0, 3, 3, worth};
    tevtest::NullSink out;
    Frame(*g, {}, rng, out);
    g->state = kEnd;
    g->shown_score = g->score = worth;
    Frame(*g, {}, rng, out);

    Finish(*g);
    const std::string after = tevfuzz::ReadAll(path);
    if (worth > stored) {
        if (after.size() != 4 || tevfuzz::LittleEndian32(reinterpret_cast<const uint8_t*>(after.data())) != worth) __builtin_trap();
    } else if (after != std::string(reinterpret_cast<const char*>(data), size)) {
        __builtin_trap();
    }
    tevfuzz::Remove(path);
    return 0;
}
