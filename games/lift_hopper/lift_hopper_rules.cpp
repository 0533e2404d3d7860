#include "games/lift_hopper/lift_hopper_rules.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace lift_hopper {

const char* const kTitleText = "リフトホッパー";

namespace {

int FloorDiv(int a, int b) {
    int q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return q;
}

bool Within(int a, int b, int range) {
    const int d = a - b;
    return d >= -range && d <= range;
}

// Horizontal overlap of a lift with px - left ... px + right.
bool LiftOverX(const Lift& l, int from, int to) {
    return l.x < to && from < l.x + kTile * l.width;
}

bool LiftSpans(const Lift& l, int y) { return l.y <= y && y < l.y + kTile; }

void Forget(Player& p) {
    p.liftGrace = 0;
    p.standingLift = -1;
}

}  // namespace

int TileAt(const Game& g, int x, int y) {
    const int col = FloorDiv(x, kTile) + 1;
    const int row = FloorDiv(y, kTile) + 1;
    if (col < 0 || col >= kFileCols || row < 0 || row >= kFileRows) return kEmpty;
    return g.tiles[row * kFileCols + col];
}

bool SolidAt(const Game& g, int x, int y) {
    const int t = TileAt(g, x, y);
    return t == kSolid1 || t == kSolid2;
}

void ParseStage(Game& g, const uint8_t* data, size_t size) {
    int n = 0;             // values read
    int record[5] = {};    // the lift record being read
    int liftsRead = 0;
    for (size_t i = 0; i < size; ++i) {
        const int code = data[i];
        if (code < 48 || code > 127) continue;
        const int d = code - 48;
        if (n < kTileValues) {
            if (d >= 8) {
                g.tiles[n] = kEmpty;
                Item& it = g.items[n];
                it.active = true;
                it.kind = d - 8;
                it.x = kTile * (n % kFileCols - 1) + kTile / 2;
                it.y = kTile * (n / kFileCols - 1) + kTile / 2;
                it.timer = 0;
            } else {
                g.tiles[n] = static_cast<uint8_t>(d);
            }
        } else if (n == kTileValues) {
            g.player.px = kTile * (d - 1) + kTile / 2;
        } else if (n == kTileValues + 1) {
            g.player.py = kTile * (d - 1) + kTile / 2;
        } else {
            const int field = (n - kTileValues - 2) % 5;
            record[field] = d;
            // More records than lift slots are read and dropped.
            if (field == 4 && liftsRead < kLiftCount) {
                Lift& l = g.lifts[liftsRead++];
                l.active = true;
                l.x = kTile * (record[0] - 1);
                l.y = kTile * (record[1] - 1);
                l.width = record[2];
                l.speed = record[3] == 1 ? -10 * record[4] : 10 * record[4];
            }
        }
        ++n;
    }
}

bool LoadStage(Game& g, int stage) {
    g.timeLeft = kStageTime;
    g.dying = 0;
    g.tiles.fill(kEmpty);
    for (Lift& l : g.lifts) l = Lift{};
    for (Item& it : g.items) it = Item{};
    // A new stage starts at rest, not with the last stage's fall or jump.
    g.player.vy = 0;
    Forget(g.player);
    char path[260];
    std::snprintf(path, sizeof path, "%s%sstage%d.dat", g.folder, g.folder[0] ? "/" : "", stage);
    std::FILE* f = std::fopen(path, "rb");
    if (!f) return false;
    std::vector<uint8_t> bytes;
    uint8_t buffer[4096];
    for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, f)) > 0;) {
        bytes.insert(bytes.end(), buffer, buffer + got);
        if (bytes.size() > (1u << 20)) break;  // a stage is a few hundred bytes
    }
    std::fclose(f);
    ParseStage(g, bytes.data(), bytes.size());
    return true;
}

int Start(Game& g, const tev::ScoreFile& best) {
    g.highScore = best.score();
    g.stage = 1;
    if (!LoadStage(g, 1)) return -1;
    g.screen = kTitle;
    return 0;
}

