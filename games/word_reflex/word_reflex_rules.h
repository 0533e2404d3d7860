// Word reflex: a figure speaks a phrase in up to three pieces; button 1 hits
// the phrase the level asks for, button 2 lets any other pass. The rules are
// plain state and one frame function, so tests play them without the host.
#pragma once
#include <cstdint>
#include <string_view>

#include "games/kit/mt_random.h"
#include "games/kit/score_file.h"
#include "games/kit/tev_game.h"
#include "games/word_reflex/tip_sprites.h"
#include "games/word_reflex/word_reflex_sounds.h"

namespace word_reflex {

enum Screen { kTitle = 0, kIntro = 1, kPlay = 2, kGameOver = 3 };
enum Answer { kBeforeFirst = -1, kShowing = 0, kHitRight = 1, kHitWrong = 2, kPassed = 3 };
enum Result { kNoResult = 0, kResultGameOver = 2 };

constexpr int kSheet = 2;  // texture slot of img/tip.bmp
constexpr int kSoundRight = sound::kRight;
constexpr int kSoundWrong = sound::kWrong;

constexpr int kMaxLines = 16;       // instruction lines of a level
constexpr int kLineBytes = 255;     // longest line of a level file
constexpr int kMaxEntries = 128;    // phrase lines of a level
constexpr int kPieceBytes = 127;    // text of one piece (its field holds 128 with the NUL)
constexpr int kStartLives = 5;
constexpr int kResultFrames = 20;   // how long a phrase's result stays up
constexpr int kPageFrames = 256;    // an instruction page turns by itself after this
// Text size from the instructions on. The default face's cells are 20 pixels
// full width and 10 half width here, the 10 pixels a byte the centred
// instruction lines are laid out by; at 24 the heading ran 44 pixels off the
// screen and long lines past its right edge.
constexpr int kTextSize = 20;
constexpr uint32_t kGaugeColor = 0xFFFF0000;

struct Entry {
    uint8_t isTarget = 0;
    char part1[kPieceBytes + 1] = {};
    char part2[kPieceBytes + 1] = {};
    char part3[kPieceBytes + 1] = {};
    int32_t delay1 = 0;
    int32_t delay2 = 0;
};

struct Level {
    char lines[kMaxLines][kLineBytes + 1] = {};
    int lineCount = 0;
    Entry entries[kMaxEntries];
    int entryCount = 0;
};

// Where a reader reports a phrase line it skipped (one call per line).
using LogFn = void (*)(const char* message);

// The longest prefix of text[0 .. len) of at most max bytes that does not
// split a two-byte CP932 character.
int Cp932Cut(const char* text, int len, int max);

// Reads a level file's bytes: instruction lines up to the first empty line
// (or 16 lines), then up to 128 phrase lines "isTarget,delay1,delay2,p1 p2 p3".
// Lines are cut to 255 bytes and pieces to their fields on a character
// boundary; a phrase line that does not parse is skipped with one log line.
void ParseLevel(std::string_view bytes, Level& out, LogFn log = nullptr, const char* name = "level");
// False when the file cannot be opened.
bool ReadLevelFile(const char* path, Level& out, LogFn log = nullptr);

// Answer window and gauge of a level.
int WindowFor(int level);
int GaugeMaxFor(int level);
// What one right answer scores on a level.
int AnswerScore(int level);

struct Game {
    int screen = kTitle;
    int level = 1;
    int lives = kStartLives;
    int score = 0;
    int highScore = 0;
    int result = kNoResult;
    int answerState = kBeforeFirst;
    int answerTimer = -1;
    int targetsLeft = 0;
    int window = 0;
    int gaugeMax = 0;
    int gauge = 0;
    int page = 0;
    int introTimer = 0;
    int pick = 0;
    int partsShown = 0;
    int partTimer = 0;
    bool lostLife = false;
    Level table;
    tev::ScoreFile best;
    // Folder of the level files (tests point it elsewhere).
    const char* dataDir = "data";
    LogFn log = nullptr;
};

// UserInit's part: the best score from hiscore.dat (0 when missing).
void Start(Game& g, const char* hiscorePath);
// One frame; non-zero ends the game.
int Frame(Game& g, const tev::Buttons& buttons, tevkit::MTRandom& rng, tev::Sink& out);
// CleanUp's part: stores a better score, returns the result code.
int Finish(Game& g);

}  // namespace word_reflex
