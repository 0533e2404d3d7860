// Sweet pairs: take pairs of candies of the wanted colours from a six-by-
// twelve well before the clock runs out. Plain state and one frame function,
// so that tests play it without the host.
#pragma once
#include <array>
#include <cstdint>

#include "games/kit/tev_game.h"
#include "games/sweet_pairs/sweet_pairs_sounds.h"
#include "games/sweet_pairs/tip_sprites.h"

namespace sweet_pairs {

constexpr int kColumns = 6;
constexpr int kRows = 12;
constexpr int kColours = 5;       // candy colours 1 ... 5; 0 is an empty cell
constexpr int kFilledRows = 6;    // rows filled at the start
constexpr int kQuota = 25;        // pairs to take
constexpr int kStageFrames = 3600;
constexpr int kPairFrames = 720;  // a pair's own timer
constexpr int kPairReady = 705;   // button 1 counts only below this (15 frames in)
constexpr int kPairReward = 60;   // frames a taken pair adds to the pair timer
constexpr int kFallEvery = 6;
constexpr int kSlideFrames = 5;
constexpr int kTotalFrames = 160;
constexpr int kFlightSteps = 20;
constexpr int kFlyerCount = 64;
constexpr uint32_t kPitchStep = 4096;
constexpr int kLeaveHold = 10;  // button 2 held longer than this leaves the end screen

// Screen layout.
constexpr int kWellX = 100;
constexpr int kWellY = 196;  // row 0; rows go up 16 pixels each
constexpr int kCell = 16;
constexpr int kParkX = 210;
constexpr int kParkY = 194;
constexpr int kTimerX = 201;
constexpr int kTimerBottom = 212;
constexpr int kTimerHeight = 192;
constexpr int kFigureY = 210;

constexpr int kSheet = 2;  // tip.bmp
constexpr int kBack = 3;   // back.bmp

enum State { kInstructions = 0, kPlaying = 1, kFinished = 2 };
enum Result { kUndecided = 0, kResultCleared = 1, kResultFailed = 2 };
enum Phase { kFree = 0, kFlying = 1, kParked = 2, kLeaving = 3 };
enum Sound {
    kSoundMusic = sound::kBgm,
    kSoundCapture = sound::kCapture,
    kSoundMiss = sound::kMiss,
    kSoundChange = sound::kChange,
};

// A taken candy on its way to the stack beside the well.
struct Flyer {
    int x = 0;
    int y = 0;
    int colour = 0;
    int phase = kFree;
    int from_x = 0;
    int from_y = 0;
    int to_x = 0;
    int to_y = 0;
    int step = 0;
};

struct Game {
    // [column][row], row 0 at the bottom; 0 empty, 1 ... 5 a colour.
    std::array<std::array<int, kRows>, kColumns> well{};
    int cc = 2;
    int cr = 5;
    bool vertical = false;
    std::array<int, 2> want{};
    std::array<int, 2> next{};
    int pairs_left = kQuota;
    int time_left = kStageFrames;
    int pair_time = kPairFrames;
    int combo = 0;
    int combo_total = 0;
    int shown_total = 0;
    int shown_total_frames = 0;
    int score = 0;
    std::array<Flyer, kFlyerCount> flyers{};
    int slide = 0;
    int state = kInstructions;
    int result = kUndecided;
    uint32_t capture_base = 0;  // the capture sound's own playback frequency
    int frames = 0;             // frames shown since the start, for the figures' steps
    std::array<char, 32> hint{};
};

// The game's name, drawn on the instructions screen and in the game list.
extern const char* const kTitle;

// 1 ... 5 from one draw of the 15-bit generator.
int RandomColour(tev::Rand15& rng);

// What UserInit sets up after the loads: the hint line, want, next, the
// bottom six rows, the cursor and the instructions screen; starts the music.
void Start(Game& g, tev::Rand15& rng, uint32_t capture_base, tev::Sink& out);

// One frame after the mapper's update and the screen's clear. Returns 1 when
// the end screen asks to leave, else 0.
int Frame(Game& g, const tev::Buttons& buttons, tev::Rand15& rng, tev::Sink& out);

// Pieces of a frame, exposed for tests.
void Fall(Game& g);
bool PairUnderCursor(const Game& g, int& a, int& b);
void Draw(Game& g, tev::Sink& out);

}  // namespace sweet_pairs
