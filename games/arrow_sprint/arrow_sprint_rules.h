// Arrow sprint: the game's rules as plain state and one frame function, so
// that tests can play it without the host.
#pragma once
#include <array>
#include <cstdint>

#include "games/arrow_sprint/arrow_sprint_sounds.h"
#include "games/arrow_sprint/pic_sprites.h"
#include "games/kit/tev_game.h"

namespace arrow_sprint {

// Positions and velocities are in tenths of a pixel.
struct Body {
    int32_t x = 0;
    int32_t y = 0;
    int32_t vx = 0;
    int32_t vy = 0;
    int32_t w = 0;
    int32_t h = 0;
    int32_t ax = 0;
    int32_t ay = 0;
    int32_t u = 0;  // source column in the sprite sheet; the row is always 0
    uint8_t visible = 0;
};

enum State { kReady = 0, kRunning = 2, kFailed = 3, kCleared = 4 };
enum Result { kUndecided = 0, kResultCleared = 1, kResultFailed = 2 };
enum Sound {
    kSoundCorrect = sound::kCorrect,
    kSoundWrong = sound::kWrong,
    kSoundJump = sound::kJump,
    kSoundCrash = sound::kCrash,
};

constexpr int kBlockCount = 11;
constexpr int kCourseLength = 500;
// Blocks recycled before the run is cleared, and the recycle that brings in
// the goal block.
constexpr int kCourseEnd = 489;
constexpr int kGoalAt = 479;
constexpr int kArrowCount = 16;
constexpr int kMaxSpeed = 60;
constexpr int kVelocityLimit = 70;
constexpr int kGravity = 5;
constexpr int kJumpPush = -160;
constexpr int kRecycleLeft = -320;
constexpr int kRecycleShift = 3520;

constexpr int kSheet = 2;  // texture slot of the sprite sheet
// Sprites sit on row 0 of the sheet, so bodies keep only their column.
constexpr int kRunnerU = pic::kRunner.x;
constexpr int kGroundU = pic::kBlock.x;
constexpr int kGoalU = pic::kGoal.x;
constexpr tev::Rect kBigArrows[4] = {pic::kArrowUp, pic::kArrowDown, pic::kArrowLeft, pic::kArrowRight};
constexpr tev::Rect kSmallArrows[4] = {pic::kNextUp, pic::kNextDown, pic::kNextLeft, pic::kNextRight};
constexpr int kBigArrowU[4] = {kBigArrows[0].x, kBigArrows[1].x, kBigArrows[2].x, kBigArrows[3].x};
constexpr int kSmallArrowU[4] = {kSmallArrows[0].x, kSmallArrows[1].x, kSmallArrows[2].x, kSmallArrows[3].x};

constexpr uint32_t kYellow = 0xFFFFFF00;
constexpr uint32_t kRed = 0xFFFF0000;

// The game's name, drawn on the ready screen and used as the window title.
extern const char* const kTitle;

struct Game {
    Body runner;
    std::array<Body, kBlockCount> blocks{};
    std::array<int32_t, kCourseLength> course{};
    int course_pos = 0;
    std::array<int32_t, kArrowCount> arrows{};
    int arrow_pos = 0;
    int speed = 0;
    int frames = 0;
    int state = kReady;
    uint8_t airborne = 0;
    int result = kUndecided;
};

// What UserInit sets up: runner, blocks, arrows, course, state ready.
// frames and result are left as they are.
void Start(Game& g, tev::Rand15& rng);

// One frame after the button mapper's update and the screen's clear.
// Returns what MainLoop must return when the game itself ends the frame
// (button 2 on an end screen: the result, before drawing); 0 otherwise.
int Frame(Game& g, const tev::Buttons& buttons, tev::Rand15& rng, tev::Sink& out);

// Pieces of a frame, exposed for tests.
void StepHorizontal(Body& b);
void StepVertical(Body& b);
bool Overlaps(const Body& runner, const Body& block);
void Draw(const Game& g, tev::Sink& out);

}  // namespace arrow_sprint
