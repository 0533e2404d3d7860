// Word reflex's level files as a player could leave them: any bytes. The
// reader keeps every line, piece and count within its field, and a play on
// the level (buttons taken from the input) stays inside the phrase table.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "fuzz/fuzz_support.h"
#include "games/word_reflex/word_reflex_rules.h"
#include "tests/support/recording_sink.h"

namespace {

// Silent, but every text drawn must fit a phrase piece.
class Quiet : public tevtest::NullSink {
public:
    void Text(int, int, const char* text) override {
        if (std::strlen(text) > 3 * word_reflex::kPieceBytes) __builtin_trap();
    }
};

bool WholeCharacters(const char* text) {
    const size_t n = std::strlen(text);
    return word_reflex::Cp932Cut(text, static_cast<int>(n), static_cast<int>(n)) == static_cast<int>(n);
}

void Check(const word_reflex::Level& level) {
    using namespace word_reflex;
    if (level.lineCount < 0 || level.lineCount > kMaxLines) __builtin_trap();
    if (level.entryCount < 0 || level.entryCount > kMaxEntries) __builtin_trap();
    for (int i = 0; i < level.lineCount; ++i) {
        if (std::strlen(level.lines[i]) > static_cast<size_t>(kLineBytes) || level.lines[i][0] == '\0') __builtin_trap();
        if (!WholeCharacters(level.lines[i])) __builtin_trap();
    }
    for (int i = 0; i < level.entryCount; ++i) {
        const Entry& e = level.entries[i];
        if (e.isTarget > 1 || e.part1[0] == '\0') __builtin_trap();
        for (const char* p : {e.part1, e.part2, e.part3})
            if (std::strlen(p) > static_cast<size_t>(kPieceBytes) || !WholeCharacters(p)) __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace word_reflex;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    auto level = std::make_unique<Level>();
    ParseLevel(bytes, *level);
    Check(*level);

    // The same bytes as level 1 of a play.
    tevfuzz::WriteBytes(tevfuzz::PathIn("word_reflex1.txt"), data, size);
    auto g = std::make_unique<Game>();
    g->dataDir = tevfuzz::WorkDir().c_str();
    Start(*g, "/nonexistent-word-reflex/hiscore.dat");
    tevkit::MTRandom rng(static_cast<uint32_t>(size));
    Quiet quiet;
    tev::Buttons b;
    b.count[tev::kButton1] = -1;
    for (int frame = 0; frame < 600; ++frame) {
        if (Frame(*g, b, rng, quiet) != 0) break;
        if (g->screen == kPlay && (g->pick < 0 || g->pick >= g->table.entryCount)) __builtin_trap();
        const uint8_t byte = size ? data[frame % size] : 0;
        b = {};
        b.count[tev::kButton1] = byte & 1 ? 1 : (byte & 4 ? -1 : 0);
        b.count[tev::kButton2] = byte & 2 ? 1 : 0;
    }
    Check(g->table);
    return 0;
}
