#include "games/litter_sweep/litter_sweep_rules.h"

#include <algorithm>
#include <cstdlib>

namespace litter_sweep {

const char* const kTitle = "リッタースイープ";

namespace {

// A counter counts when it is non-zero: held, or released this frame.
bool On(const tev::Buttons& b, int button) { return b.Count(button) != 0; }

void MoveTowardZero(int32_t& v) {
    if (v > 0) {
        v -= 1;
    } else if (v < 0) {
        v += 1;
    }
}

// One axis of the bin step: move, slow by one, cap, bounce off either wall.
void StepAxis(int32_t& pos, int32_t& v, int size, int screen, tev::Sink& out) {
    pos += v;
    MoveTowardZero(v);
    v = std::clamp(v, -kMaxSpeed, kMaxSpeed);
    if (pos / 10 < 0) {
        pos = 0;
        v = -v;
        out.Play(kSoundBounce);
    }
    if (pos / 10 > screen - size) {
        pos = 10 * (screen - size);
        v = -v;
        out.Play(kSoundBounce);
    }
}

void PickUp(Game& g, tev::Sink& out) {
    for (Body& piece : g.litter) {
        if (!piece.visible || !Overlaps(piece, g.bin)) continue;
        piece.visible = 0;
        out.Play(kSoundPickup);
    }
}

bool AnyLitterLeft(const Game& g) {
    for (const Body& piece : g.litter)
        if (piece.visible) return true;
    return false;
}

// The clock and the stage's end, play state only.
void Tick(Game& g) {
    if (g.time_left > 0) g.time_left -= 1;
    bool ended = false;
    if (!AnyLitterLeft(g)) {
        g.stage_cleared[g.stage] = 1;
        g.stage_score[g.stage] = g.time_left;
        g.state = kStageResult;
        ended = true;
    }
    // Checked after the clear: the last piece on the clock's last frame is
    // too late.
    if (g.time_left == 0) {
        g.stage_cleared[g.stage] = 0;
        g.stage_score[g.stage] = 0;
        g.state = kStageResult;
        ended = true;
    }
    if (!ended) return;
    // Two failures leave nothing to play for: the third stage is skipped.
    const bool hopeless = g.stage == 1 && !g.stage_cleared[0] && !g.stage_cleared[1];
    if (hopeless) {
        g.stage_score[2] = -1;
        g.stage_cleared[2] = 0;
    }
    if (hopeless || g.stage == kStageCount - 1) EndGame(g);
}

void DrawBody(const Body& b, tev::Sink& out) {
    if (b.visible) out.Blit(kSheet, b.x / 10, b.y / 10, tev::Rect{b.u, 0, b.w, b.h});
}

void DrawFloor(tev::Sink& out) {
    const tev::Rect tile = pic::kFloor;
    for (int y = 0; y < tev::kScreenHeight; y += tile.h)
        for (int x = 0; x < tev::kScreenWidth; x += tile.w) out.Blit(kSheet, x, y, tile);
}

// A stage counts as played once its result is in.
bool Played(const Game& g, int i) { return i < g.stage || (i == g.stage && g.state == kStageResult); }

}  // namespace

void Start(Game& g, tev::Rand15& rng, const char* scorePath) {
    g.stage = 0;
    g.best.Load(scorePath, 0);
    StartStage(g, rng);
}

void StartStage(Game& g, tev::Rand15& rng) {
    g.time_left = kStageTime;
    g.state = kTitleScreen;
    g.ready_count = 0;
    g.bin = Body{};
    g.bin.w = g.bin.h = kBinSize;
    g.bin.u = kBinU;
    g.bin.visible = 1;
    for (int i = 0; i < kLitterCount; ++i) {
        Body& piece = g.litter[i];
        piece = Body{};
        piece.y = 10 * (rng.Next() % kLitterSpanY) + kLitterOffset;
        piece.x = 10 * (rng.Next() % kLitterSpanX) + kLitterOffset;
        piece.w = piece.h = kLitterSize;
        piece.u = kLitterKinds[i % kLitterKindCount].x;
        piece.visible = 1;
    }
}

void Push(Body& bin, const tev::Buttons& b) {
    const bool up = On(b, tev::kUp), down = On(b, tev::kDown);
    const bool left = On(b, tev::kLeft), right = On(b, tev::kRight);
    if (up && left) {
        bin.vx -= kPushDiagonal;
        bin.vy -= kPushDiagonal;
    } else if (up && right) {
        bin.vx += kPushDiagonal;
        bin.vy -= kPushDiagonal;
    } else if (down && left) {
        bin.vx -= kPushDiagonal;
        bin.vy += kPushDiagonal;
    } else if (down && right) {
        bin.vx += kPushDiagonal;
        bin.vy += kPushDiagonal;
    } else if ((down && up) || (left && right)) {
        // Opposite directions cancel.
    } else if (up) {
        bin.vy -= kPushStraight;
    } else if (down) {
        bin.vy += kPushStraight;
    } else if (left) {
        bin.vx -= kPushStraight;
    } else if (right) {
        bin.vx += kPushStraight;
    }
}

void StepBin(Body& bin, tev::Sink& out) {
    StepAxis(bin.x, bin.vx, bin.w, tev::kScreenWidth, out);
    StepAxis(bin.y, bin.vy, bin.h, tev::kScreenHeight, out);
}

bool Overlaps(const Body& a, const Body& b) {
    const int dx = (a.x / 10 + a.w / 2) - (b.x / 10 + b.w / 2);
    const int dy = (a.y / 10 + a.h / 2) - (b.y / 10 + b.h / 2);
    return std::abs(dx) < (a.w + b.w) / 2 && std::abs(dy) < (a.h + b.h) / 2;
}

int32_t Total(const Game& g) {
    int32_t total = 0;
    for (int32_t s : g.stage_score) total += s;
    return total;
}

void EndGame(Game& g) {
    g.stage = kStageCount;
    g.state = kGameResult;
    int cleared = 0;
    for (uint8_t c : g.stage_cleared) cleared += c ? 1 : 0;
    if (cleared < 2) {
        g.result = kResultFailed;
        return;
    }
    g.result = kResultCleared;
    // Equal to the best is not a new best.
    g.new_high = g.best.SaveIfHigher(Total(g));
}

int Frame(Game& g, const tev::Buttons& buttons, tev::Rand15& rng, tev::Sink& out) {
    if (g.state == kPlay) {
        Push(g.bin, buttons);
        StepBin(g.bin, out);
    }

    if (buttons.Held(tev::kButton1)) {
        if (g.state == kTitleScreen) {
            g.state = kReady;
            g.ready_count = kReadyTime;
        } else if (g.state == kStageResult) {
            g.stage += 1;
            StartStage(g, rng);
        } else if (g.state == kGameResult) {
            return g.result;
        }
    }

    PickUp(g, out);

    if (g.state == kPlay) Tick(g);

    if (g.state == kReady) {
        g.ready_count -= 1;
        if (g.ready_count <= 0) g.state = kPlay;
    }

    Draw(g, out);
    return 0;
}

void Draw(const Game& g, tev::Sink& out) {
    DrawFloor(out);
    if (g.state == kTitleScreen) {
        out.Text(100, 120, kTitle);
        out.Text(100, 180, "時間内にゴミ掃除をしよう");
        out.Text(100, 190, "3回中2回以上ならクリアです。");
        out.TextF(250, 0, "HI SCORE:%d", g.best.score());
        return;
    }

    DrawBody(g.bin, out);
    for (const Body& piece : g.litter) DrawBody(piece, out);

    if (g.state == kReady) {
        out.TextF(100, 120, "Ready?....%d", g.ready_count);
    } else if (g.state == kStageResult) {
        if (g.stage_cleared[g.stage]) {
            out.TextF(100, 120, "Stage %d Cleared!!", g.stage + 1);
        } else {
            out.TextF(100, 120, "Stage %d Failed..", g.stage + 1);
        }
    } else if (g.state == kGameResult) {
        out.Text(130, 80, "GameSet");
        for (int i = 0; i < kStageCount; ++i) {
            if (g.stage_cleared[i]) {
                out.TextF(100, 120 + 15 * i, "Stage%d : Cleared  +%d", i + 1, g.stage_score[i]);
            } else {
                out.TextF(100, 120 + 15 * i, "Stage%d : Failed..  %d", i + 1, g.stage_score[i]);
            }
        }
        if (g.result == kResultCleared) {
            out.TextF(100, 200, "Total :  Cleared!!  %d", Total(g));
        } else {
            out.TextF(100, 200, "Total :  Failed..   %d", Total(g));
        }
        if (g.new_high) out.Text(100, 220, "You got HiScore");
    }

    out.TextF(0, 0, "Time:%d", g.time_left);
    for (int i = 0; i < kStageCount; ++i) {
        const char* mark = !Played(g, i) ? "-" : g.stage_cleared[i] ? "○" : "×";
        out.Text(280 + 10 * i, 0, mark);
    }
}

}  // namespace litter_sweep
