#include "games/rail_swap/rail_swap_rules.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace rail_swap {

namespace {

// Tile pictures sit at (32 * (type % 8), 32 * (type / 8 + 2)).
constexpr tev::Rect TileRect(int type) { return {kTile * (type % 8), kTile * (type / 8 + 2), kTile, kTile}; }
static_assert(TileRect(kEmpty) == img::kEmpty);
static_assert(TileRect(kTrack) == img::kTrack);
static_assert(TileRect(kDrop) == img::kDrop);
static_assert(TileRect(kTurn) == img::kTurn);
static_assert(TileRect(kGem) == img::kGem);
static_assert(TileRect(kPit) == img::kPit);
static_assert(TileRect(kStart) == img::kStart);
static_assert(TileRect(kGoal) == img::kGoal);

constexpr tev::Rect kCrashed[7] = {img::kCrashC, img::kCrashR, img::kCrashA, img::kCrashS,
                                   img::kCrashH, img::kCrashE, img::kCrashD};
constexpr tev::Rect kRide[5] = {img::kRideR, img::kRideI, img::kRideD, img::kRideE, img::kRideBang};
constexpr tev::Rect kYay[4] = {img::kYayY, img::kYayA, img::kYayY2, img::kRideBang};

bool OnBoard(int col, int row) { return col >= 0 && col < kCols && row >= 0 && row < kRows; }

// Title: any counter non-zero. End screens: none released, one held.
bool AnyCount(const tev::Buttons& b) {
    for (int c : b.count)
        if (c != 0) return true;
    return false;
}
bool AnyHeldNoneReleased(const tev::Buttons& b) {
    bool held = false;
    for (int c : b.count) {
        if (c == -1) return false;
        held = held || c > 0;
    }
    return held;
}

void DrawTitle(Game& g, tev::Sink& out) {
    out.Blit(kSheet, 32, 32, img::kLogo);
    out.Blit(kSheet, 80, 112, img::kSubtitle);
    if ((g.titleBlink + 1) & 32) out.Blit(kSheet, 96, 190, img::kPress);
    g.titleBlink = (g.titleBlink + 1) % 64;
    out.Blit(kSheet, 64, 220, img::kLabelBest);
    DrawNumber(out, g.highScore, 220);
}

int TitleStep(Game& g, const tev::Buttons& b, tev::Rand15& rng, tev::Sink& out) {
    DrawTitle(g, out);
    if (!AnyCount(b)) return 0;
    NewGame(g, rng);
    return 1;
}

// The slide-in pictures: even ones from above, odd ones from below.
int SlideY(int k, int s) { return k % 2 == 0 ? 80 - s : 80 + s; }

int IntroStep(Game& g, tev::Sink& out) {
    DrawBoard(g, out);
    for (int k = 0; k < 5; ++k) out.Blit(kSheet, 48 + 48 * k, SlideY(k, g.introSlide), kRide[k]);
    if (g.introSlide > 0) {
        --g.introSlide;
        return 0;
    }
    if (++g.introHold < kIntroHold) return 0;
    g.introSlide = kSlide;
    g.introHold = 0;
    return 1;
}

int PlayStep(Game& g, const tev::Buttons& b, tev::Sink& out) {
    StepCart(g);
    StepVisits(g);
    StepInput(g, b);
    DrawBoard(g, out);
    return PlayResult(g);
}

bool LostStep(Game& g, const tev::Buttons& b, tev::Sink& out) {
    DrawBoard(g, out);
    for (int k = 0; k < 7; ++k) out.Blit(kSheet, 34 + 36 * k, SlideY(k, g.lostSlide), kCrashed[k]);
    if (g.lostSlide > 0) {
        --g.lostSlide;
        return false;
    }
    if (AnyHeldNoneReleased(b) || ++g.lostWait >= kLostWait) {
        g.lostSlide = kSlide;
        g.lostWait = 0;
        return true;
    }
    return false;
}

bool ClearedStep(Game& g, const tev::Buttons& b, tev::Sink& out) {
    if (!g.scored) {
        MakeScore(g);
        g.scored = true;
        g.clearedSlide = kSlide - 1;
    }
    DrawBoard(g, out);
    const int s = g.clearedSlide;
    out.Blit(kSheet, 48, 80 - s, kYay[0]);
    out.Blit(kSheet, 112, 80 + s, kYay[1]);
    out.Blit(kSheet, 176, 80 - s, kYay[2]);
    out.Blit(kSheet, 240, 80 + s, kYay[3]);
    if (s > 0) {
        --g.clearedSlide;
        return false;
    }
    out.Blit(kSheet, 64, 128, img::kLabelDirect);
    DrawNumber(out, g.scoreP, 128);
    out.Blit(kSheet, 64, 144, img::kLabelDetour);
    DrawNumber(out, g.scoreQ, 144);
    out.Blit(kSheet, 64, 160, img::kLabelGems);
    out.Blit(kSheet, 92, 160, img::kLeader);
    DrawNumber(out, g.scoreR, 160);
    out.Blit(kSheet, 60, 176, img::kLabelTime);
    out.Blit(kSheet, 108, 176, img::kLeader);
    DrawNumber(out, g.scoreT, 176);
    out.Blit(kSheet, 60, 200, img::kLabelTotal);
    DrawNumber(out, g.total, 200);
    if (!g.newRecord || (g.clearedWait & 32)) {
        out.Blit(kSheet, 60, 220, img::kLabelBest);
        DrawNumber(out, g.highScore, 220);
    }
    if (AnyHeldNoneReleased(b) || ++g.clearedWait >= kClearedWait) {
        g.clearedSlide = kSlide;
        g.clearedWait = 0;
        return true;
    }
    return false;
}

}  // namespace

