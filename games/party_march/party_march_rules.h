// Party march: a hero leads a growing party to the right along seven lanes,
// one step on every beat; a member that steps onto an enemy fights it for
// five beats, and rock-paper-scissors between the classes sets the odds.
// Plain state and one frame function, so tests play it without the host.
#pragma once
#include <cstdint>

#include "games/kit/tev_game.h"
#include "games/party_march/battle_sprites.h"
#include "games/party_march/chara_sprites.h"
#include "games/party_march/map_sprites.h"
#include "games/party_march/party_march_sounds.h"

namespace party_march {

constexpr int kLanes = 7;
constexpr int kRows = 9;  // the lanes with a border row above and below
constexpr int kColumns = 203;
constexpr int kPartySize = 10;
constexpr int kEnemySlots = 200;
constexpr int kCell = 30;
constexpr int kCameraStop = 192;
constexpr int kBossColumn = 201;
constexpr int kTitleFrames = 300;
constexpr int kEndWait = 179;    // frames after a fall before the result screen
constexpr int kWonFrames = 960;  // the won screen ends after this frame
constexpr int kLostFrames = 600;

// Textures.
constexpr int kMapTexture = 0;
constexpr int kCharaTexture = 1;
constexpr int kBattleTexture = 2;

enum State { kPlay = 0, kLost = 1, kWon = 2, kOver = 3 };
enum Direction { kNone = 0, kGoUp = 1, kGoDown = 2, kGoLeft = 3, kGoRight = 4 };
enum Result { kLeftEarly = 0, kResultWon = 1, kResultLost = 2 };
// Party classes (+ kPromoted once promoted); enemies use 0 ... 4 for the
// boss, knight, mage, thief and slime, 5 ... 9 for their stronger forms.
enum Class { kHero = 0, kKnight = 1, kMage = 2, kThief = 3, kSlime = 4, kPromoted = 5 };

struct Unit {
    bool alive = false;
    int fighting = 0;
    int col = 0;
    int lane = 0;
    bool linked = false;  // party: moves with the group
    bool marked = false;  // party: reached by the group search
    int cls = 0;
    int ai = 0;    // enemies: 0 boss (still), 1 hunter, 2 lane follower, 3 up/down, 4 wanderer
    int foe = 0;   // party: enemy slot being fought
    int beats = 0; // party: beats the fight has lasted
};

struct Game {
    int state = kPlay;
    int frame = 0;
    int camera = 1;
    int beat = 28;
    int beatOrigin = 0;
    int direction = kNone;
    int waitTactic = 0;
    int moves = 0;
    int defeated = 0;
    int linkedCount = 0;
    int endFrame = -1;
    int clashFrame = -1;
    int counts[tev::kButtonCount] = {};
    int prevCounts[tev::kButtonCount] = {};
    int prevCamera = 1;
    int result = kLeftEarly;
    Unit party[kPartySize];
    Unit enemies[kEnemySlots];
    uint8_t map[kRows][kColumns] = {};
};

// UserInit: the map, the globals at their first values, both tables empty.
void Start(Game& g);
// Puts the hero, the nine companions and the enemies on the field.
void PlaceUnits(Game& g);

// One MainLoop frame; returns 1 once the game is over.
int Frame(Game& g, const tev::Buttons& buttons, tev::Rand15& rand, tev::Sink& sink);

// The pieces of a beat, for tests.
void MoveEnemies(Game& g, tev::Rand15& rand);
void MoveParty(Game& g);
void AdvanceBattles(Game& g, tev::Rand15& rand);
void MarkGroup(Game& g);
// Percent chance that a member of class memberClass beats an enemy of class foeClass.
int WinChance(int memberClass, int foeClass);
// The map refuses a step from (col, lane) in direction (outside the field too).
bool Blocked(const Game& g, int col, int lane, int direction);

}  // namespace party_march
