// Hill drive: a car holds its column while an endless generated road of hills
// scrolls under it. Button 2 accelerates, button 1 brakes, gravity pulls along
// the slope, crests launch the car; a landing that tilts it by 60 degrees or
// more in one frame wrecks it, rolling back off the left fails, and 30 000
// road columns finish the drive. The rules also drive the synth's four voices.
#pragma once
#include "games/hill_drive/soft_synth.h"
#include "games/kit/tev_game.h"

namespace hill_drive {

inline constexpr const char* kTitle = "ヒルドライブ";
inline constexpr int kCarTexture = 8;
inline constexpr int kLetterTexture = 9;
inline constexpr uint32_t kSkyColor = 0xFFBBEEFF;

inline constexpr int kColumns = 320;
inline constexpr int kCarColumn = 120;
inline constexpr int kMinSpeed = -524288;
inline constexpr int kMaxSpeed = 4194304;
inline constexpr int kTakeOffSpeed = 262144;
inline constexpr int kFinishSteps = 30000;
inline constexpr int kFlatSteps = 20000;
inline constexpr double kWreckAngle = 1.0466666666666666;
inline constexpr int kDebris = 6;

enum Mode { kDriving = 0, kWrecked = 1, kFailed = 2 };

struct Game {
    int mode = kDriving;
    int lastMode = kDriving;
    int modeFrames = 0;
    int result = 0;   // 0 left with Escape, 1 finished, 2 failed

    int slopes[kColumns] = {};   // height change from the previous column, 1/256 px, + = falls to the right
    int slope = 0;
    int targetSlope = 0;
    int slopeHold = 0;
    int heights[kColumns] = {};  // 1/256 px, rebuilt every frame

    int steps = 0;
    int altitude = 0;
    int speed = 0;    // columns per frame x 65 536
    int scroll = 0;   // 1/256 column
    int lift = 0;     // < 0 airborne: how far above the road, 1/256 px
    int airVel = 0;
    int bump = 0;
    double angle = 0;
    double prevAngle = 0;

    int objX = 0;
    int objType = 0;  // 0 none, 1 bush, 2 and 3 posts
    int objY = 0;

    int finishCountdown = 0;
    int failCountdown = 0;
    int enginePitch = 0;

    int debrisX[kDebris] = {};
    int debrisY[kDebris] = {};
    int dvx[kDebris] = {};
    int dvy[kDebris] = {};
    int piecesLeft = 0;
};

// The waves of the game's voices: 0 and 2 sawtooth, 1 triangle, 3 square.
void SetUpVoices(SynthVoice* voices);

// One frame: the mode's step and drawing, the status line. voices: the
// synth's first four voices (null plays silently). Returns 1 when the game
// is over (finish or failed screen done).
int Frame(Game& g, const tev::Buttons& buttons, tev::Rand15& rand, tev::Sink& sink, SynthVoice* voices);

// One road column passes under the car (new slope drawn at the right edge,
// take-off and flight, the roadside object moves). Part of Frame.
void RoadStep(Game& g, tev::Rand15& rand);

// Text in the letter font (16 x 24 glyphs, 16-pixel pen; upper and lower
// case share glyphs; characters without a glyph are skipped).
void DrawLetters(tev::Sink& sink, int x, int y, const char* text);
// Where a character's glyph sits in the letter sheet; false when it has none.
bool LetterGlyph(char c, tev::Rect* src);

// The road column under the car (may be left of the screen when reversing).
inline int CarColumn(const Game& g) { return kCarColumn + (g.scroll >> 8); }

}  // namespace hill_drive
