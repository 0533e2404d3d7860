#include "games/arrow_sprint/arrow_sprint_rules.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace arrow_sprint {

const char* const kTitle = "アロースプリント";

namespace {

int RandomArrow(tev::Rand15& rng) { return rng.Next() % 4; }

void MoveTowardZero(int32_t& v) {
    if (v > 0) {
        v -= 1;
    } else if (v < 0) {
        v += 1;
    }
}

void ReadArrows(Game& g, const tev::Buttons& buttons, tev::Rand15& rng, tev::Sink& out) {
    const int target = g.arrows[g.arrow_pos];
    for (int d = 0; d < 4; ++d) {
        if (buttons.Pressed(d) && d != target) {
            g.speed -= 10;  // may dip below 0 until the next decay step
            out.Play(kSoundWrong);
        }
    }
    if (buttons.count[target] == 1) {
        out.Play(kSoundCorrect);
        g.arrows[g.arrow_pos] = RandomArrow(rng);
        g.arrow_pos = (g.arrow_pos + 1) % kArrowCount;
        g.speed = std::min(g.speed + 10, kMaxSpeed);
    }
    if (g.frames % 5 == 0) g.speed = std::max(g.speed - 1, 0);
}

void Fail(Game& g, tev::Sink& out) {
    g.state = kFailed;
    g.result = kResultFailed;
    out.Play(kSoundCrash);
}

void CheckCrash(Game& g, tev::Sink& out) {
    for (const Body& block : g.blocks) {
        if (!Overlaps(g.runner, block)) continue;
        g.runner.vx = 0;
        for (Body& b : g.blocks) b.vx = 0;
        g.runner.x = block.x - 10 * g.runner.w;
        Fail(g, out);
        return;
    }
}

void Land(Game& g) {
    for (const Body& block : g.blocks) {
        if (!Overlaps(g.runner, block)) continue;
        g.runner.vy = 0;
        g.runner.y = block.y - 10 * g.runner.h;
        g.airborne = 0;
        return;
    }
}

void Scroll(Game& g) {
    for (Body& block : g.blocks) {
        StepHorizontal(block);
        StepVertical(block);
        // The course index is bounded too, in case two blocks ever wrap in
        // one pass at the very end.
        if (block.x < kRecycleLeft && g.course_pos < kCourseEnd) {
            block.x += kRecycleShift;
            block.visible = g.course[g.course_pos] != 0;
            if (g.course_pos == kGoalAt) {
                block.visible = 1;
                block.u = kGoalU;
            }
            g.course_pos += 1;
        }
    }
    if (g.course_pos >= kCourseEnd) {
        g.state = kCleared;
        g.result = kResultCleared;
    }
}

}  // namespace

void Start(Game& g, tev::Rand15& rng) {
    g.runner = Body{};
    g.runner.w = g.runner.h = 16;
    g.runner.u = kRunnerU;
    g.runner.visible = 1;
    for (int k = 0; k < kBlockCount; ++k) {
        Body& b = g.blocks[k];
        b = Body{};
        b.x = 320 * k;
        b.y = 1800;
        b.w = b.h = 32;
        b.u = kGroundU;
        b.visible = 1;
    }
    for (auto& a : g.arrows) a = RandomArrow(rng);
    g.arrow_pos = 0;
    // Never two gaps in a row: a gap is only allowed after ground.
    bool previous_ground = true;
    for (auto& c : g.course) {
        const int r = rng.Next();
        if (r % 9 == 1 && previous_ground) {
            c = 0;
            previous_ground = false;
        } else {
            c = 1;
            previous_ground = true;
        }
    }
    g.course_pos = 0;
    g.speed = 0;
    g.state = kReady;
    g.airborne = 0;
}

void StepHorizontal(Body& b) {
    b.vx += b.ax;
    b.x += b.vx;
    MoveTowardZero(b.vx);
    b.vx = std::clamp(b.vx, -kVelocityLimit, kVelocityLimit);
}

