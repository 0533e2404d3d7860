#include "games/one_stomp/one_stomp_rules.h"

#include <algorithm>
#include <cmath>

namespace one_stomp {

const char* const kTextClear = "Game Clear";
const char* const kTextOver = "Game Over";
const char* const kTextStompIt = "ちゃんと倒して！";

namespace {

constexpr int kTile = 16;
constexpr int kTileRows = 15;  // rows of the map under the 240-pixel window
constexpr double kJumpSpeed = 8;
constexpr double kGravity = 0.4;
constexpr double kDeathGravity = 0.2;
constexpr double kDeathFloor = -16;
constexpr int kDeathRestFrames = 60;
constexpr double kStompBounce = 0.8;
constexpr double kBumpSpeed = -8;
constexpr int kTouchDx = 14;
constexpr double kTouchH = 9;
constexpr int kBumpReach = 16;
constexpr int kMarkFrames = 60;
constexpr int kCoinFrames = 30;
constexpr int kSquashFrames = 60;

// Background tile t sits at (16 t, 16) of the sheet.
static_assert(tip::kSky.x == 0 && tip::kSky.y == kTile && tip::kStar.x == kTile && tip::kTwinkle.x == 2 * kTile);
constexpr tev::Rect kEnemyWalk[4] = {tip::kEnemyStand, tip::kEnemyStepA, tip::kEnemyStand, tip::kEnemyStepB};

int Round(double v) { return static_cast<int>(std::lround(v)); }

// Returns true on the frame the death fall has rested long enough.
bool UpdateRunner(Game& g, const tev::Buttons& buttons) {
    Runner& r = g.runner;
    r.anim = (r.anim + 1) % 20;
    if (r.mode == kDead) {
        if (r.h > kDeathFloor) {
            r.h += r.vh;
            r.vh -= kDeathGravity;
            return false;
        }
        return ++r.dead_frames == kDeathRestFrames;
    }
    if (r.mode != kRunning) return false;
    r.x += 1;
    g.camera = std::clamp(Round(r.x), kCameraMin, kCameraMax);
    if (r.presses < kMaxPresses) {
        // Buttons pressed together spend one press between them.
        if (buttons.AnyPressed()) {
            r.presses += 1;
            if (buttons.Pressed(g.jump_button)) {
                r.jumping = true;
                r.vh = kJumpSpeed;  // also in the air: a fresh jump
            }
        }
    }
    if (r.jumping) {
        r.h += r.vh;
        r.vh -= kGravity;
        if (r.h < 0) {
            r.jumping = false;
            r.h = 0;
        }
    }
    return false;
}

void UpdateEnemy(Enemy& e) {
    e.anim = (e.anim + 1) % 40;
    if (e.mode == kWalking) {
        e.x -= 1;
    } else if (e.mode == kSquashed) {
        if (++e.squash_frames >= kSquashFrames) e.mode = kGone;
    }
}

void CheckBlock(Game& g, tev::Sink& out) {
    Runner& r = g.runner;
    if (!r.jumping || r.vh < 0) return;
    if (std::abs(g.block.x - r.x) > kBumpReach || std::abs(g.block.h - r.h) > kBumpReach) return;
    r.vh = kBumpSpeed;
    g.block.shown = true;
    g.coin = Coin{static_cast<double>(g.block.x), static_cast<double>(g.block.h), 0, true};
    out.Play(sound::kBlock);
}

// True when the runner was hit.
bool CheckEnemy(Game& g, tev::Sink& out) {
    Runner& r = g.runner;
    Enemy& e = g.enemy;
    if (e.mode != kWalking) return false;
    if (std::abs(e.x - r.x) > kTouchDx || r.h > kTouchH) return false;
    if (!r.jumping) {
        r.mode = kDead;
        r.vh = kJumpSpeed;
        out.Play(sound::kDeath);
        return true;
    }
    e.mode = kSquashed;
    r.vh = kStompBounce;
    g.mark = StompMark{188 - r.h, 0, true};
    out.Play(sound::kKill);
    return false;
}

void Enter(Game& g, int state) {
    g.state = state;
    g.frames = 0;
}

void DrawBackground(const Game& g, tev::Sink& out) {
    const int left = g.camera - tev::kScreenWidth / 2;
    const int offset = left % kTile;
    const int column = left / kTile;
    for (int row = 0; row < kTileRows; ++row) {
        for (int i = 0, x = -offset; x < tev::kScreenWidth; ++i, x += kTile) {
            // The window can reach past the map's last column: the sky repeats.
            const int t = g.map[row][(column + i) % kMapColumns];
            tev::Rect src{kTile * t, tip::kSky.y, kTile, kTile};
            if (x < 0) {
                out.Blit(kTip, 0, row * kTile, {src.x - x, src.y, kTile + x, kTile});
            } else {
                out.Blit(kTip, x, row * kTile, src);
            }
        }
    }
}

// The ground scrolls with the background; the first tile is clipped at the
// left edge and the last at x = 320.
void DrawGround(const Game& g, tev::Sink& out) {
    const int offset = (g.camera - tev::kScreenWidth / 2) % kTile;
    const tev::Rect src = tip::kGround;
    for (int y : {kGroundY, kGroundY + kTile}) {
        for (int x = -offset; x < tev::kScreenWidth; x += kTile) {
            const int skip = x < 0 ? -x : 0;
            const int w = std::min(kTile, tev::kScreenWidth - x) - skip;
            out.Blit(kTip, x + skip, y, {src.x + skip, src.y, w, src.h});
        }
    }
}

void DrawRunner(const Game& g, tev::Sink& out) {
    const Runner& r = g.runner;
    tev::Rect src = tip::kRunnerWait;
    if (r.mode == kDead) {
        src = tip::kRunnerDead;
    } else if (r.jumping) {
        src = tip::kRunnerJump;
    } else if (r.mode == kRunning) {
        src = r.anim <= 9 ? tip::kRunnerRun1 : tip::kRunnerRun2;
    }
    out.Blit(kTip, RunnerScreenX(r.x), Round(kGroundY - r.h - 16), src);
}

void DrawEnemy(const Game& g, tev::Sink& out) {
    const Enemy& e = g.enemy;
    if (e.mode == kGone || std::abs(Round(e.x) - g.camera) > tev::kScreenWidth / 2) return;
    const int x = Round(e.x) - g.camera + 152;
    if (e.mode == kWalking) {
        out.Blit(kTip, x, kGroundY - 16, kEnemyWalk[e.anim / 10]);
    } else {
        const int c = e.squash_frames * 16 / kSquashFrames;
        out.Stretch(kTip, x, kGroundY - 16 + c, 16, 16 - c, tip::kEnemyStand, 0);
    }
}

void DrawScene(const Game& g, tev::Sink& out) {
    DrawBackground(g, out);
    DrawGround(g, out);
    DrawRunner(g, out);
    DrawEnemy(g, out);
    const int shift = tev::kScreenWidth / 2 - g.camera;
    if (g.mark.on) out.BlitCenter(kTip, 160, Round(g.mark.y), tip::kStompMark);
    if (g.coin.visible) out.BlitCenter(kTip, Round(g.coin.x) + shift, Round(kGroundY - g.coin.h), tip::kCoin);
    if (g.block.shown) out.BlitCenter(kTip, g.block.x + shift, kGroundY - g.block.h, tip::kBlock);
}

}  // namespace

void Start(Game& g, tev::Rand15& rng) {
    g.camera = kCameraMin;
    g.frames = 0;
    g.block.x = 250 + rng.Next() % 50;
    g.block.h = 32 + rng.Next() % 96;
    g.jump_button = rng.Next() % tev::kButtonCount;
    for (auto& row : g.map) {
        for (auto& tile : row) {
            const int r = rng.Next() % 10;
            tile = r == 0 ? 1 : r == 1 ? 2 : 0;
        }
    }
}

int RunnerScreenX(double x) {
    const int rx = Round(x);
    const int screen = rx <= kCameraMin ? rx : rx <= kCameraMax ? kCameraMin : rx - (kCameraMax - kCameraMin);
    return screen - 8;
}

int Step(Game& g, const tev::Buttons& buttons, tev::Sink& out) {
    g.frames += 1;
    switch (g.state) {
    case kTitle:
        if (buttons.Pressed(tev::kButton1)) {
            Enter(g, kReady);
            g.runner.mode = kRunning;
        }
        break;
    case kReady:
        if (g.frames >= kReadyFrames) {
            Enter(g, kPlay);
            out.Play(sound::kMusic);
        }
        break;
    case kPlay: {
        UpdateRunner(g, buttons);
        UpdateEnemy(g.enemy);
        if (g.mark.on) {
            g.mark.y -= 1;
            if (++g.mark.frames >= kMarkFrames) g.mark.on = false;
        }
        if (g.coin.visible) {
            g.coin.h += 2;
            if (++g.coin.frames >= kCoinFrames) g.coin.visible = false;
        }
        CheckBlock(g, out);
        if (CheckEnemy(g, out)) {
            Enter(g, kDying);
            out.Stop(sound::kMusic);
        } else if (g.runner.x > kGoalX) {
            Enter(g, kResult);
            out.Stop(sound::kMusic);
        }
        break;
    }
    case kResult:
        if (g.frames >= kResultFrames) {
            g.result = g.enemy.mode != kWalking ? kCleared : kFailed;
            return 1;
        }
        break;
    case kDying:
        if (UpdateRunner(g, buttons)) Enter(g, kResult);
        break;
    default:
        break;
    }
    return 0;
}

void Draw(const Game& g, tev::Sink& out) {
    if (g.state == kTitle || g.state == kPlay || g.state == kDying) DrawScene(g, out);
    switch (g.state) {
    case kTitle:
        out.Blit(kHelp, 0, 0, {0, 0, tev::kScreenWidth, tev::kScreenHeight});
        break;
    case kReady:
        out.Blit(kTip, 120, 100, tip::kRunnerWait);
        out.Blit(kTip, 160, 100, tip::kReadyCross);
        out.Blit(kTip, 180, 100, tip::kReadyOne);
        break;
    case kResult:
        if (g.enemy.mode == kWalking) {
            out.Text(100, 100, kTextOver);
            if (g.runner.mode != kDead) out.Text(120, 120, kTextStompIt);
        } else {
            out.Text(100, 100, kTextClear);
        }
        break;
    default:
        break;
    }
}

int Frame(Game& g, const tev::Buttons& buttons, tev::Sink& out) {
    const int end = Step(g, buttons, out);
    Draw(g, out);
    return end;
}

}  // namespace one_stomp
