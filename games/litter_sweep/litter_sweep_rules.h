// Litter sweep: slide the bin over the floor and sweep up 30 pieces of litter
// before the clock runs out, three stages, two to clear. The rules are plain
// state and one frame function, so tests play them without the host.
#pragma once
#include <array>
#include <cstdint>
#include <iterator>

#include "games/kit/score_file.h"
#include "games/kit/tev_game.h"
#include "games/litter_sweep/litter_sweep_sounds.h"
#include "games/litter_sweep/pic_sprites.h"

namespace litter_sweep {

// Positions and velocities are in tenths of a pixel; the screen position is
// the value / 10, truncating.
struct Body {
    int32_t x = 0;
    int32_t y = 0;
    int32_t vx = 0;
    int32_t vy = 0;
    int32_t w = 0;
    int32_t h = 0;
    int32_t u = 0;  // source column in the sprite sheet; the row is always 0
    uint8_t visible = 0;
};

enum State { kTitleScreen = 0, kReady = 1, kPlay = 2, kStageResult = 3, kGameResult = 4 };
enum Result { kUndecided = 0, kResultCleared = 1, kResultFailed = 2 };
enum Sound { kSoundBounce = sound::kBounce, kSoundPickup = sound::kPickup };

constexpr int kSheet = 2;  // texture slot of the sprite sheet
constexpr int kStageCount = 3;
constexpr int kLitterCount = 30;
constexpr int kStageTime = 400;   // frames
constexpr int kReadyTime = 100;   // frames
constexpr int kPushStraight = 7;  // tenths of a pixel per frame, per frame held
constexpr int kPushDiagonal = 5;  // per axis
constexpr int kMaxSpeed = 70;     // per axis
constexpr int kBinSize = 32;
constexpr int kLitterSize = 8;
// Where litter may lie: x = 10 * (draw % 292) + 100, y likewise with 212.
constexpr int kLitterSpanX = 292;
constexpr int kLitterSpanY = 212;
constexpr int kLitterOffset = 100;

constexpr const char* kScoreFile = "score.dat";

// The bin is on row 0 at column 0; the litter kinds follow it on row 0, each
// piece keeps its kind for the whole game (by its index, so the generator's
// draws are the placement's alone).
constexpr int kBinU = pic::kBin.x;
constexpr tev::Rect kLitterKinds[] = {pic::kPaper, pic::kCan,    pic::kBottle, pic::kBanana,
                                      pic::kApple, pic::kWrapper, pic::kCup,    pic::kCarton};
constexpr int kLitterKindCount = static_cast<int>(std::size(kLitterKinds));

// The game's name: title screen and window title.
extern const char* const kTitle;

struct Game {
    Body bin;
    std::array<Body, kLitterCount> litter{};
    int stage = 0;
    std::array<int32_t, kStageCount> stage_score{};
    std::array<uint8_t, kStageCount> stage_cleared{};
    int time_left = 0;
    int ready_count = 0;
    int state = kTitleScreen;
    int result = kUndecided;
    bool new_high = false;  // this game replaced the stored best
    tev::ScoreFile best;    // the best cleared total, "score.dat"
};

// What UserInit sets up: stage 0, the best score read from scorePath (0 when
// it cannot be read), the first stage started.
void Start(Game& g, tev::Rand15& rng, const char* scorePath = kScoreFile);

// A stage from its title: clock full, bin home, 30 pieces laid afresh.
void StartStage(Game& g, tev::Rand15& rng);

// One frame after the button mapper's update and the screen's clear.
// Returns what MainLoop must return when the game itself ends (button 1 held
// on the game-result screen: the result); 0 otherwise.
int Frame(Game& g, const tev::Buttons& buttons, tev::Rand15& rng, tev::Sink& out);

// Pieces of a frame, exposed for tests.
void Push(Body& bin, const tev::Buttons& buttons);
// Moves the bin one frame; plays the bounce for each wall it hits.
void StepBin(Body& bin, tev::Sink& out);
bool Overlaps(const Body& a, const Body& b);
// Stage results are in: the game's result, the total and the best score.
void EndGame(Game& g);
int32_t Total(const Game& g);
void Draw(const Game& g, tev::Sink& out);

}  // namespace litter_sweep
