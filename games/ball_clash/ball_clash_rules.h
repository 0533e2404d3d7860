// Ball clash: the game's rules as plain state and one frame function, so that
// tests can play it without the host.
//
// Spinning balls drift over the table; the player's round pusher shoves them
// into each other. Two balls that meet bounce apart and spin four times
// faster; a ball's third collision removes it. A stage is cleared when every
// ball is gone and failed when one ball is left or the time runs out.
#pragma once
#include <array>
#include <cstdint>

#include "games/ball_clash/ball_clash_sounds.h"
#include "games/ball_clash/object_sprites.h"
#include "games/kit/tev_game.h"

namespace ball_clash {

constexpr int kBallCount = 64;
constexpr int kStages = 10;
constexpr int kSheet = 0;  // texture slot of object.bmp

// Steps of a stage: phase = 10 * stage + step; phase 0 is the title.
enum Step { kTitle = 0, kReady = 1, kPlay = 2, kCleared = 3, kFailed = 4 };
enum Result { kPlaying = 0, kAllCleared = 1, kGameOver = -1 };

constexpr int kReadyFrames = 60;
constexpr int kStageFrames = 600;
constexpr int kResultFrames = 180;
constexpr int kStartLives = 3;

constexpr uint32_t kTextColor = 0xFFFFFFFF;
constexpr uint32_t kShadowColor = 0xFF0E1428;

constexpr double kPusherStartX = 160;
constexpr double kPusherStartY = 120;
constexpr double kPusherStep = 2;
constexpr double kPushReach = 24;   // centre distance at which the pusher shoves
constexpr double kClashReach = 16;  // centre distance at which two balls meet
constexpr double kKickSpeed = 5;    // speed a shove or a clash gives a ball
constexpr int kSpinGain = 4;
constexpr int kVanishHits = 4;  // hits counts from 1, so the third clash removes a ball

// hits: 0 gone, 1 fresh, 2 and 3 after one or two clashes. spin is added to
// angle every frame (359 turns the other way by one degree).
struct Ball {
    int hits = 0;
    double x = 0;
    double y = 0;
    double vx = 0;
    double vy = 0;
    int angle = 0;
    int spin = 0;
};

struct Game {
    std::array<Ball, kBallCount> balls{};
    double px = kPusherStartX;
    double py = kPusherStartY;
    int phase = kTitle;
    int timer = 0;
    int lives = kStartLives;
    int result = kPlaying;
};

constexpr int Stage(const Game& g) { return g.phase / 10; }
constexpr int StepOf(const Game& g) { return g.phase % 10; }

// The number of layouts: stage s plays layout s - 1, so -1 ... 8.
constexpr int kFirstLayout = -1;
constexpr int kLastLayout = 8;

// What UserInit sets up after seeding the generator: an empty table, then
// the first stage's layout (shown under the title).
void Start(Game& g, tev::Rand15& rand);

// Writes the layout's balls (fresh, still, random angle and direction of
// spin) and leaves every other entry as it is. An index without a layout
// (there is none after the last stage) places nothing.
void PlaceLayout(Game& g, int layout, tev::Rand15& rand);

// One frame after the button mapper's update and the screen's clear:
// balls move and are drawn, the pusher is drawn, the phase runs, the status
// texts. Returns 1 when the game is over (result set), else 0.
int Frame(Game& g, const tev::Buttons& buttons, tev::Rand15& rand, tev::Sink& out);

// Pieces of a frame, exposed for tests.
void MoveBalls(Game& g);
// Shoves every live ball near the pusher; true when one changed course.
bool PushBalls(Game& g);
// Collisions of one frame, in table order. Counts what happened.
struct Clashes {
    int clashes = 0;
    int vanished = 0;
};
Clashes CollideBalls(Game& g);
int LiveBalls(const Game& g);

}  // namespace ball_clash
