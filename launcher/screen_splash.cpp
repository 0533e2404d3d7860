// Opening splash: "Presented by" and the team's name, whose middle word is
// shuffled letter by letter until the player stops it with button 1. Also
// the attract screen the title falls back to when left alone.
#include <cstdint>
#include <cstring>
#include "launcher/hsv_color.h"
#include "launcher/launcher_shell.h"
#include "launcher/screen_layout.h"
#include "launcher/screens.h"

namespace launcher {
namespace {

// "Tev ARCADE team": the middle word is the one the player must stop.
constexpr char kGroupName[] = "Tev";
constexpr char kTag[7] = "ARCADE";
constexpr char kGroupLastWord[] = "team";

constexpr int kSpinFrames = 600;   // time-out of the spinning letters
constexpr int kShowFrames = 449;   // counter value that ends a result phase
constexpr int kInputDelay = 30;    // button 1 ignored this long after a change

struct Particle {
    int32_t counter;
    double x, y;
    int32_t size;
    double speed;
    double hue;
};

struct Splash {
    int phase = 0;        // 0 spinning, 1 result, 2 solved
    int counter = 0;
    char letters[6] = {};
    int result = 0;       // 1 hit, 0 miss, -1 time-out
    Particle particles[6] = {};
} g;

void StartParticles() {
    for (Particle& p : g.particles) {
        p.counter = 0;
        p.size = 20;
        p.x = Rand() % 300 + 10;
        p.y = 240;
        // Whole steps: two speeds and the six whole hues (6 itself is black).
        p.speed = (Rand() & 0xFF) / 170 + 1.5;
        p.hue = (Rand() & 0xFF) * 6 / 255;
    }
}

void MoveParticles() {
    for (Particle& p : g.particles) {
        ++p.counter;
        if (p.counter < 60) p.y -= p.speed;
        else if (p.counter < 100) p.size += 4;
    }
}

void DrawParticles() {
    ITevDraw& d = Draw();
    D2().SetBlendMode(2);
    for (const Particle& p : g.particles) {
        if (p.counter >= 100) continue;
        uint32_t tint = HsvColor(255, p.hue, 1, 255);
        int size = 16;
        if (p.counter >= 60) {
            tint = (tint & 0x00FFFFFF) | static_cast<uint32_t>(615 - 6 * p.counter) << 24;
            size = p.size;
        }
        d.SetTextureColor(kTexFrame, tint);
        D2().DrawStretchCenter(kTexFrame, static_cast<int>(p.x), static_cast<int>(p.y), size, size, 384, 324,
                               128, 128, 0);
    }
    d.SetTextureColor(kTexFrame, kWhite);
    D2().SetBlendMode(1);
}

bool Solved() { return std::memcmp(g.letters, kTag, 6) == 0; }

void Shuffle() {
    for (int i = 0; i < 6; ++i) {
        int j = Rand() % 6;
        char t = g.letters[i];
        g.letters[i] = g.letters[j];
        g.letters[j] = t;
    }
}

// One frame that only clears, then the title.
int ClearThenTitle() {
    Draw().Clear();
    Stack().Replace(TitleEnter);
    return 0;
}

void DrawSplash() {
    ITevFont& f = Font();
    TevScore& score = S().data.Score();
    Draw().Clear();
    f.Begin();
    f.DrawTextColor(60, 80, "Presented by", kWhite);
    f.DrawTextColor(80, 100, kGroupName, kWhite);
    uint32_t letterColor = kWhite;
    if (g.phase == 1 && g.result == 1) letterColor = 0xFFFFFF00;
    if (g.phase == 2) letterColor = 0xFFFF0000;
    for (int i = 0; i < 6; ++i) {
        char text[2] = {g.letters[i], 0};
        f.DrawTextColor(120 + 12 * i, 100, text, letterColor);
    }
    f.DrawTextColor(200, 100, kGroupLastWord, kWhite);

    if (g.phase == 0) {
        D2().Draw(kTexSnapshot, 80, 160, 0, 100, 160, 20, 0);
    } else if (g.phase == 1) {
        int row = g.result == 1 ? 120 : (g.result == 0 ? 140 : 160);
        D2().Draw(kTexSnapshot, 100, 180, 0, row, 200, 20, 0);
        layout::ScoreLine line = layout::SplashScoreLine(score.tries, score.hits);
        D2().Draw(kTexSnapshot, 120, 200, 0, 180, 40, 20, 0);
        f.SetColor(kWhite);
        f.Printf(line.triesX, 200, "%d", score.tries);
        D2().Draw(kTexSnapshot, line.senX, 200, 40, 180, 20, 20, 0);
        f.Printf(line.hitsX, 200, "%d", score.hits);
        D2().Draw(kTexSnapshot, line.winX, 200, 60, 180, 20, 20, 0);
        D2().Draw(kTexSnapshot, 80, 160, 0, 240, 200, 20, 0);
    }
    if (g.phase >= 1 && g.result == 1) DrawParticles();
    f.End();
    D2().Draw(kTexSnapshot, 160, 0, 160, 0, 160, 80, 0);
    DrawSlowMark(kSlowFps);
}

} // namespace

int SplashEnter() {
    g.phase = 0;
    g.counter = 0;
    g.result = 0;
    std::memcpy(g.letters, kTag, 6);
    S().data.LoadScore();

    BeginSnapshot();
    DrawKeyHelp(false);
    ApplyFontFace("ＭＳ　ゴシック", 20);
    ITevFont& f = Font();
    f.Begin();
    f.DrawTextColor(0, 100, "ボタン１で止めて！", kWhite);
    f.DrawTextColor(0, 120, "あたり。さすがですね。", kWhite);
    f.DrawTextColor(0, 140, "ざんねん、はずれ。", kWhite);
    f.DrawTextColor(0, 160, "たいむあうと。", kWhite);
    f.DrawTextColor(0, 180, "現在", kWhite);
    f.DrawTextColor(40, 180, "戦", kWhite);
    f.DrawTextColor(60, 180, "勝", kWhite);
    f.DrawTextColor(0, 240, "ボタン１で進む", kWhite);
    f.End();
    EndSnapshot();
    ApplyFontFace("Arial Black", 20);

    Stack().Replace(SplashState);
    return SplashState();
}

int SplashState() {
    S().buttons.Update();
    int c = g.counter++;
    TevScore& score = S().data.Score();

    switch (g.phase) {
    case 0:
        Shuffle();
        if (g.counter >= kSpinFrames) {
            g.phase = 1;
            g.result = -1;
            g.counter = 0;
        } else if (g.counter > kInputDelay && Pressed(kTevButton1)) {
            g.phase = 1;
            // A score file may hold anything; the counts stop at their top.
            if (score.tries < INT32_MAX) ++score.tries;
            if (Solved()) {
                if (score.hits < INT32_MAX) ++score.hits;
                g.result = 1;
                StartParticles();
                Sound().Play(kSndOk, false);
            } else {
                g.result = 0;
                Sound().Play(kSndNg, false);
            }
            S().data.SaveScore();
            g.counter = 0;
        }
        break;
    case 1:
        if (c == kShowFrames || (g.counter > kInputDelay && Pressed(kTevButton1))) {
            g.phase = 2;
            std::memcpy(g.letters, kTag, 6);
            g.counter = 0;
        }
        break;
    case 2:
        if (c == kShowFrames || Pressed(kTevButton1)) {
            Stack().Replace(ClearThenTitle);
            g.counter = 0;
        }
        break;
    }
    // They fly while the result shows and stand still once it is solved.
    if (g.result == 1 && g.phase == 1) MoveParticles();

    if (EscapePressed()) return -1;
    DrawSplash();
    return 0;
}

} // namespace launcher
