// Block zoning: thirty turns of town planning on a 10 x 10 grid. Industry
// feeds the shops around it, shops feed the houses around them, and the
// houses' worth is the score. The rules are plain state and one frame
// function, so tests play them without the host.
#pragma once
#include <array>
#include <cstdint>

#include "games/block_zoning/block_zoning_sounds.h"
#include "games/block_zoning/font_sprites.h"
#include "games/block_zoning/object_sprites.h"
#include "games/kit/score_file.h"
#include "games/kit/tev_game.h"

namespace block_zoning {

constexpr int kBackTexture = 10;
constexpr int kObjectTexture = 11;
constexpr int kFontTexture = 12;

constexpr int kGridSize = 10;
constexpr int kCellSize = 20;
constexpr int kGridLeft = 20;
constexpr int kGridTop = 20;
constexpr int kRecords = 30;
constexpr int kTurns = 30;
constexpr int kLockedTurns = 5;   // the last turns keep the kind chosen before them
constexpr int kObstacles = 3;
constexpr int kShuffleSwaps = 10000;
constexpr int32_t kClearScore = 20000;

// Kinds of block; kPass is the 1 x 1 "place nothing" action.
enum Kind {
    kPass = 0,
    kResidential = 1,
    kCommercialWide = 2,
    kCommercialTall = 3,
    kIndustrialWide = 4,
    kIndustrialTall = 5,
    kObstacle = 6,
};
constexpr int kKindCount = 6;  // the kinds the cursor cycles through (not obstacles)
constexpr int kWidth[7] = {1, 3, 4, 2, 5, 1, 1};
constexpr int kHeight[7] = {1, 3, 2, 4, 1, 5, 1};

enum State { kTitle = 0, kPlay = 1, kEnd = 2 };
enum Result { kUndecided = 0, kResultCleared = 1, kResultFailed = 2 };

// Text colours (ARGB).
constexpr uint32_t kYellow = 0xFFFFFF00;
constexpr uint32_t kOrange = 0xFFFF8000;
constexpr uint32_t kRed = 0xFFFF0000;
constexpr uint32_t kHouseText = 0xFFFF8080;
constexpr uint32_t kShopText = 0xFF8080FF;

extern const char* const kBanner;  // the title screen's banner
extern const char* const kScoreFileName;  // "./hiscore.ini"

struct Block {
    int kind = kPass;  // kPass: a free record
    int col = 0;
    int row = 0;
    int width = 0;
    int height = 0;
    int32_t worth = 0;
};

struct Game {
    std::array<Block, kRecords> blocks{};
    // Indexed col * 10 + row.
    std::array<int32_t, kGridSize * kGridSize> industry{};
    std::array<int32_t, kGridSize * kGridSize> commerce{};
    int col = 3;
    int row = 3;
    int kind = kResidential;
    int turns_left = kTurns;
    int32_t score = 0;
    int32_t shown_score = 0;
    int32_t high = 0;
    int state = kTitle;
    int result = kUndecided;
    tev::ScoreFile best;
};

// The game set-up: title state, the obstacles from a shuffle drawn from rng
// (seeded from the clock by the glue), the cursor, the best score read from
// scorePath (nullptr: none).
void Start(Game& g, tev::Rand15& rng, const char* scorePath);

// The placing rule: a block of kind at (col, row). Overlapped blocks are
// removed unless one is an obstacle (then nothing happens); false when the
// action fails.
bool Place(Game& g, int kind, int col, int row);

// After a successful placement or pass of kind: its sound, growth, one turn
// less (the end screen after the last).
void EndTurn(Game& g, int kind, tev::Sink& out);

// The total worth of the houses.
int32_t HouseWorth(const Game& g);

// One frame after the mapper's update and the screen's clear. Returns the
// result (non-zero once the end screen is left).
int Frame(Game& g, const tev::Buttons& buttons, tev::Rand15& rng, tev::Sink& out);

// CleanUp: a score above the best is stored, however the game was left.
// Returns the result.
int Finish(Game& g);

// The bitmap font: printf-formatted text from texture 12, tinted lighter at
// the top and darker at the bottom. The centred form starts 5 pixels per
// character left of x.
void Print(tev::Sink& out, int x, int y, uint32_t color, const char* format, ...)
    __attribute__((format(printf, 5, 6)));
void PrintCentered(tev::Sink& out, int x, int y, uint32_t color, const char* format, ...)
    __attribute__((format(printf, 5, 6)));
// A channel moved by delta and clamped to 0 ... 255, alpha kept.
uint32_t Shade(uint32_t color, int delta);
// The font cell of character c.
tev::Rect GlyphCell(char c);

void Draw(const Game& g, tev::Rand15& rng, tev::Sink& out);

}  // namespace block_zoning
