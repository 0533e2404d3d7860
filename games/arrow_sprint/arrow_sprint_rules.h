// Arrow sprint: the game's rules as plain state and one frame function, so
// that tests can play it without the host. The plug-in glue feeds it the
// button counters and turns its Output calls into drawing and sound.
#pragma once
#include <array>
#include <cstdint>
#include <optional>

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
enum Sound { kSoundCorrect = 0, kSoundWrong = 1, kSoundJump = 2, kSoundCrash = 3 };

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
constexpr int kRunnerU = 0;
constexpr int kGroundU = 16;
constexpr int kGoalU = 240;
constexpr int kBigArrowU[4] = {48, 80, 112, 144};
constexpr int kSmallArrowU[4] = {176, 192, 208, 224};

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

// Button counters of the frame for the kit's logical buttons 0 ... 5
// (0 up, 1 down, 2 left, 3 right, 4 button 1, 5 button 2).
struct Buttons {
    int count[6] = {0, 0, 0, 0, 0, 0};
};

// Drawing and sound as the game issues them; the glue maps these onto the
// 2D drawer, the draw service's text and the sound channels.
class Output {
public:
    virtual ~Output() = default;
    virtual void Blit(int texture, int dx, int dy, int sx, int sy, int w, int h) = 0;
    virtual void Line(int x1, int y1, int x2, int y2, int width, uint32_t color) = 0;
    virtual void BeginText() = 0;
    virtual void Text(int x, int y, const char* text) = 0;
    virtual void EndText() = 0;
    virtual void Play(int channel) = 0;
};

// The runtime library's rand() as the game sees it: 0 ... 32767.
class Random {
public:
    virtual ~Random() = default;
    virtual int Next() = 0;
};

// What UserInit sets up: runner, blocks, arrows, course, state ready.
// frames and result are left as they are.
void Start(Game& g, Random& rng);

// One frame after the button mapper's update and the screen's clear.
// Returns what MainLoop must return when the game itself ends the frame
// (button 2 on an end screen: the result, before drawing); empty otherwise,
// and the glue then checks Escape.
std::optional<int> Frame(Game& g, const Buttons& buttons, Random& rng, Output& out);

// Pieces of a frame, exposed for tests.
void StepHorizontal(Body& b);
void StepVertical(Body& b);
bool Overlaps(const Body& runner, const Body& block);
void Draw(const Game& g, Output& out);

}  // namespace arrow_sprint
