// Rail swap: a cart rolls by itself over a board of shuffled track tiles; the
// player swaps neighbouring tiles to keep it on a track down to the goal.
// Plain state and functions, so tests play the rules without the host.
#pragma once
#include <array>
#include <cstdint>

#include "games/kit/score_file.h"
#include "games/kit/tev_game.h"
#include "games/rail_swap/img_sprites.h"

namespace rail_swap {

constexpr int kCols = 8;
constexpr int kRows = 6;
constexpr int kTileCount = kCols * kRows;
constexpr int kTile = 32;

enum TileType {
    kEmpty = 0,
    kTrack = 1,
    kDrop = 10,
    kTurn = 11,
    kGem = 12,
    kPit = 13,
    kStart = 14,
    kGoal = 15,
};

enum State { kTitle = 0, kIntro = 1, kPlay = 2, kLost = 3, kCleared = 4 };

constexpr int kSheet = 2;  // texture slot of "img.bmp"
constexpr const char* kScoreFileName = "hs.txt";

constexpr int kStartTime = 5000;
// A visited tile blinks from this age and crumbles at kCrumbleAge.
constexpr int kBlinkAge = 808;
constexpr int kFastBlinkAge = 936;
constexpr int kCrumbleAge = 1000;
constexpr int kGemPopup = 100;
constexpr int kSlide = 16;
constexpr int kIntroHold = 34;
constexpr int kLostWait = 514;
constexpr int kClearedWait = 1026;
// The detour term when every tile was visited: 512 / (48 - visited) would
// divide by zero, so the full tour counts as if half a tile were left,
// above the 512² that 47 tiles earn.
constexpr int32_t kFullTourBonus = 1024 * 1024;

// Resting height (0 = top of the tile) of the cart at each x of a tile type.
extern const std::array<std::array<int, kTile>, 16> kProfiles;

struct Tile {
    int type = kEmpty;
    int age = 0;  // 0 never visited, else frames since the first visit + 1
};

struct Cart {
    int col = 0;
    int row = 0;
    float x = 10;
    float y = 0;
    int dir = 1;
    float speed = 0.15f;
    float fall = 0;
    int dead = 0;
    int skipFloor = 0;
    int goalReached = 0;
};

struct Game {
    std::array<Tile, kTileCount> tiles{};
    Cart cart;
    int visited = 0;
    int gems = 0;
    int gemCol = -1, gemRow = -1, gemDir = 0;  // the last gem pass
    int popup = 0;
    int timeLeft = kStartTime;
    int cursorCol = 4, cursorRow = 3;
    int swapDir = 0;  // 0 right neighbour, 1 lower neighbour

    int state = kTitle;
    int titleBlink = 0;
    int introSlide = kSlide, introHold = 0;
    int lostSlide = kSlide, lostWait = 0;
    int clearedSlide = kSlide, clearedWait = 0;
    bool scored = false;

    int32_t highScore = 0;
    bool newRecord = false;
    int32_t scoreP = 0, scoreQ = 0, scoreR = 0, scoreT = 0, total = 0;
    tev::ScoreFile file;
};

inline Tile& At(Game& g, int col, int row) { return g.tiles[col * kRows + row]; }
inline const Tile& At(const Game& g, int col, int row) { return g.tiles[col * kRows + row]; }

// UserInit: the best score from scorePath (0 when missing), the title.
void Start(Game& g, const char* scorePath = kScoreFileName);
// CleanUp: stores the best score; returns 1 once the goal was reached.
int Finish(Game& g);

// The new game the title starts: cart, counters, cursor and a shuffled board.
void NewGame(Game& g, tev::Rand15& rng);

// One play frame's parts, in their order.
void StepCart(Game& g);
void StepVisits(Game& g);
void StepInput(Game& g, const tev::Buttons& b);
// 0 while the cart is above row 9, then 2 when the goal was reached, else 1.
int PlayResult(const Game& g);

// The score of a cleared game from its counters.
int32_t DirectBonus(int visited);
int32_t DetourBonus(int visited);
void MakeScore(Game& g);

// One MainLoop frame after the mapper's update and the clear: 1 when an end
// screen is done, else 0 (the kit then tests Escape).
int Frame(Game& g, const tev::Buttons& b, tev::Rand15& rng, tev::Sink& out);

void DrawBoard(Game& g, tev::Sink& out);
// n right-aligned, its last digit at x 240.
void DrawNumber(tev::Sink& out, int32_t n, int y);

}  // namespace rail_swap