void StepVertical(Body& b) {
    b.vy += b.ay;
    b.y += b.vy;
    MoveTowardZero(b.vy);
    b.vy = std::clamp(b.vy, -kVelocityLimit, kVelocityLimit);
    if (b.y / 10 < 0) {
        b.y = 0;
        b.vy = -b.vy;
    }
    if (b.y / 10 > 240) b.y = 2400;
}

bool Overlaps(const Body& runner, const Body& block) {
    if (!block.visible) return false;
    const int dx = (block.x / 10 + block.w / 2) - (runner.x / 10 + runner.w / 2);
    const int dy = (block.y / 10 + block.h / 2) - (runner.y / 10 + runner.h / 2);
    return std::abs(dx) < (block.w + runner.w) / 2 && std::abs(dy) < (block.h + runner.h) / 2;
}

int Frame(Game& g, const tev::Buttons& buttons, tev::Rand15& rng, tev::Sink& out) {
    if (g.state == kRunning) g.frames += 1;

    g.runner.ay = kGravity;
    for (Body& b : g.blocks) b.ax = 0;

    if (g.state == kRunning) ReadArrows(g, buttons, rng, out);

    for (Body& b : g.blocks) b.ax -= g.speed / 20;

    if (buttons.Count(tev::kButton1) != 0) {
        if (g.state == kReady) {
            g.state = kRunning;
        } else if (g.state == kRunning && !g.airborne) {
            g.runner.ay = kJumpPush;
            g.airborne = 1;
            out.Play(kSoundJump);
        }
    }

    if (buttons.Count(tev::kButton2) != 0 && (g.state == kFailed || g.state == kCleared)) return g.result;

    if (g.state == kRunning) {
        StepHorizontal(g.runner);
        CheckCrash(g, out);
    }

    StepVertical(g.runner);

    if (g.state == kReady || g.state == kRunning || g.state == kCleared) {
        Land(g);
        if (g.state == kRunning && g.runner.y / 10 >= 240) Fail(g, out);
    }

    if (g.state == kRunning) Scroll(g);

    Draw(g, out);
    return 0;
}

void Draw(const Game& g, tev::Sink& out) {
    const Body& r = g.runner;
    if (r.visible) out.Blit(kSheet, r.x / 10, r.y / 10, tev::Rect{r.u, 0, r.w, r.h});
    for (const Body& b : g.blocks)
        if (b.visible) out.Blit(kSheet, b.x / 10, b.y / 10, tev::Rect{b.u, 0, b.w, b.h});

    const int next1 = g.arrows[(g.arrow_pos + 1) % kArrowCount];
    const int next2 = g.arrows[(g.arrow_pos + 2) % kArrowCount];
    out.Blit(kSheet, 32, 0, kSmallArrows[next1]);
    out.Blit(kSheet, 48, 0, kSmallArrows[next2]);
    out.Blit(kSheet, 0, 0, kBigArrows[g.arrows[g.arrow_pos]]);

    out.Line(0, 230, 2 * g.speed, 230, 10, kYellow);
    for (int x = 0; x <= 120; x += 40) out.Line(x, 225, x, 235, 1, kRed);
    out.Line(0, 50, 313, 50, 10, kRed);
    out.Line(0, 50, g.course_pos * 320 / kCourseLength, 50, 10, kYellow);

    if (g.state == kCleared) {
        out.Text(120, 100, "CLEAR!");
        out.Text(120, 150, "Push 2 Button");
    } else if (g.state == kFailed) {
        out.Text(120, 100, "GAME OVER!");
        out.Text(120, 150, "Push 2 Button");
    } else if (g.state == kReady) {
        out.Text(120, 100, kTitle);
    }
    if (g.state == kRunning || g.state == kCleared) {
        // Right-aligned in the default face's 5-pixel cells: from frame
        // 1000 on, a time at x 280 would lose its last digits off the screen.
        char time[24];
        const int n = std::snprintf(time, sizeof time, "Time:%d", g.frames);
        out.Text(std::min(280, tev::kScreenWidth - 5 * n), 0, time);
    }
}

}  // namespace arrow_sprint