// clang-format off
const std::array<std::array<int, kTile>, 16> kProfiles = {{
    {},
    {24,24,24,24,23,23,23,24,24,24,24,24,23,23,23,23,23,23,23,23,23,23,23,23,24,24,24,24,24,24,24,24},
    {}, {}, {}, {}, {}, {}, {}, {},
    {24,24,24,24,25,26,26,28,30,31,33,34,36,38,40,43,43,40,37,35,33,32,30,30,28,27,27,26,24,24,24,24},
    {24,23,23,23,23,23,23,23,23,23,23,23,23,24,24,24,24,24,24,24,24,25,25,25,25,25,25,25,24,24,24,24},
    {24,24,25,25,25,26,26,26,26,26,26,26,26,25,25,24,24,24,24,24,24,24,24,24,24,24,24,24,24,24,24,24},
    {24,24,24,24,24,24,24,24,24,25,25,25,25,25,25,24,24,23,23,24,24,24,24,24,24,24,24,24,24,24,24,24},
    {24,24,24,24,24,24,24,25,25,25,25,25,25,25,24,24,24,23,23,23,23,23,23,23,23,24,24,24,24,24,24,24},
    {24,24,24,24,24,24,24,24,24,24,24,24,24,23,23,23,23,23,24,24,24,24,25,25,25,25,25,25,24,24,24,24},
}};
// clang-format on

void Start(Game& g, const char* scorePath) {
    g.file.Load(scorePath, 0);
    g.highScore = g.file.score();
    g.state = kTitle;
}

int Finish(Game& g) {
    g.file.Save(g.highScore);
    return g.cart.goalReached;
}

void NewGame(Game& g, tev::Rand15& rng) {
    g.cart = Cart{};
    g.visited = 0;
    g.timeLeft = kStartTime;
    g.swapDir = 0;
    g.gems = 0;
    g.gemCol = g.gemRow = -1;
    g.gemDir = 0;
    g.popup = 0;
    g.cursorCol = 4;
    g.cursorRow = 3;
    g.scored = false;

    int list[45];
    int n = 0;
    list[n++] = kGem;
    list[n++] = kPit;
    for (int i = 0; i < 7; ++i) list[n++] = kDrop;
    for (int i = 0; i < 7; ++i) list[n++] = kTurn;
    while (n < 45) list[n++] = kTrack;
    const auto draw = [&rng] { return std::min(rng.Next() * 45 / TEV_RAND_MAX, 44); };
    for (int i = 0; i < 1024; ++i) {
        const int a = draw();
        const int b = draw();
        std::swap(list[a], list[b]);
    }
    n = 0;
    for (int col = 2; col < kCols; ++col) At(g, col, 0).type = list[n++];
    for (int row = 1; row <= 4; ++row)
        for (int col = 0; col < kCols; ++col) At(g, col, row).type = list[n++];
    for (int col = 0; col < kCols - 1; ++col) At(g, col, 5).type = list[n++];
    At(g, 0, 0).type = kStart;
    At(g, 1, 0).type = kTrack;
    At(g, 7, 5).type = kGoal;
    for (Tile& t : g.tiles) t.age = 0;
}

