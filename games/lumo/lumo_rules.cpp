#include "games/lumo/lumo_rules.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace lumo {

const char* const kTitle = "オーブバースト";
const char* const kScoreFileName = "score.dat";

namespace {

constexpr double kPi = 3.141592;
constexpr double kGravity = 0.05;
constexpr double kOrbRight = 320;
constexpr double kOrbBottom = 235;
constexpr double kPush = 0.9;          // one direction held
constexpr double kDiagonalPush = 0.6363;  // two held: about 0.9 / sqrt(2)
constexpr double kCursorDrag = 0.9;
constexpr double kCursorRight = 320;
constexpr double kCursorBottom = 240;
constexpr double kCursorReach = 18;    // beyond an orb's radius, in pixels

double Unit(int draw) { return draw / 32767.0 - 0.5; }

// A direction drawn from one 15-bit value, over the whole circle.
double Angle(int draw) { return Unit(draw) * 2 * kPi; }

bool Counts(const tev::Buttons& b, int button) { return b.Count(button) != 0; }

void Bounce(double& p, double& v, double high) {
    if ((p < 0 && v < 0) || (p > high && v > 0)) v = -v;
    if (p < 0) p = -p;
    if (p > high) p = 2 * high - p;
}

void Split(Game& g, const Orb& parent, tev::Rand15& rng) {
    int children = 4;
    if (parent.level > 1) children = rng.Next() > 16383 ? 3 : 4;
    const int spread = Diameter(parent.level + 1);
    for (int i = 0; i < children; ++i) {
        const double a = Angle(rng.Next());
        const double dx = Unit(rng.Next()) * 2 * spread;
        const double dy = Unit(rng.Next()) * 2 * spread;
        Orb child;
        child.level = parent.level + 2;
        child.live = 1;
        child.age = 0;
        child.x = parent.x + dx;
        child.y = parent.y + dy;
        child.vx = parent.vx + 3 * std::cos(a);
        child.vy = parent.vy + 3 * std::sin(a);
        AddOrb(g, child);
    }
}

// Scores stay 32-bit in the file; a long combo saturates instead of wrapping.
int32_t AddScore(int32_t score, int level, int combo) {
    const int64_t c = combo;
    const int64_t sum = static_cast<int64_t>(score) + static_cast<int64_t>(level + 1) * c * c;
    return sum > std::numeric_limits<int32_t>::max() ? std::numeric_limits<int32_t>::max()
                                                     : static_cast<int32_t>(sum);
}

void SaveBest(Game& g) {
    if (g.saved) return;
    g.saved = true;
    g.best.Save(g.high);
}

void Timer(Game& g, const tev::Buttons& buttons, tev::Sink& out) {
    out.SetFrequency(sound::kMusic, MusicFrequency(g.time_left));
    if (g.time_left > 0 && !g.ended) {
        if (LiveOrbs(g) == 0) {
            g.cleared = true;
            g.ended = true;
        } else {
            g.time_left -= 1;
        }
    }
    if (g.time_left == 0) g.ended = true;
    if (!g.ended) return;
    if (g.cleared) {
        if (g.score > g.high) g.high = g.score;
        out.TextF(100, 100, "GameCleared%s", g.score == g.high ? " and You got HiScore!!" : ".");
    } else {
        out.Text(100, 100, "GameFailed.");
    }
    out.Text(100, 110, "Push Button2 to exit.");
    if (Counts(buttons, tev::kButton2)) {
        g.leave = true;
        if (g.cleared && g.score == g.high) SaveBest(g);
    }
}

void DrawStatus(const Game& g, tev::Sink& out) {
    out.TextF(0, 0, "Score %10d", g.score);
    out.TextF(80, 0, "Combo %10d", g.combo);
    out.TextF(160, 0, "Time %2d.%2d", g.time_left / 60, (g.time_left % 60) * 100 / 60);
    out.TextF(220, 0, "HiScore %10d", g.high);
}

}  // namespace

int Diameter(int level) { return level >= 0 && level < 9 ? 256 >> level : 0; }

int LiveOrbs(const Game& g) {
    int n = 0;
    for (const Orb& o : g.orbs) n += o.live != 0;
    return n;
}

bool AddOrb(Game& g, const Orb& orb) {
    for (Orb& slot : g.orbs) {
        if (slot.live) continue;
        slot = orb;
        slot.live = 1;
        return true;
    }
    return false;
}

uint32_t MusicFrequency(int time_left) { return static_cast<uint32_t>(48 - time_left / 600) * 1024u; }

void Start(Game& g, tev::Rand15& rng, const char* scorePath) {
    const double a = Angle(rng.Next());
    Orb first;
    first.level = 0;
    first.live = 1;
    first.age = 0;
    first.x = rng.Next() % 320;
    first.y = rng.Next() % 235;
    first.vx = 3 * std::cos(a);
    first.vy = 3 * std::sin(a);
    AddOrb(g, first);
    g.time_left = kGameFrames;
    g.countdown = kCountdownFrames;
    g.score = 0;
    g.combo = 0;
    g.best.Load(scorePath, 0);
    g.high = g.best.score();
}

void MoveOrbs(Game& g) {
    for (Orb& o : g.orbs) {
        if (!o.live) continue;
        o.age += 1;
        o.vy += kGravity;
        o.x += o.vx;
        o.y += o.vy;
        Bounce(o.x, o.vx, kOrbRight);
        Bounce(o.y, o.vy, kOrbBottom);
    }
}

