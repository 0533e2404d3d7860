#include "games/ball_clash/ball_clash_rules.h"

#include <cmath>
#include <cstdio>

namespace ball_clash {

namespace {

struct Spot {
    int16_t x;
    int16_t y;
};

// Layouts -1 ... 7 as written; layout 8 is a grid built in PlaceLayout.
constexpr Spot kLayoutM1[] = {{70, 120}, {130, 120}, {190, 120}, {250, 120}};
constexpr Spot kLayout0[] = {{137, 60}, {137, 180}, {183, 60}, {183, 180}};
constexpr Spot kLayout1[] = {{70, 130}, {130, 130}, {190, 130}, {250, 130},
                             {70, 110}, {130, 110}, {190, 110}, {250, 110}};
constexpr Spot kLayout2[] = {{170, 80},  {150, 80},  {170, 160}, {150, 160},
                             {200, 110}, {200, 130}, {120, 110}, {120, 130}};
constexpr Spot kLayout3[] = {{130, 110}, {130, 130}, {190, 110}, {190, 130}, {160, 85}, {160, 155}};
constexpr Spot kLayout4[] = {{135, 120}, {185, 120}, {235, 120}, {285, 120}};
constexpr Spot kLayout5[] = {{130, 150}, {150, 150}, {170, 150}, {190, 150},
                             {130, 90},  {150, 90},  {170, 90},  {190, 90}};
constexpr Spot kLayout6[] = {{150, 150}, {170, 150}, {150, 90}, {170, 90},
                             {80, 150},  {240, 150}, {80, 90},  {240, 90}};
constexpr Spot kLayout7[] = {{150, 150}, {170, 150}, {140, 170}, {160, 170}, {180, 170}, {130, 190},
                             {150, 190}, {170, 190}, {190, 190}, {150, 90},  {170, 90},  {140, 70},
                             {160, 70},  {180, 70},  {130, 50},  {150, 50},  {170, 50},  {190, 50}};

struct Layout {
    const Spot* spots;
    int count;
};

template <size_t N>
constexpr Layout Of(const Spot (&spots)[N]) {
    return {spots, static_cast<int>(N)};
}

constexpr Layout kLayouts[] = {Of(kLayoutM1), Of(kLayout0), Of(kLayout1), Of(kLayout2), Of(kLayout3),
                               Of(kLayout4),  Of(kLayout5), Of(kLayout6), Of(kLayout7)};

constexpr int kGridColumns = 8;
constexpr int kGridLeft = 48;
constexpr int kGridTop = 8;
constexpr int kGridPitch = 32;

void Place(Ball& b, int x, int y, tev::Rand15& rand) {
    b.hits = 1;
    b.x = x;
    b.y = y;
    b.vx = 0;
    b.vy = 0;
    b.angle = rand.Next() % 360;
    b.spin = 1 + 358 * (rand.Next() & 1);
}

// Sets v to speed kKickSpeed along (dx, dy). Two centres on the same spot
// give no line to follow: the ball goes right rather than to NaN.
void Kick(double& vx, double& vy, double dx, double dy) {
    const double d = std::hypot(dx, dy);
    if (d > 0) {
        vx = kKickSpeed * dx / d;
        vy = kKickSpeed * dy / d;
    } else {
        vx = kKickSpeed;
        vy = 0;
    }
}

// One edge: position and velocity mirrored back inside [low, high].
void Reflect(double& p, double& v, double low, double high) {
    if (p < low) {
        p = 2 * low - p;
        v = std::fabs(v);
    } else if (p > high) {
        p = 2 * high - p;
        v = -std::fabs(v);
    }
}

// The messages in mid-table often sit on the pusher's pale knob: each gets
// a dark outline around its white letters.
constexpr int kAround[][2] = {{-1, 0}, {1, 0}, {0, -1}, {0, 1}, {1, 1}};

void Say(tev::Sink& out, int x, int y, const char* text) {
    out.SetTextColor(kShadowColor);
    for (const auto& d : kAround) out.Text(x + d[0], y + d[1], text);
    out.SetTextColor(kTextColor);
    out.Text(x, y, text);
}

void MovePusher(Game& g, const tev::Buttons& buttons) {
    if (buttons.Held(tev::kLeft) && g.px > 16) g.px -= kPusherStep;
    if (buttons.Held(tev::kRight) && g.px < 304) g.px += kPusherStep;
    if (buttons.Held(tev::kUp) && g.py > 16) g.py -= kPusherStep;
    if (buttons.Held(tev::kDown) && g.py < 224) g.py += kPusherStep;
}

// The table as a stage starts: its layout, the pusher in the middle.
void SetUpStage(Game& g, int layout, tev::Rand15& rand) {
    PlaceLayout(g, layout, rand);
    g.px = kPusherStartX;
    g.py = kPusherStartY;
    g.timer = kReadyFrames;
}

void Play(Game& g, const tev::Buttons& buttons, tev::Sink& out) {
    out.TextF(0, 0, "TIME %4d", g.timer);
    g.timer -= 1;
    if (g.timer > 0 && g.timer <= 180 && g.timer % 60 == 0) out.Play(sound::kTick);
    MovePusher(g, buttons);
    if (PushBalls(g)) out.Play(sound::kPush);
    const Clashes c = CollideBalls(g);
    const int n = LiveBalls(g);
    const int s = Stage(g);
    // One clash sound a frame, and none under the end of the stage: stacked
    // effects would clip.
    const bool ends = n <= 1 || g.timer <= 0;
    if (c.vanished > 0 && !ends) {
        out.Play(sound::kVanish);
    } else if (c.clashes > 0 && !ends) {
        out.Play(sound::kClash);
    }
    if (n == 0) {
        g.phase = 10 * s + kCleared;
        g.timer = kResultFrames;
        out.Play(sound::kClear);
    } else if (n == 1 || g.timer <= 0) {
        g.phase = 10 * s + kFailed;
        g.timer = kResultFrames;
        out.Play(sound::kFail);
    }
}

}  // namespace

void PlaceLayout(Game& g, int layout, tev::Rand15& rand) {
    if (layout < kFirstLayout || layout > kLastLayout) return;
    if (layout == kLastLayout) {
        for (int i = 0; i < kBallCount; ++i) {
            if (i == 27 || i == 28 || i == 35 || i == 36) continue;  // the pusher's start
            Place(g.balls[i], kGridLeft + kGridPitch * (i % kGridColumns),
                  kGridTop + kGridPitch * (i / kGridColumns), rand);
        }
        return;
    }
    const Layout& l = kLayouts[layout - kFirstLayout];
    for (int i = 0; i < l.count; ++i) Place(g.balls[i], l.spots[i].x, l.spots[i].y, rand);
}

void Start(Game& g, tev::Rand15& rand) {
    g.balls = {};
    PlaceLayout(g, kFirstLayout, rand);
}

void MoveBalls(Game& g) {
    for (Ball& b : g.balls) {
        b.x += b.vx;
        b.y += b.vy;
        Reflect(b.x, b.vx, 8, 312);
        Reflect(b.y, b.vy, 8, 232);
        b.angle = (b.angle + b.spin) % 360;
    }
}

bool PushBalls(Game& g) {
    bool turned = false;
    for (Ball& b : g.balls) {
        if (b.hits <= 0) continue;
        const double dx = b.x - g.px, dy = b.y - g.py;
        if (std::hypot(dx, dy) >= kPushReach) continue;
        const double oldVx = b.vx, oldVy = b.vy;
        Kick(b.vx, b.vy, dx, dy);
        // A ball already sliding away along the same line is no new shove.
        if (std::hypot(b.vx - oldVx, b.vy - oldVy) > 1) turned = true;
    }
    return turned;
}

Clashes CollideBalls(Game& g) {
    Clashes c;
    for (int i = 0; i < kBallCount; ++i) {
        Ball& a = g.balls[i];
        if (a.hits <= 0) continue;
        for (int j = i + 1; j < kBallCount; ++j) {
            Ball& b = g.balls[j];
            if (b.hits <= 0) continue;
            const double dx = a.x - b.x, dy = a.y - b.y;
            if (std::hypot(dx, dy) >= kClashReach) continue;
            ++c.clashes;
            for (Ball* p : {&a, &b}) {
                p->hits += 1;
                p->spin *= kSpinGain;
            }
            Kick(a.vx, a.vy, dx, dy);
            Kick(b.vx, b.vy, -dx, -dy);
            if (dx == 0 && dy == 0) b.vx = -a.vx;  // the fallback pushes both right: part them
            for (Ball* p : {&a, &b}) {
                if (p->hits >= kVanishHits) {
                    p->hits = 0;
                    ++c.vanished;
                }
            }
            break;
        }
    }
    return c;
}

int LiveBalls(const Game& g) {
    int n = 0;
    for (const Ball& b : g.balls) n += b.hits > 0 ? 1 : 0;
    return n;
}

int Frame(Game& g, const tev::Buttons& buttons, tev::Rand15& rand, tev::Sink& out) {
    MoveBalls(g);
    for (const Ball& b : g.balls) {
        if (b.hits <= 0) continue;
        out.Rotate(kSheet, static_cast<int>(std::lround(b.x)), static_cast<int>(std::lround(b.y)), 16, 16,
                   object::kBall, b.angle * 3.14159 / 180, 0);
    }
    out.Blit(kSheet, static_cast<int>(g.px) - 16, static_cast<int>(g.py) - 16, object::kPusher);

    const int s = Stage(g);
    switch (StepOf(g)) {
        case kTitle:
            Say(out, 135, 200, "press any key");
            if (buttons.Pressed(tev::kButton1)) {
                g.timer = kReadyFrames;
                g.phase = 10 * s + kReady;
            }
            break;
        case kReady:
            char ready[32];
            std::snprintf(ready, sizeof ready, "STAGE %d READY?", s + 1);
            Say(out, 110, 70, ready);
            if (--g.timer <= 0) {
                g.timer = kStageFrames;
                g.phase = 10 * s + kPlay;
                out.Play(sound::kGo);
            }
            break;
        case kPlay:
            Play(g, buttons, out);
            break;
        case kCleared:
            Say(out, 140, 120, "おめでたう");
            if (--g.timer <= 0) {
                // Stage s + 1 plays layout s; after the last stage there is none.
                SetUpStage(g, s, rand);
                if (s == kStages - 1) {
                    g.result = kAllCleared;
                } else {
                    g.lives += 1;
                    g.phase = 10 * (s + 1) + kReady;
                }
            }
            break;
        case kFailed:
            Say(out, 140, 120, "ざんねん！");
            if (--g.timer <= 0) {
                if (g.lives == 0) {
                    g.result = kGameOver;
                    Say(out, 140, 128, "game over");
                } else {
                    g.lives -= 1;
                    SetUpStage(g, s - 1, rand);
                    g.phase = 10 * s + kReady;
                }
            }
            break;
        default:
            break;
    }

    out.TextF(0, 230, "zanki %d", g.lives);
    out.TextF(0, 8, "stage %d", Stage(g) + 1);
    out.TextF(290, 0, "fps%2d", static_cast<int>(std::lround(out.FrameRate())));
    return g.result != kPlaying ? 1 : 0;
}

}  // namespace ball_clash
