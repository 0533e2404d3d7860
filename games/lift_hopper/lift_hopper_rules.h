// Lift hopper: five single-screen stages of ledges, lifts and coins, played
// against a 60-second clock. Plain state and frame functions, so tests can
// play it without the host.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

#include "games/kit/score_file.h"
#include "games/kit/tev_game.h"
#include "games/lift_hopper/lift_hopper_sounds.h"
#include "games/lift_hopper/tip_sprites.h"

namespace lift_hopper {

// Positions are in 1/100 pixel; a tile is 16 pixels.
constexpr int kUnit = 100;
constexpr int kTile = 1600;
constexpr int kFileCols = 22;
constexpr int kFileRows = 17;
constexpr int kTileValues = kFileCols * kFileRows;  // 374
constexpr int kScreenCols = 20;
constexpr int kScreenRows = 15;
constexpr int kLiftCount = 16;
constexpr int kItemCount = kTileValues;  // at most one item per cell
constexpr int kStageCount = 5;
constexpr int kStageTime = 3600;
constexpr int kDyingFrames = 240;
constexpr int kClearFrames = 180;
constexpr int kCoinScore = 1500;
constexpr int kCoinTimer = 20;  // frames a revealed coin cannot be taken
constexpr int kJumpSpeed = -179;
constexpr int kGravity = 10;
constexpr int kFatalFall = 240;
constexpr int kTop = 800;
constexpr int kBottom = 24000;
constexpr int kTexture = 2;

enum Tile { kEmpty = 0, kSolid1 = 1, kSolid2 = 2, kGoal = 3 };
enum ItemKind { kHiddenCoin = 0, kCoin = 1 };
enum Screen { kPlay = 0, kTitle = 1, kGameOver = 2 };
enum Anim { kStanding = 0, kWalking = 1, kJumping = 2 };
enum Result { kNone = 0, kAllCleared = 1, kGameOverResult = 2 };

constexpr int kMusic = sound::kMusic;
constexpr int kDeadSound = sound::kDead;
constexpr int kCoinSound = sound::kCoin;
constexpr int kJumpSound = sound::kJump;

constexpr uint32_t kTimerColor = 0xFFFF0000;
constexpr uint32_t kSkyColor = 0xFF141C3C;

extern const char* const kTitleText;

struct Item {
    bool active = false;
    int kind = 0;
    int x = 0;
    int y = 0;
    int timer = 0;
};

struct Lift {
    bool active = false;
    int x = 0;
    int y = 0;
    int speed = 0;
    int width = 0;
};

struct Player {
    int px = 0;
    int py = 0;
    int vy = 0;
    int anim = kStanding;
    int facing = 0;  // 0 right, 1 left
    int walkFrame = 0;
    int standingLift = -1;
    int liftGrace = 0;
};

struct Game {
    std::array<uint8_t, kTileValues> tiles{};  // file cells, row by row
    std::array<Item, kItemCount> items{};
    std::array<Lift, kLiftCount> lifts{};
    Player player;
    int screen = kTitle;
    int stage = 1;
    int timeLeft = kStageTime;
    int dying = 0;
    int score = 0;
    int highScore = 0;
    int result = kNone;
    // Folder the stage files are read from ("" = the current folder).
    char folder[200] = "";
};

// Stage parsing: fills tiles, items, lifts and the start position from the
// character stream (only codes 48 ... 127 count). Never reads out of range.
void ParseStage(Game& g, const uint8_t* data, size_t size);
// Resets the per-stage state and reads "stage<n>.dat"; false when the file
// cannot be opened (the stage is then left empty).
bool LoadStage(Game& g, int stage);

// What UserInit sets up: the best score, stage 1, the title. -1 when stage 1
// cannot be opened.
int Start(Game& g, const tev::ScoreFile& best);

// One frame after the mapper's update and the clear; the value MainLoop
// returns when the game ends itself (1), else 0.
int Frame(Game& g, const tev::Buttons& buttons, tev::Sink& out);

// The tile code of the screen cell holding (x, y) (0 off the grid).
int TileAt(const Game& g, int x, int y);
bool SolidAt(const Game& g, int x, int y);

// The steps of a play frame, exposed for tests.
void WalkStep(Game& g, const tev::Buttons& buttons, tev::Sink& out);
void LiftStep(Game& g);
void LandStep(Game& g);
void DrawStage(Game& g, tev::Sink& out);

// CleanUp: stores the better of the stored and this play's score in the
// best-score file (never damaged; an unreadable one is left alone) and
// returns the game's result.
int CleanUp(const Game& g, tev::ScoreFile& best);

}  // namespace lift_hopper
