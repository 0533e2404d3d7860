// Grid serpent: the game's rules as plain state and one frame function, so
// that tests can play it without the host. Everything is drawn as filled
// squares and text.
#pragma once
#include <array>
#include <cstdint>
#include <type_traits>

#include "games/kit/tev_game.h"

namespace grid_serpent {

constexpr int kFieldWidth = tev::kScreenWidth;
constexpr int kFieldHeight = tev::kScreenHeight;
// One entry per pixel: room for the longest snake at any cell size.
constexpr int kMaxSegments = kFieldWidth * kFieldHeight;

enum Direction { kUp = 0, kDown = 1, kLeft = 2, kRight = 3 };

enum State { kPlaying = 0, kLost = 1, kWon = 2, kFinished = 3 };

enum Result { kUndecided = 0, kResultWon = 1, kResultLost = 2 };

// Frame on which the board is laid out; play runs from the frame after.
constexpr int kSetupFrame = 180;
// Until this frame the head may share a cell with its body (both segments
// start on the same cell).
constexpr int kImmuneUntil = 192;
// Food placement stops insisting on a distance from the head after this
// many rejected draws.
constexpr int kFoodDistanceRetries = 100;
constexpr int kFoodMinDistance = 80;

constexpr uint32_t kHeadColor = 0xFFFFFFFF;
constexpr uint32_t kBodyColorBase = 0xFF00FFFF;
constexpr uint32_t kFoodColor = 0xFFFF0099;

struct Segment {
    int32_t x = 0;
    int32_t y = 0;
    uint8_t active = 0;
};

struct Food {
    int32_t x = 0;
    int32_t y = 0;
    bool present = false;
};

struct Game {
    int cell = 8;
    std::array<Segment, kMaxSegments> seg{};
    int segments = 2;
    int dir = kRight;
    int wanted = kRight;
    int interval = 12;
    int moves = 0;
    int eaten = 0;
    int eaten_before = 0;
    int score = 0;
    Food food;
    int state = kPlaying;
    int t = 0;
    int last_move_t = 0;
    int result = kUndecided;
};

// The plug-in constructs it in static storage and never destroys it.
static_assert(std::is_trivially_destructible_v<Game>);

// The state UserInit sets up (a fresh Game already is that state; this resets
// an existing one).
void Start(Game& g);

// Number of cells of the field at the current cell size.
int CellCount(const Game& g);

// One frame of the game. Returns
// true when the game is over (state finished), before drawing anything.
bool Frame(Game& g, const tev::Buttons& buttons, tev::Rand15& rng, tev::Sink& sink);

// Parts of a frame, exposed for tests.
void ReadDirection(Game& g, const tev::Buttons& buttons);
void Move(Game& g);
void PlaceFood(Game& g, tev::Rand15& rng);
void DrawField(const Game& g, tev::Sink& sink);
// The cell size after one step up (button 1) or down (button 2).
int NextCellUp(int cell);
int NextCellDown(int cell);

}  // namespace grid_serpent