void StepCart(Game& g) {
    Cart& c = g.cart;
    c.fall += 0.1f;
    c.x += static_cast<float>(c.dir) * c.speed;
    c.y += c.fall;
    if (c.x < 0) {
        c.col -= 1;
        c.x += kTile;
    } else if (c.x >= kTile) {
        c.col += 1;
        c.x -= kTile;
    }
    if (c.y >= kTile) {
        c.row += 1;
        c.y -= kTile;
        if (c.skipFloor > 0) --c.skipFloor;
    }
    if (!c.dead) {
        if (OnBoard(c.col, c.row)) {
            const int t = At(g, c.col, c.row).type;
            // x just under 0 can come out of the wrap as exactly 32.0f.
            const int xi = std::clamp(static_cast<int>(std::floor(c.x)), 0, kTile - 1);
            if (t != kEmpty) {
                const float f = static_cast<float>(kProfiles[t][xi]);
                if (c.y > f && c.skipFloor == 0) {
                    c.y = f;
                    if (c.fall > 0.1f) c.speed = 0.1f * static_cast<float>(c.row) + 0.15f;
                    c.fall = 0;
                }
            }
            if (t == kEmpty || t == kPit) {
                c.skipFloor = 255;
                c.fall = -1;
                c.dead = 1;
            } else if (t == kDrop) {
                if ((c.dir > 0 && c.x > 10 && c.x < 16) || (c.dir < 0 && c.x > 16 && c.x < 22)) c.skipFloor = 1;
            } else if (t == kTurn) {
                if (c.skipFloor == 0) {
                    if (c.dir > 0 && c.x > 5 && c.x < 16)
                        c.dir = -1;
                    else if (c.dir < 0 && c.x > 16 && c.x < 27)
                        c.dir = 1;
                }
            } else if (t == kGem) {
                if (c.col != g.gemCol || c.row != g.gemRow || c.dir != g.gemDir) {
                    g.gemCol = c.col;
                    g.gemRow = c.row;
                    g.gemDir = c.dir;
                    g.popup = kGemPopup;
                    ++g.gems;
                }
            } else if (t == kGoal) {
                c.goalReached = 1;
            }
        } else {
            c.dead = 1;
        }
    }
    if (g.timeLeft > 0) --g.timeLeft;
}

void StepVisits(Game& g) {
    // A tile first touched this frame has age 1 at the frame's end (frames
    // since the first visit + 1), so it is left out of this frame's ageing.
    int fresh = -1;
    const Cart& c = g.cart;
    if (!c.dead && OnBoard(c.col, c.row)) {
        Tile& t = At(g, c.col, c.row);
        if (t.age == 0) {
            t.age = 1;
            ++g.visited;
            fresh = c.col * kRows + c.row;
        }
    }
    for (int i = 0; i < kTileCount; ++i) {
        Tile& t = g.tiles[i];
        if (t.age == 0 || i == fresh) continue;
        if (++t.age >= kCrumbleAge) {
            t.type = kEmpty;
            t.age = 0;
        }
    }
}

void StepInput(Game& g, const tev::Buttons& b) {
    if (b.Pressed(tev::kUp)) g.cursorRow = std::max(g.cursorRow - 1, 0);
    if (b.Pressed(tev::kDown)) g.cursorRow = std::min(g.cursorRow + 1, kRows - 1);
    if (b.Pressed(tev::kLeft)) g.cursorCol = std::max(g.cursorCol - 1, 0);
    if (b.Pressed(tev::kRight)) g.cursorCol = std::min(g.cursorCol + 1, kCols - 1);
    if (b.Pressed(tev::kButton1)) {
        const int col = g.cursorCol + (g.swapDir == 0 ? 1 : 0);
        const int row = g.cursorRow + (g.swapDir == 1 ? 1 : 0);
        if (OnBoard(col, row)) {
            Tile& a = At(g, g.cursorCol, g.cursorRow);
            Tile& n = At(g, col, row);
            const auto fixed = [](const Tile& t) { return t.type == kStart || t.type == kGoal; };
            if (!fixed(a) && !fixed(n)) std::swap(a, n);
        }
    }
    if (b.Pressed(tev::kButton2)) g.swapDir = 1 - g.swapDir;
}