void MoveCursor(Game& g, const tev::Buttons& b) {
    const bool up = Counts(b, tev::kUp), down = Counts(b, tev::kDown);
    const bool left = Counts(b, tev::kLeft), right = Counts(b, tev::kRight);
    // First match wins: opposite directions never cancel, the first listed counts.
    if (up && left) {
        g.cvy -= kDiagonalPush;
        g.cvx -= kDiagonalPush;
    } else if (up && right) {
        g.cvy -= kDiagonalPush;
        g.cvx += kDiagonalPush;
    } else if (down && left) {
        g.cvy += kDiagonalPush;
        g.cvx -= kDiagonalPush;
    } else if (down && right) {
        g.cvy += kDiagonalPush;
        g.cvx += kDiagonalPush;
    } else if (up) {
        g.cvy -= kPush;
    } else if (down) {
        g.cvy += kPush;
    } else if (left) {
        g.cvx -= kPush;
    } else if (right) {
        g.cvx += kPush;
    }
    const double speed = std::hypot(g.cvx, g.cvy) * kCursorDrag;
    const double heading = std::atan2(g.cvy, g.cvx);
    g.cvx = speed * std::cos(heading);
    g.cvy = speed * std::sin(heading);
    g.cx += g.cvx;
    g.cy += g.cvy;
    if (g.cx < 0 && g.cvx < 0) {
        g.cx = 0;
        g.cvx = -g.cvx;
    }
    if (g.cx > kCursorRight && g.cvx > 0) {
        g.cx = kCursorRight;
        g.cvx = -g.cvx;
    }
    if (g.cy < 0 && g.cvy < 0) {
        g.cy = 0;
        g.cvy = -g.cvy;
    }
    if (g.cy > kCursorBottom && g.cvy > 0) {
        g.cy = kCursorBottom;
        g.cvy = -g.cvy;
    }
}

void Burst(Game& g, tev::Rand15& rng, tev::Sink& out) {
    bool hit = false;
    for (Orb& o : g.orbs) {
        if (!o.live || o.age < kBurstAge) continue;
        const double r = Diameter(o.level + 1);
        const double dx = o.x - g.cx, dy = o.y - g.cy;
        if (dx * dx + dy * dy > r * r + kCursorReach * kCursorReach) continue;
        hit = true;
        g.combo += 1;
        if (g.combo < kComboPitchLimit)
            out.SetFrequency(sound::kBurst, static_cast<uint32_t>(g.combo + 20) * 512u);
        g.score = AddScore(g.score, o.level, g.combo);
        out.Play(sound::kBurst);
        // Children go to free records while the parent still holds its own.
        if (o.level <= kLastSplitLevel) Split(g, Orb(o), rng);
        o.live = 0;
    }
    if (!hit) {
        g.combo = 0;
        out.Play(sound::kMiss);
    }
}

void Fuse(Game& g) {
    for (int i = 0; i < kOrbSlots; ++i) {
        Orb& a = g.orbs[i];
        // Level 0 is the largest orb there is: nothing to fuse into.
        if (!a.live || a.age < kFuseAge || a.level <= 0) continue;
        const double reach = Diameter(a.level);
        for (int j = i + 1; j < kOrbSlots; ++j) {
            Orb& b = g.orbs[j];
            if (!b.live || b.age < kFuseAge || b.level != a.level) continue;
            const double dx = a.x - b.x, dy = a.y - b.y;
            if (dx * dx + dy * dy >= reach * reach) continue;
            Orb fused;
            fused.level = a.level - 1;
            fused.live = 1;
            fused.age = kBurstAge;
            fused.x = (a.x + b.x) / 2;
            fused.y = (a.y + b.y) / 2;
            fused.vx = (a.vx + b.vx) / 2;
            fused.vy = (a.vy + b.vy) / 2;
            a.live = 0;
            b.live = 0;
            AddOrb(g, fused);
            break;
        }
    }
}

int Frame(Game& g, const tev::Buttons& buttons, tev::Rand15& rng, tev::Sink& out) {
    MoveOrbs(g);
    MoveCursor(g, buttons);

    if (!g.started) {
        out.Text(100, 100, "Push Button2 to Start");
        if (Counts(buttons, tev::kButton2)) g.started = true;
    } else if (!g.running) {
        // Counted down before it is shown, so the screen reads 3, 2, 1 for
        // exactly 60 frames each.
        if (g.countdown > 0) {
            g.countdown -= 1;
            out.TextF(140, 100, "%d", g.countdown / 60 + 1);
        }
        if (g.countdown == 0) g.running = true;
    }
    if (g.running) {
        Timer(g, buttons, out);
        if (!g.ended && buttons.Pressed(tev::kButton1)) Burst(g, rng, out);
    }

    Fuse(g);

    out.SetBlendMode(kBlendAdd);
    for (const Orb& o : g.orbs) {
        if (!o.live) continue;
        const int d = Diameter(o.level);
        out.StretchCenter(kOrbTexture, static_cast<int>(std::lround(o.x)), static_cast<int>(std::lround(o.y)), d, d,
                          kOrbImage, 0);
    }
    out.SetBlendMode(kBlendAlpha);
    out.BlitCenter(kCursorTexture, static_cast<int>(std::lround(g.cx)), static_cast<int>(std::lround(g.cy)),
                   kCursorImage);

    DrawStatus(g, out);

    if (g.leave) {
        g.result = g.cleared ? kResultCleared : kResultFailed;
        return 1;
    }
    return 0;
}

int Finish(Game& g) {
    if (g.ended && g.cleared && g.score == g.high) SaveBest(g);
    return g.result;
}

}  // namespace lumo
