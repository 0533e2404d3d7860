// Lumo's "score.dat" as a player could leave it: any bytes. The best score
// read is the first four bytes (little-endian) or 0; a failed game leaves
// the file byte for byte; a cleared game that ties the best rewrites it as
// exactly those four bytes, and reading that back gives the same score.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "fuzz/fuzz_support.h"
#include "games/lumo/lumo_rules.h"
#include "tests/support/recording_sink.h"

namespace {

// A game at its end screen with no orbs left, score as given, button 2 down.
int32_t EndWith(const std::string& path, bool clear, int32_t score) {
    auto g = std::make_unique<lumo::Game>();
    tev::Rand15 rng(1);
    lumo::Start(*g, rng, path.c_str());
    const int32_t high = g->high;
    if (!clear) g->time_left = 1;  // the minute runs out this frame
    else g->orbs = {};
    g->started = g->running = true;
    g->countdown = 0;
    g->score = score;
    tev::Buttons b;
    b.count[tev::kButton2] = 1;
    tevtest::NullSink quiet;
    if (lumo::Frame(*g, b, rng, quiet) != 1) __builtin_trap();
    if (lumo::Finish(*g) != (clear ? lumo::kResultCleared : lumo::kResultFailed)) __builtin_trap();
    return high;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = tevfuzz::PathIn("score.dat");
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    tevfuzz::WriteBytes(path, data, size);

    int32_t expected = 0;
    if (size >= 4)
        expected = static_cast<int32_t>(uint32_t(data[0]) | uint32_t(data[1]) << 8 | uint32_t(data[2]) << 16 |
                                        uint32_t(data[3]) << 24);

    // Failed with a score above anything stored: the file is untouched.
    const int32_t high = EndWith(path, false, INT32_MAX);
    if (high != expected) __builtin_trap();
    if (tevfuzz::ReadAll(path) != bytes) __builtin_trap();

    // Cleared with a score equal to the best: exactly four bytes of it.
    if (EndWith(path, true, high) != expected) __builtin_trap();
    const std::string stored = tevfuzz::ReadAll(path);
    if (stored.size() != 4 || std::memcmp(stored.data(), bytes.data(), size >= 4 ? 4 : 0) != 0) __builtin_trap();
    if (size < 4 && stored != std::string(4, '\0')) __builtin_trap();
    auto again = std::make_unique<lumo::Game>();
    tev::Rand15 rng(1);
    lumo::Start(*again, rng, path.c_str());
    if (again->high != expected) __builtin_trap();

    tevfuzz::Remove(path);
    return 0;
}
