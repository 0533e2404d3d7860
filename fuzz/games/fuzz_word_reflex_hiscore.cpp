// Word reflex's "hiscore.dat" as a player could leave it: any bytes. The best
// read is the first four bytes (little-endian) or 0; a play that does not beat
// it leaves the file byte for byte; one that does stores exactly four bytes,
// which read back as its score.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "fuzz/fuzz_support.h"
#include "games/word_reflex/word_reflex_rules.h"

namespace {

int32_t EndWith(const std::string& path, int32_t score) {
    auto g = std::make_unique<word_reflex::Game>();
    word_reflex::Start(*g, path.c_str());
    const int32_t high = g->highScore;
    g->score = score;
    if (word_reflex::Finish(*g) != word_reflex::kNoResult) __builtin_trap();
    return high;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = tevfuzz::PathIn("hiscore.dat");
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    tevfuzz::WriteBytes(path, data, size);

    int32_t expected = 0;
    if (size >= 4)
        expected = static_cast<int32_t>(uint32_t(data[0]) | uint32_t(data[1]) << 8 | uint32_t(data[2]) << 16 |
                                        uint32_t(data[3]) << 24);

    // A tie is no better: the file stays as it was.
    if (EndWith(path, expected) != expected) __builtin_trap();
    if (tevfuzz::ReadAll(path) != bytes) __builtin_trap();

    // A better score replaces it with exactly four bytes.
    if (expected < INT32_MAX) {
        EndWith(path, expected + 1);
        const std::string stored = tevfuzz::ReadAll(path);
        if (stored.size() != 4) __builtin_trap();
        if (EndWith(path, INT32_MIN) != expected + 1) __builtin_trap();
    }
    tevfuzz::Remove(path);
    return 0;
}