void WalkStep(Game& g, const tev::Buttons& b, tev::Sink& out) {
    Player& p = g.player;
    // 1. The clock.
    if (g.timeLeft-- <= 1) g.dying = 1;

    // 2. Walking: tiles ahead at the feet and the head, or a lift in the way.
    auto liftBlocks = [&](int from, int to) {
        for (const Lift& l : g.lifts)
            if (l.active && LiftOverX(l, from, to) && l.y < p.py + 799 && p.py - 799 < l.y + kTile) return true;
        return false;
    };
    const bool right = b.Held(tev::kRight);
    const bool left = !right && b.Held(tev::kLeft);
    if (right) {
        if (!SolidAt(g, p.px + 320, p.py + 799) && !SolidAt(g, p.px + 320, p.py - 799) &&
            !liftBlocks(p.px - 300, p.px + 320))
            p.px += kUnit;
        p.px = std::min(p.px, 31700);
        p.facing = 0;
    } else if (left) {
        if (!SolidAt(g, p.px - 320, p.py + 799) && !SolidAt(g, p.px - 320, p.py - 799) &&
            !liftBlocks(p.px - 320, p.px + 300))
            p.px -= kUnit;
        p.px = std::max(p.px, 300);
        p.facing = 1;
    }
    if (p.anim != kJumping) p.anim = right || left ? kWalking : kStanding;

    // 3. Jumping, from the ground or just after a lift; a jump reveals the
    // hidden coins right beside the player.
    if (b.Pressed(tev::kButton1) && (p.vy == 0 || p.liftGrace == 2)) {
        p.vy = kJumpSpeed;
        p.anim = kJumping;
        Forget(p);
        out.Play(kJumpSound);
        for (Item& it : g.items)
            if (it.active && it.kind == kHiddenCoin && Within(it.x, p.px, 600) && Within(it.y, p.py, 600)) {
                it.kind = kCoin;
                it.timer = kCoinTimer;
            }
    }

    // 4. Moving, stopped by the top of the screen; below the bottom is lost.
    p.py += p.vy;
    if (p.py < kTop) {
        p.py = kTop;
        p.vy = 0;
    } else if (p.py > kBottom) {
        g.dying = 1;
    }

    // 5. The head against a tile or the underside of a lift.
    if (SolidAt(g, p.px - 300, p.py - 799) || SolidAt(g, p.px + 290, p.py - 799)) {
        p.vy = 0;
        p.py = kTile * FloorDiv(p.py - 799, kTile) + 2399;
    }
    for (const Lift& l : g.lifts) {
        if (!l.active || !LiftOverX(l, p.px - 300, p.px + 300) || !LiftSpans(l, p.py - 799)) continue;
        if (l.speed > 0) p.vy = l.speed;
        p.py = l.y + 2410;
    }

    // 6. Coins.
    for (Item& it : g.items) {
        if (it.active && it.kind == kCoin && it.timer == 0 && Within(it.x, p.px, 1580) &&
            Within(it.y, p.py, 1580)) {
            g.score += kCoinScore;
            it.active = false;
            out.Play(kCoinSound);
        }
        if (it.timer > 0) --it.timer;
    }

    // 7. The goal: the time left is the bonus.
    if (TileAt(g, p.px, p.py) == kGoal) {
        g.dying = -1;
        p.anim = kStanding;
        g.score += g.timeLeft;
    }
}

void LiftStep(Game& g) {
    Player& p = g.player;
    for (int k = 0; k < kLiftCount; ++k) {
        Lift& l = g.lifts[k];
        if (!l.active) continue;
        l.y += l.speed;
        if (l.speed > 0 && k == p.standingLift) p.py += l.speed;
        if (l.y > kBottom) l.y -= 25600;
        else if (l.y < -kTile) l.y += 25600;
    }
}

void LandStep(Game& g) {
    Player& p = g.player;
    bool landed = false;
    int height = 0;
    if (p.vy >= 0) {
        const int feet = p.py + 800;
        int liftHeight = 0, liftIndex = -1;
        for (int k = 0; k < kLiftCount; ++k) {
            const Lift& l = g.lifts[k];
            if (!l.active || !LiftOverX(l, p.px - 300, p.px + 300) || !(l.y < feet && feet < l.y + kTile)) continue;
            if (liftIndex < 0 || l.y - 800 < liftHeight) {
                liftHeight = l.y - 800;
                liftIndex = k;
            }
        }
        if (liftIndex >= 0) {
            p.standingLift = liftIndex;
            p.liftGrace = 3;
            landed = true;
            height = liftHeight;
        } else if (p.liftGrace > 0 && --p.liftGrace == 0) {
            p.standingLift = -1;
        }
        if (SolidAt(g, p.px - 300, feet) || SolidAt(g, p.px + 290, feet)) {
            const int ground = kTile * FloorDiv(feet, kTile) - 800;
            if (!landed || ground < height) height = ground;
            landed = true;
        }
    }
    if (landed) {
        p.vy = 0;
        p.py = height;
        if (p.py < kTop) g.dying = 1;
        bool squashed = SolidAt(g, p.px - 300, p.py - 799) || SolidAt(g, p.px + 290, p.py - 799);
        for (const Lift& l : g.lifts)
            squashed = squashed || (l.active && LiftOverX(l, p.px - 300, p.px + 300) && LiftSpans(l, p.py - 799));
        if (squashed) g.dying = 1;
        if (p.anim == kJumping) p.anim = kWalking;
    } else {
        p.vy += kGravity;
        if (p.vy > kFatalFall) g.dying = 1;
    }
}

