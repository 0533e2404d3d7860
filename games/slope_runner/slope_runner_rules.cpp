#include "games/slope_runner/slope_runner_rules.h"

#include <algorithm>
#include <initializer_list>

namespace slope_runner {
namespace {

// A stretch of terrain codes in one row, from column `col` to the right.
struct Stretch {
    int row;
    int col;
    std::initializer_list<int> codes;
};

constexpr Terrain MakeTerrain(std::initializer_list<Stretch> stretches) {
    Terrain t{};
    for (const Stretch& s : stretches) {
        int c = s.col;
        for (int code : s.codes) t[s.row][c++] = static_cast<int8_t>(code);
    }
    return t;
}

template <size_t N>
constexpr std::array<Slot, N> MakeSlots(std::initializer_list<std::pair<int, Slot>> filled) {
    std::array<Slot, N> slots{};
    for (const auto& entry : filled) slots[entry.first] = entry.second;
    return slots;
}

constexpr std::array<Stage, kStages> BuildStages() {
    std::array<Stage, kStages> s{};
    s[0].terrain = MakeTerrain({
        {8, 10, {3}},
        {9, 9, {1, 6, 1, 1}},
        {10, 6, {3, 1, 2, 7, 7, 7, 7}},
        {11, 5, {3, 6, 4, 5, 2}},
        {12, 0, {1, 1, 1, 1, 1, 6, 4, 4, 4, 5, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}},
    });
    s[0].objects = MakeSlots<kObjectSlots>({{0, {1, 16, 176}},
                                            {1, {2, 112, 144}},
                                            {2, {1, 218, 176}},
                                            {3, {1, 160, 128}},
                                            {4, {2, 178, 128}},
                                            {5, {3, 256, 176}}});
    s[0].decorations = MakeSlots<kDecorSlots>({{0, {2, 136, 77}}, {1, {3, 200, 56}}, {2, {1, 47, 38}}});

    s[1].terrain = MakeTerrain({
        {7, 6, {1, 1}},
        {8, 6, {4, 4}},
        {9, 4, {3, 1, 1, 1, 1, 1, 1}},
        {10, 3, {3, 6, 4, 7, 7, 7, 7, 7}},
        {10, 13, {3}},
        {11, 2, {3, 6, 4, 4}},
        {11, 12, {3, 6}},
        {12, 0, {1, 1, 6, 4, 4, 4}},
        {12, 9, {1, 1, 1, 6, 4, 1, 1, 1, 1, 1, 1}},
    });
    s[1].objects = MakeSlots<kObjectSlots>({{0, {2, 80, 128}},
                                            {1, {1, 96, 128}},
                                            {2, {2, 100, 96}},
                                            {3, {1, 224, 176}},
                                            {4, {1, 218, 144}},
                                            {6, {3, 256, 176}}});
    s[1].decorations = MakeSlots<kDecorSlots>({{0, {2, 12, 34}}, {1, {3, 67, 100}}, {2, {1, 200, 56}}});

    s[2].terrain = MakeTerrain({
        {3, 12, {3}},
        {4, 11, {3, 6}},
        {5, 10, {1, 6, 7}},
        {6, 10, {4, 7}},
        {7, 8, {3}},
        {7, 10, {7}},
        {8, 7, {3, 6}},
        {9, 6, {3, 6, 7}},
        {10, 5, {3, 6, 7}},
        {11, 4, {3, 6, 4}},
        {12, 0, {1, 1, 1, 1, 6, 4, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}},
    });
    s[2].objects = MakeSlots<kObjectSlots>({{0, {2, 128, 96}},
                                            {1, {1, 192, 32}},
                                            {2, {2, 188, 176}},
                                            {3, {1, 160, 176}},
                                            {4, {1, 64, 160}},
                                            {5, {1, 232, 144}},
                                            {6, {3, 256, 176}}});
    s[2].hazards = MakeSlots<kHazardSlots>({{0, {kHazardA, 208, 160}}});
    s[2].decorations = MakeSlots<kDecorSlots>({{0, {3, 97, 140}}, {1, {2, 268, 53}}, {2, {1, 78, 42}}});

    s[3].terrain = MakeTerrain({
        {6, 11, {3}},
        {7, 10, {3, 6}},
        {8, 9, {3, 6, 7}},
        {9, 8, {1, 6, 7}},
        {10, 6, {2}},
        {10, 8, {4, 7}},
        {10, 11, {1, 1, 1, 1}},
        {11, 6, {5, 2, 7}},
        {11, 11, {7, 7, 7, 7}},
        {12, 0, {1, 1, 1, 1, 1}},
        {12, 6, {7, 5, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}},
    });
    s[3].objects = MakeSlots<kObjectSlots>({{0, {2, 64, 176}},
                                            {1, {2, 176, 176}},
                                            {2, {2, 144, 208}},
                                            {3, {2, 112, 160}},
                                            {4, {1, 160, 96}},
                                            {5, {1, 208, 128}},
                                            {6, {3, 256, 176}}});
    s[3].decorations = MakeSlots<kDecorSlots>({{0, {1, 100, 45}}, {1, {3, 250, 63}}, {2, {2, 0, 100}}});

    s[4].terrain = MakeTerrain({
        {7, 8, {3}},
        {8, 7, {1, 6}},
        {9, 7, {4, 7}},
        {10, 4, {1, 1, 1, 7}},
        {11, 4, {4, 4, 4}},
        {12, 0, {1, 1, 1}},
        {12, 4, {7, 7, 7}},
        {12, 16, {1, 1, 1, 1}},
    });
    s[4].objects = MakeSlots<kObjectSlots>({{0, {2, 32, 176}},
                                            {1, {2, 64, 144}},
                                            {2, {2, 96, 112}},
                                            {3, {2, 157, 128}},
                                            {4, {3, 206, 128}},
                                            {5, {2, 195, 144}},
                                            {6, {1, 240, 160}},
                                            {9, {3, 256, 176}}});
    s[4].hazards = MakeSlots<kHazardSlots>({{0, {kHazardB, 80, 128}}});
    s[4].decorations = MakeSlots<kDecorSlots>({{0, {3, 70, 72}}, {1, {1, 260, 56}}});
    return s;
}

// Constant-initialised, so the game state of the glue (another translation
// unit) copies the real tables whatever the order of dynamic initialisation.
constexpr std::array<Stage, kStages> kStageTables = BuildStages();

void Blit(tev::Sink& sink, int x, int y, int sx, int sy, int w, int h) {
    sink.Blit(kSheet, x, y, tev::Rect{sx, sy, w, h});
}

// Score as three 16x32 digits. The strip has ten digits, so a score past 999
// shows 999 rather than reading glyphs from outside the strip.
void DrawScore(tev::Sink& sink, int score, int x, int y) {
    int shown = std::clamp(score, 0, 999);
    int digits[3] = {shown / 100, shown / 10 % 10, shown % 10};
    for (int i = 0; i < 3; ++i) Blit(sink, x + 16 * i, y, (digits[i] + 30) * 16, 0, 16, 32);
}

void TitleStep(Game& g, const tev::Buttons& buttons, tev::Sink& sink) {
    sink.Blit(kTitleTexture, 0, 0, tev::Rect{0, 0, 320, 240});
    int gph = g.frame % 60;
    Blit(sink, 90, 120, gph < 3 ? 272 : 144, 144, 128, 64);
    Blit(sink, 122, 152, 128 + 32 * (gph / 15), 208, 32, 32);
    if (buttons.Pressed(tev::kButton1)) {
        sink.Play(sound::kStart);
        g.savedStage = 0;
        g.state = kIntro;
        if (g.music != sound::kMusic) {
            // The tune runs under all five stages, so it loops.
            sink.Play(sound::kMusic, true);
            g.music = sound::kMusic;
        }
    }
}

void IntroStep(Game& g, tev::Sink& sink) {
    for (int y = 0; y <= 192; y += 48)
        for (int x = 0; x <= 256; x += 64) Blit(sink, x, y, 512, 96, 64, 48);
    for (int k = 0; k <= g.stateTimer; ++k)
        for (int x = 0; x <= 256; x += 64) Blit(sink, x, 48 * k, 576, 96, 64, 48);
    if (g.stateTimer < 5 && g.frame % 12 == 0) ++g.stateTimer;
    if (++g.endTimer > 200) {
        g.runner.x = 0;
        g.runner.y = 176;
        g.runner.vx = g.runner.vy = g.runner.ax = g.runner.ay = 0;
        g.endTimer = 0;
        g.runner.runState = kGround;
        g.state = g.savedStage + 1;
        g.stateTimer = 0;
    }
}

bool Touches(const Slot& h, const Runner& r) {
    return h.x < r.x && r.x < h.x + 20 && h.y < r.y && r.y < h.y + 20;
}

// Presses score every object of the given kinds within 13 pixels.
template <typename OnScore>
void ScorePress(Stage& stage, const Runner& r, int kindA, int kindB, int top, Game& g, OnScore onScore) {
    for (Slot& o : stage.objects) {
        if (o.kind == kNoObject || (o.kind != kindA && o.kind != kindB)) continue;
        float dx = r.x - static_cast<float>(o.x);
        float dy = r.y - static_cast<float>(o.y);
        int points = BandPoints(dx * dx + dy * dy, top);
        if (points == 0) continue;
        g.score += points;
        int kind = o.kind;
        o.kind = kNoObject;
        onScore(kind);
    }
}

void Forces(Game& g, int b) {
    Runner& r = g.runner;
    if (r.runState == kGround) {
        int t = TileAt(g, b, static_cast<int>(r.y / 16) + 1, static_cast<int>((r.x + 7) / 16));
        switch (t) {
        case 0: r.runState = kAir; break;
        case 1: r.ax = r.ay = 0; r.vx = 1; r.vy = 0; r.spriteRow = 0; break;
        case 2:
        case 5: r.ax = r.ay = 0; r.vx = 1; r.vy = 1; r.spriteRow = 1; break;
        case 3:
        case 6: r.ax = r.ay = 0; r.vx = 0.5f; r.vy = -0.5f; r.spriteRow = 2; break;
        default: break;  // solid fill: the runner keeps its motion
        }
    }
    if (r.runState == kAir) r.ay = 0.0625f;
    if (r.runState == kFinalJump) {
        r.ay = 0.1f;
        if (r.y > 144 && r.vy >= 0) {
            r.landX = static_cast<int>(r.x);
            r.landY = static_cast<int>(r.y);
            r.vy = -5.0f;
            r.ay = 0.05f;
            g.goalResult[b] = kGoalCleared;
            g.endTimer = 1;
        }
    }
}

void Land(Game& g, int b) {
    Runner& r = g.runner;
    if (r.runState != kAir || !(r.vy > 0)) return;
    int row = static_cast<int>(r.y / 16);
    int col = static_cast<int>((r.x + 7) / 16);
    int t = TileAt(g, b, row + 1, col);
    float top = static_cast<float>(16 * row);
    float fx = r.x + 7 - static_cast<float>(16 * col);
    float fy = r.y - top;
    bool landed = true;
    if (t == 1) r.y = top;
    else if (t == 2 && fy >= fx) r.y = top + fx;
    else if (t == 3 && fx + fy >= 16) r.y = top + 16 - fx;
    else if (t == 5 && fy >= fx) r.y = top + fx - 16;
    else if (t == 6) r.y = top - fx;
    else landed = false;
    if (landed) r.runState = kGround;
}

void DrawStage(Game& g, int b, tev::Sink& sink) {
    Stage& st = g.stages[b - 1];
    for (int col = 0; col < kCols; ++col)
        for (int row = 0; row < kRows; ++row) Blit(sink, 16 * col, 16 * row, (st.terrain[row][col] + 27) * 16, 48, 16, 16);

    Blit(sink, 0, 0, 304, 208, 112, 32);
    Blit(sink, 112, 0, (b + 12) * 32, 208, 32, 32);
    Blit(sink, 192, 16, 432, 0, 48, 16);
    DrawScore(sink, g.score, 240, 0);

    for (const Slot& h : st.hazards) {
        if (h.kind == kHazardA) Blit(sink, h.x, h.y, 0, 128, 32, 32);
        else if (h.kind == kHazardB) Blit(sink, h.x, h.y, 0, 160, 32, 32);
    }
    if (g.goalResult[b] == kGoalOpen) {
        int u = g.frame % 140;
        int sx = u <= 70 ? 144 : u <= 80 ? 240 : u <= 120 ? 144 : 192;
        Blit(sink, 272, 144, sx, 0, 48, 48);
    }
    for (const Slot& o : st.objects) {
        if (o.kind == kPickup) Blit(sink, o.x, o.y, 0, 48, 16, 16);
        else if (o.kind == kJumpSpot || o.kind == kFinalSpot) Blit(sink, o.x, o.y, 16, 48, 16, 16);
    }

    // The stage-end timer runs six steps a frame, one per pass.
    bool changed = false;
    for (int k = 0; k < 6 && !changed; ++k) {
        if (g.endTimer >= 1) ++g.endTimer;
        const int t = g.endTimer;
        const Slot& h = st.hazards[k];
        if (h.kind == kHazardATouched || h.kind == kHazardBTouched) {
            int sy = h.kind == kHazardATouched ? 128 : 160;
            if (t > 700) {
                g.stateTimer = 0;
                g.state = kGameOver;
                changed = true;
                continue;
            }
            Blit(sink, h.x, h.y, t <= 120 ? 32 : t <= 180 ? 64 : 96, sy, 32, 32);
        }
        if (g.goalResult[b] == kGoalMissed) {
            if (t > 900) {
                g.stateTimer = 0;
                g.state = kGameOver;
                changed = true;
                continue;
            }
            if (t <= 120) Blit(sink, 272, 144, 96, 0, 48, 48);
            else if (t <= 180) Blit(sink, 272, 144, 144, 48, 48, 48);
            else if (t <= 300) Blit(sink, 272, 144, 192, 48, 48, 48);
            else if (t <= 400) Blit(sink, 272, 144, 240, 48, 48, 48);
            else Blit(sink, 272, 144, 192, 48, 48, 48);
        }
        if (g.goalResult[b] == kGoalCleared) {
            const Runner& r = g.runner;
            if (t <= 120) {
                Blit(sink, 272, 144, 144, 96, 48, 48);
                Blit(sink, r.landX, r.landY, 288, 0, 48, 32);
                if (t == 12) sink.Play(sound::kCleared);
            } else if (t <= 180) {
                Blit(sink, 272, 144, 192, 96, 48, 48);
                Blit(sink, r.landX, r.landY, 336, 0, 48, 32);
            } else if (t <= 500) {
                Blit(sink, 272, 144, 240, 96, 48, 48);
                if (t <= 260) Blit(sink, r.landX, r.landY, 384, 0, 48, 32);
            } else {
                g.savedStage = b;
                g.endTimer = 0;
                sink.Play(sound::kStageend);
                g.state = kIntro;
                changed = true;
            }
        }
    }

    const Runner& r = g.runner;
    if (r.runState != kStopped)
        Blit(sink, static_cast<int>(r.x), static_cast<int>(r.y), 16 * ((g.frame % 24) / 8), 16 * r.spriteRow, 16, 16);
    for (const Slot& d : st.decorations)
        if (d.kind != 0) Blit(sink, d.x, d.y, 48 * d.kind + 240, 64, 48, 32);
    for (int x = 0; x <= 288; x += 48) Blit(sink, x, 192, 464, 96, 48, 48);
    Blit(sink, 0, 208, 0, 256, 112, 32);
    Blit(sink, 240, 208, 112, 256, 80, 32);
}

void PlayStep(Game& g, int b, const tev::Buttons& buttons, tev::Sink& sink) {
    Stage& st = g.stages[b - 1];
    Runner& r = g.runner;

    for (Slot& h : st.hazards) {
        if (h.kind == kHazardA && g.endTimer == 0 && Touches(h, r)) {
            r.runState = kStopped;
            g.endTimer = 1;
            h.kind = kHazardATouched;
        }
        if (h.kind == kHazardB && g.endTimer == 0 && Touches(h, r)) {
            r.runState = kStopped;
            g.endTimer = 1;
            h.kind = kHazardBTouched;
        }
    }

    if (260 < r.x && r.x < 320 && g.endTimer == 0 && r.runState != kFinalJump && 144 < r.y && r.y < 192) {
        r.runState = kStopped;
        g.endTimer = 1;
        g.goalResult[b] = kGoalMissed;
    }

    if (buttons.Pressed(tev::kButton1) && r.runState != kStopped) {
        ScorePress(st, r, kPickup, kPickup, 20, g, [&](int) {
            sink.Play(sound::kPickup);
            ++g.pickups;
        });
    }
    if (buttons.Pressed(tev::kButton2) && r.runState != kStopped) {
        ScorePress(st, r, kJumpSpot, kFinalSpot, 40, g, [&](int kind) {
            sink.Play(sound::kJump);
            ++g.jumps;
            if (kind == kJumpSpot) {
                r.runState = kAir;
                r.vy = -2.0f;
            } else {
                r.runState = kFinalJump;
                r.vy = -2.5f;
                g.endTimer = 0;
            }
        });
    }

    Forces(g, b);

    r.vx += r.ax;
    if (r.runState != kStopped) r.x += r.vx;
    r.vy += r.ay;
    if (r.runState != kStopped) r.y += r.vy;

    Land(g, b);

    if (r.y > 300) {
        g.stateTimer = 0;
        g.state = kGameOver;
    }

    DrawStage(g, b, sink);
}

void ResultStep(Game& g, tev::Sink& sink) {
    ++g.stateTimer;
    for (int y = 0; y < 240; y += 16)
        for (int x = 0; x < 320; x += 16) Blit(sink, x, y, 432, 48, 16, 16);
    int h = (g.frame % 60) / 15;
    Blit(sink, 32, 0, 0, (h + 10) * 32, 256, 32);
    Blit(sink, 128, 48, 0, 48, 16, 16);
    Blit(sink, 128, 64, 16, 48, 16, 16);
    Blit(sink, 144, 48, 0, 304, 16, 16);
    Blit(sink, 144, 64, 0, 304, 16, 16);
    for (int x : {0, 16, 288, 304}) Blit(sink, x, 0, 16 * h, 224, 16, 32);
    auto twoDigits = [&](int value, int y) {
        int v = std::clamp(value, 0, 99);
        Blit(sink, 160, y, (v / 10 + 1) * 16, 304, 16, 16);
        Blit(sink, 176, y, (v % 10 + 1) * 16, 304, 16, 16);
    };
    twoDigits(g.pickups, 48);
    twoDigits(g.jumps, 64);
    Blit(sink, 96, 96, 432, 0, 48, 16);
    DrawScore(sink, g.score, 160, 80);
    Blit(sink, 48, 128, 256, 240, 224, 32);
    if (g.score > 540) {
        Blit(sink, 128, 160, 256, 400, 64, 64);
    } else {
        int sy = g.score <= 370 ? 304 : g.score <= 440 ? 336 : 368;
        Blit(sink, 0, 160, 256, sy, 160, 32);
        Blit(sink, 128, 192, 256, 272, 192, 32);
    }
    for (int at : {400, 440, 480, 520, 560})
        if (g.stateTimer == at) sink.Play(sound::kResult);
}

int GameOverStep(Game& g, tev::Sink& sink) {
    sink.Blit(kGameOverTexture, 0, 0, tev::Rect{0, 0, 320, 240});
    if (++g.stateTimer == 1) sink.StopAll();
    return g.stateTimer >= 200 ? 2 : 0;
}

}  // namespace

const std::array<Stage, kStages>& StageTables() { return kStageTables; }

int BandPoints(float d2, int top) {
    if (d2 <= 9) return top;
    if (d2 <= 49) return top / 2;
    if (d2 <= 169) return top / 4;
    return 0;
}

int TileAt(const Game& game, int stage, int row, int col) {
    if (stage < 1 || stage > kStages || row < 0 || row >= kRows || col < 0 || col >= kCols) return 0;
    return game.stages[stage - 1].terrain[row][col];
}

int Frame(Game& g, const tev::Buttons& buttons, bool escape, tev::Sink& sink) {
    ++g.frame;
    if (escape) return 2;
    switch (g.state) {
    case kTitle: TitleStep(g, buttons, sink); return 0;
    case kIntro: IntroStep(g, sink); return 0;
    case kResults:
        ResultStep(g, sink);
        return g.stateTimer >= 960 ? 1 : 0;
    case kGameOver: return GameOverStep(g, sink);
    default:
        if (g.state >= 1 && g.state <= kStages) PlayStep(g, g.state, buttons, sink);
        return 0;
    }
}

}  // namespace slope_runner
