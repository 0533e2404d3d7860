// Lumo: a minute of glowing orbs to burst. The rules are plain state and one
// frame function, so tests play them without the host.
#pragma once
#include <array>
#include <cstdint>

#include "games/kit/score_file.h"
#include "games/kit/tev_game.h"
#include "games/lumo/cursor_sprites.h"
#include "games/lumo/lumo_sounds.h"
#include "games/lumo/lumo_sprites.h"

namespace lumo {

constexpr int kOrbTexture = 0;
constexpr int kCursorTexture = 1;
constexpr tev::Rect kOrbImage = ::lumo::lumo::kOrb;
constexpr tev::Rect kCursorImage = cursor::kCrosshair;

constexpr int kOrbSlots = 256;
constexpr int kSmallestLevel = 6;   // diameter 4
constexpr int kLastSplitLevel = 4;  // levels 5 and 6 just vanish
constexpr int kBurstAge = 20;       // frames before a new orb can be burst
constexpr int kFuseAge = 80;        // both orbs must be this old to fuse
constexpr int kGameFrames = 3600;
constexpr int kCountdownFrames = 180;
constexpr int kComboPitchLimit = 20;

// Blend flags of the draw service.
constexpr int kBlendAlpha = 1;
constexpr int kBlendAdd = 2;

enum Result { kUndecided = 0, kResultCleared = 1, kResultFailed = 2 };

extern const char* const kTitle;
extern const char* const kScoreFileName;  // "score.dat"

struct Orb {
    double x = 0;
    double y = 0;
    double vx = 0;
    double vy = 0;
    int level = 0;
    uint8_t live = 0;
    int age = 0;
};

struct Game {
    std::array<Orb, kOrbSlots> orbs{};
    double cx = 160;
    double cy = 120;
    double cvx = 0;
    double cvy = 0;
    int time_left = kGameFrames;
    int countdown = kCountdownFrames;
    int32_t score = 0;
    int combo = 0;
    int32_t high = 0;
    bool started = false;
    bool running = false;
    bool ended = false;
    bool cleared = false;
    bool leave = false;
    int result = kUndecided;
    // The best score as stored; "saved" once this clear has been written.
    tev::ScoreFile best;
    bool saved = false;
};

// Diameter of an orb of this level: 256 >> level.
int Diameter(int level);

// What UserInit sets up after seeding the generator: the first orb (draws r,
// x, y) and the stored best score read from scorePath.
void Start(Game& g, tev::Rand15& rng, const char* scorePath);

// One frame after the mapper's update and the screen's clear. Returns 1 when
// the end screen is left with button 2 (result is set), else 0.
int Frame(Game& g, const tev::Buttons& buttons, tev::Rand15& rng, tev::Sink& out);

// When the game ends by any road (CleanUp): a cleared game that holds the
// best score is written even when the end screen was left with Escape.
// Returns the result for CleanUp.
int Finish(Game& g);

// Pieces of a frame, exposed for tests.
void MoveOrbs(Game& g);
void MoveCursor(Game& g, const tev::Buttons& buttons);
void Burst(Game& g, tev::Rand15& rng, tev::Sink& out);
void Fuse(Game& g);
// The music's playback rate for this much time left.
uint32_t MusicFrequency(int time_left);
int LiveOrbs(const Game& g);
// Puts an orb in the first free record; false when the table is full.
bool AddOrb(Game& g, const Orb& orb);

}  // namespace lumo
