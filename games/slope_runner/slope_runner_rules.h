// Slope runner: a runner crosses five stages of flat ground and 45-degree
// slopes by itself; button 1 takes pick-ups, button 2 jumps at jump spots,
// and the final jump before the goal clears the stage. Plain state and one
// frame function, so tests play it without the host.
#pragma once
#include <array>
#include <cstdint>

#include "games/kit/tev_game.h"
#include "games/slope_runner/slope_runner_sounds.h"

namespace slope_runner {

enum State {
    kTitle = 0,
    // 1 ... 5: playing that stage
    kResults = 6,
    kGameOver = 8,
    kIntro = 9,
};

enum RunState { kGround = 0, kAir = 1, kStopped = 2, kFinalJump = 3 };

enum ObjectKind { kNoObject = 0, kPickup = 1, kJumpSpot = 2, kFinalSpot = 3 };

// Hazards have two looks (1 and 10); each turns into its "touched" kind.
enum HazardKind { kNoHazard = 0, kHazardA = 1, kHazardATouched = 2, kHazardB = 10, kHazardBTouched = 11 };

enum GoalResult { kGoalOpen = 0, kGoalMissed = 1, kGoalCleared = 2 };

constexpr int kStages = 5;
constexpr int kRows = 13;
constexpr int kCols = 20;
constexpr int kObjectSlots = 10;
constexpr int kHazardSlots = 6;
constexpr int kDecorSlots = 6;

constexpr int kTitleTexture = 1;
constexpr int kSheet = 2;
constexpr int kGameOverTexture = 3;

struct Slot {
    int kind = 0;
    int x = 0;
    int y = 0;
};

using Terrain = std::array<std::array<int8_t, kCols>, kRows>;

// The five stages as they stand at the start of a play (index 0 is stage 1).
struct Stage {
    Terrain terrain{};
    std::array<Slot, kObjectSlots> objects{};
    std::array<Slot, kHazardSlots> hazards{};
    std::array<Slot, kDecorSlots> decorations{};
};
const std::array<Stage, kStages>& StageTables();

struct Runner {
    float x = 0;
    float y = 176;
    float vx = 0;
    float vy = 0;
    float ax = 0;
    float ay = 0;
    int runState = kGround;
    int spriteRow = 0;  // 0 level, 1 downhill, 2 uphill
    int landX = 0;
    int landY = 0;
};

struct Game {
    int state = kTitle;
    int frame = 0;
    int stateTimer = 0;
    int endTimer = 0;
    int savedStage = 0;
    int music = 0;
    std::array<int, kStages + 1> goalResult{};  // indexed 1 ... 5
    int score = 0;
    int pickups = 0;
    int jumps = 0;
    Runner runner;
    // Objects and hazards change kind during a play and are never restored.
    std::array<Stage, kStages> stages = StageTables();
};

// Points of a press at squared distance d2 from an object: top, middle and
// far band (0 when farther than 13 pixels).
int BandPoints(float d2, int top);

// Tile code under (col, row) of stage b (1 ... 5); cells outside the grid
// read as empty.
int TileAt(const Game& game, int stage, int row, int col);

// One MainLoop frame after the mapper's Update and the clear. escape: the
// Escape key reads exactly 1. Returns 0 to go on, 1 when the result screen
// ends, 2 on Escape or when the game-over screen ends.
int Frame(Game& game, const tev::Buttons& buttons, bool escape, tev::Sink& sink);

}  // namespace slope_runner