// Walking frames: stand, step, stand, stride; three drawn frames each.
constexpr tev::Rect kWalkCycle[4] = {tip::kHeroStand, tip::kHeroStep, tip::kHeroStand, tip::kHeroStride};

void DrawStage(Game& g, tev::Sink& out) {
    using namespace tip;
    for (const Lift& l : g.lifts) {
        if (!l.active) continue;
        const int x = FloorDiv(800 * l.width + l.x - 800, kUnit);
        for (int y = 0; y <= 224; y += 16) out.Blit(kTexture, x, y, kRail);
    }
    for (const Lift& l : g.lifts) {
        if (!l.active) continue;
        for (int i = 0; i < l.width; ++i)
            out.Blit(kTexture, FloorDiv(kTile * i + l.x, kUnit), FloorDiv(l.y, kUnit), kLift);
    }
    for (int row = 0; row < kScreenRows; ++row)
        for (int col = 0; col < kScreenCols; ++col) {
            const int t = g.tiles[(row + 1) * kFileCols + col + 1];
            out.Blit(kTexture, 16 * col, 16 * row, tev::Rect{kBrick.x, 16 * t, 16, 16});
        }
    for (const Item& it : g.items)
        if (it.active && it.kind == kCoin)
            out.BlitCenter(kTexture, FloorDiv(it.x, kUnit), FloorDiv(it.y, kUnit), kCoinSprite);

    Player& p = g.player;
    if (p.anim == kWalking) {
        if (++p.walkFrame > 11) p.walkFrame = 0;
    } else {
        p.walkFrame = 0;
    }
    // Blinks while dying; steady while the stage-clear count runs.
    if (g.dying <= 0 || g.dying % 10 < 5) {
        const tev::Rect frame = p.anim == kJumping ? kHeroJump
                                : p.anim == kWalking ? kWalkCycle[p.walkFrame / 3]
                                                     : kHeroStand;
        out.BlitCenter(kTexture, FloorDiv(p.px, kUnit), FloorDiv(p.py, kUnit), frame, p.facing ? tev::kFlipX : 0);
    }
    out.TextF(0, 0, "SCORE %8.8d", g.score);
    if (g.timeLeft > 600 || g.timeLeft % 10 < 5) {
        const int w = g.timeLeft / 18;
        out.FillRect(320 - w, 0, w, 10, kTimerColor);
    }
}

int Frame(Game& g, const tev::Buttons& b, tev::Sink& out) {
    if (g.screen == kTitle) {
        out.StopAll();
        out.Text(140, 50, kTitleText);
        out.TextF(110, 100, "HI-SCORE     %8.8d", g.highScore);
        out.Text(130, 200, "Push   Bottun1");
        out.Blit(kTexture, 96, 120, tip::kTitleCard);
        if (b.Pressed(tev::kButton1)) {
            g.screen = kPlay;
            out.Play(kMusic, true);
        }
        return 0;
    }
    if (g.screen == kGameOver) {
        out.Text(135, 50, "Game Over");
        out.TextF(110, 100, "SCORE        %8.8d", g.score);
        out.Text(115, 200, "Push Bottun1 to Exit");
        if (b.Pressed(tev::kButton1)) {
            g.result = kGameOverResult;
            return 1;
        }
        return 0;
    }
    if (g.dying > 0) {
        if (g.dying == 1) {
            out.Stop(kMusic);
            out.Play(kDeadSound);
        }
        if (++g.dying > kDyingFrames) {
            g.screen = kGameOver;
            return 0;
        }
    } else if (g.dying < 0) {
        --g.dying;
        out.TextF(130, 50, "Stage%d Clear", g.stage);
        out.TextF(110, 100, "BONUS        %8d", g.timeLeft);
        if (g.dying < -kClearFrames) {
            if (g.stage >= kStageCount) {
                g.result = kAllCleared;
                return 1;
            }
            LoadStage(g, ++g.stage);
            return 0;
        }
    } else {
        WalkStep(g, b, out);
        LiftStep(g);
        LandStep(g);
    }
    DrawStage(g, out);
    return 0;
}

int CleanUp(const Game& g, tev::ScoreFile& best) {
    best.Save(std::max(g.highScore, g.score));
    return g.result;
}

}  // namespace lift_hopper