int PlayResult(const Game& g) {
    if (g.cart.row < 9) return 0;
    return g.cart.goalReached ? 2 : 1;
}

int32_t DirectBonus(int visited) {
    if (visited <= 0) return 0;
    const int32_t v = 512 / visited;
    return v * v;
}

int32_t DetourBonus(int visited) {
    if (visited >= kTileCount) return kFullTourBonus;
    const int32_t v = 512 / (kTileCount - visited);
    return v * v;
}

void MakeScore(Game& g) {
    g.scoreP = DirectBonus(g.visited);
    g.scoreQ = DetourBonus(g.visited);
    // Gem passes have no bound of their own (a cart kept rocking over a gem),
    // so the sum is clamped rather than left to wrap.
    const int64_t r = std::min<int64_t>(200LL * g.gems, INT32_MAX);
    g.scoreR = static_cast<int32_t>(r);
    g.scoreT = g.timeLeft;
    const int64_t total = int64_t{g.scoreP} + g.scoreQ + g.scoreR + g.scoreT;
    g.total = static_cast<int32_t>(std::min<int64_t>(total, INT32_MAX));
    g.newRecord = g.highScore < g.total;
    if (g.newRecord) g.highScore = g.total;
}

void DrawBoard(Game& g, tev::Sink& out) {
    for (int col = 0; col < kCols; ++col)
        for (int row = 0; row < kRows; ++row) {
            const Tile& t = At(g, col, row);
            const bool shown = t.age < kBlinkAge || ((t.age & 4) && t.age < kFastBlinkAge) || (t.age & 2);
            out.Blit(kSheet, kTile * (col + 1), kTile * (row + 1), shown ? TileRect(t.type) : img::kEmpty);
        }
    for (int x = 0; x <= 288; x += kTile) {
        out.Blit(kSheet, x, 0, img::kEmpty);
        out.Blit(kSheet, x, 224, img::kEmpty);
    }
    for (int y = 32; y <= 192; y += kTile) out.Blit(kSheet, 0, y, img::kEmpty);
    for (int y = 0; y <= 192; y += kTile) out.Blit(kSheet, 288, y, img::kEmpty);
    if (g.popup > 0) {
        --g.popup;
        out.Blit(kSheet, kTile * (g.gemCol + 1), kTile * g.gemRow + g.popup / 4 + 16, img::kGemMark);
    }
    const Cart& c = g.cart;
    const int cx = static_cast<int>(std::floor(static_cast<float>(kTile * (c.col + 1)) + c.x - 16));
    const int cy = static_cast<int>(std::floor(static_cast<float>(kTile * (c.row + 1)) + c.y - 32));
    out.Blit(kSheet, cx, cy, img::kCart, c.dir <= 0 ? tev::kFlipX : 0);
    if (c.dead) out.Blit(kSheet, cx, cy - 16, img::kCrashMark);
    const int px = kTile * (g.cursorCol + 1), py = kTile * (g.cursorRow + 1);
    out.Blit(kSheet, px, py, img::kCursor);
    out.Blit(kSheet, g.swapDir == 0 ? px + kTile : px, g.swapDir == 1 ? py + kTile : py, img::kPartner);
}

void DrawNumber(tev::Sink& out, int32_t n, int y) {
    // The strip has no minus sign; a negative best (an edited file) shows 0.
    int64_t v = std::max<int32_t>(n, 0);
    int x = 240;
    do {
        const int d = static_cast<int>(v % 10);
        out.Blit(kSheet, x, y, {img::kDigits.x + 8 * d, img::kDigits.y, 8, 16});
        v /= 10;
        x -= 10;
    } while (v > 0);
}

int Frame(Game& g, const tev::Buttons& b, tev::Rand15& rng, tev::Sink& out) {
    switch (g.state) {
        case kTitle: g.state += TitleStep(g, b, rng, out); break;
        case kIntro: g.state += IntroStep(g, out); break;
        case kPlay: g.state += PlayStep(g, b, out); break;
        case kLost:
            if (LostStep(g, b, out)) {
                g.state = kTitle;
                return 1;
            }
            break;
        case kCleared:
            if (ClearedStep(g, b, out)) {
                g.state = kTitle;
                return 1;
            }
            break;
        default: g.state = kTitle; break;
    }
    return 0;
}

}  // namespace rail_swap
