// One stomp: a very short side-scrolling jump. One of the six buttons, drawn
// per play, jumps; three presses in all to find it and to land on the one
// enemy. The rules are plain state and one frame function, so tests play
// them without the host.
#pragma once
#include <array>
#include <cstdint>

#include "games/kit/tev_game.h"
#include "games/one_stomp/one_stomp_sounds.h"
#include "games/one_stomp/tip_sprites.h"

namespace one_stomp {

constexpr int kTip = 0;   // texture slot of the sprite sheet
constexpr int kHelp = 1;  // texture slot of the full-screen help picture

enum State { kTitle = 0, kReady = 1, kPlay = 2, kResult = 3, kDying = 4 };
enum Result { kUndecided = 0, kCleared = 1, kFailed = 2 };
enum RunnerMode { kWaiting = 0, kRunning = 1, kDead = 2 };
enum EnemyMode { kWalking = 0, kSquashed = 1, kGone = 2 };

constexpr int kMapRows = 17;
constexpr int kMapColumns = 33;
constexpr int kMaxPresses = 3;
constexpr int kCameraMin = 160;
constexpr int kCameraMax = 500;
constexpr int kGoalX = 660;       // walking past this ends the run
constexpr int kGroundY = 220;     // screen y of height 0
constexpr int kReadyFrames = 60;
constexpr int kResultFrames = 180;

// The results drawn on the black result screen (CP932 in the plug-in).
extern const char* const kTextClear;
extern const char* const kTextOver;
extern const char* const kTextStompIt;

struct Runner {
    double x = 100;
    double h = 0;   // height above the ground line
    double vh = 0;  // upward speed
    bool jumping = false;
    int mode = kWaiting;
    int presses = 0;
    int anim = 0;
    int dead_frames = 0;
};

struct Enemy {
    double x = 500;
    int mode = kWalking;
    int squash_frames = 0;
    int anim = 0;
};

struct Block {
    int x = 0;
    int h = 0;
    bool shown = false;
};

struct Coin {
    double x = 0;
    double h = 0;
    int frames = 0;
    bool visible = false;
};

struct StompMark {
    double y = 0;  // screen y
    int frames = 0;
    bool on = false;
};

struct Game {
    Runner runner;
    Enemy enemy;
    Block block;
    Coin coin;
    StompMark mark;
    std::array<std::array<uint8_t, kMapColumns>, kMapRows> map{};
    int jump_button = 0;
    int camera = kCameraMin;
    int state = kTitle;
    int frames = 0;
    int result = kUndecided;
};

// UserInit's draws, in the order the game makes them: the hidden block, the
// jump button, then the background map. The caller has seeded rng.
void Start(Game& g, tev::Rand15& rng);

// One frame after the mapper's update and the screen's clear: the logic step
// then the drawing step. Returns 1 on the frame the game ends, else 0.
int Frame(Game& g, const tev::Buttons& buttons, tev::Sink& out);

// The pieces of a frame, exposed for tests.
int Step(Game& g, const tev::Buttons& buttons, tev::Sink& out);
void Draw(const Game& g, tev::Sink& out);
// Screen x of the runner's left edge.
int RunnerScreenX(double x);

}  // namespace one_stomp
