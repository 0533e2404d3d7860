// Title screen: the logo builds up, then ripples; three menu items turn on a
// ring (left / right), button 1 chooses. Left alone it falls back to the
// splash.
#include <cmath>
#include <cstdio>
#include <cstring>
#include "launcher/launcher_shell.h"
#include "launcher/ripple.h"
#include "launcher/screens.h"

namespace launcher {
namespace {

constexpr int kIdleFrames = 3600;
constexpr int kRotationSteps = 20;
constexpr double kRotationStep = 0.10466666666666667;  // 3.14 / 30
constexpr int kRingIntroFrames = 60;
constexpr int kRippleStart = 80;
constexpr int kLabelW = 72;
constexpr int kLabelH = 24;
constexpr int kZoomFrames = 60;

struct RingItem {
    double angle;
    char label[80];
};

struct Title {
    int counter = 0;
    int ringIntro = 0;
    int ripple = 0;
    bool introFinished = false;
    int selected = 0;
    int rotation = 0;
    int idle = kIdleFrames;
    RingItem items[3] = {};
    int zoom = 0;
} g;

void ResetRing() {
    g.items[0] = {1.57, " play"};
    g.items[1] = {3.6633333333333336, "option"};
    g.items[2] = {5.756666666666667, " exit"};
}

int ItemX(int i, double radius) { return static_cast<int>(160 + std::cos(g.items[i].angle) * radius); }
int ItemY(int i, double radius) { return static_cast<int>(140 + std::sin(g.items[i].angle) * radius); }

void DrawLabel(int i, int cx, int cy, int w, int h, uint32_t tint) {
    Draw().SetTextureColor(kTexSnapshot, tint);
    D2().DrawStretchCenter(kTexSnapshot, cx, cy, w, h, 0, kLabelH * i, kLabelW, kLabelH, 0);
    Draw().SetTextureColor(kTexSnapshot, kWhite);
}

// The logo's two-colour middle sprite.
void SetLogoTints(int alpha) {
    uint32_t a = static_cast<uint32_t>(alpha < 0 ? 0 : (alpha > 255 ? 255 : alpha)) << 24;
    uint32_t red = a | 0xFF0000, orange = a | 0xFF5000;
    Draw().SetTextureColors(kTexFrame, red, orange, orange, red);
}

void DrawRipple() {
    int t = g.ripple;
    ITevDraw2d& d2 = D2();
    for (int row = 0; row < ripple::kRows; ++row) {
        int y0 = ripple::RowY(row), y1 = ripple::RowY(row + 1);
        d2.BeginStripTextured(kTexSnapshot);
        for (int col = 0; col < ripple::kColumns; ++col) {
            int x = col * ripple::kCell;
            int px, py;
            ripple::Displace(t, x, y0, px, py);
            d2.AddStripVertexUV(px, py, x, 256 + y0, kWhite);
            ripple::Displace(t, x, y1, px, py);
            d2.AddStripVertexUV(px, py, x, 256 + y1, kWhite);
        }
        d2.EndStrip();
    }
}

void DrawLogo() {
    ITevDraw2d& d2 = D2();
    if (g.counter >= kRippleStart) {
        DrawRipple();
        return;
    }
    int w = g.counter < 60 ? static_cast<int>(1.8666667 * g.counter) : 112;
    d2.Draw(kTexFrame, 60, 30, 192, 0, w, 40, 0);
    if (g.counter >= 45) {
        SetLogoTints(17 * (g.counter - 44));
        d2.Draw(kTexFrame, 160, 25, 192, 48, 48, 96, 0);
        Draw().SetTextureColor(kTexFrame, kWhite);
    }
    if (g.counter >= 55) {
        int x = 320 - 14 * (g.counter - 55);
        if (x < 180) x = 180;
        d2.Draw(kTexFrame, x, 40, 304, 0, 80, 40, 0);
    }
}

void DrawTitle() {
    ITevFont& f = Font();
    Draw().Clear();
    f.Begin();
    DrawLogo();
    if (!g.introFinished) {
        double d = 1.0 - g.ringIntro / static_cast<double>(kRingIntroFrames);
        for (int i = 0; i < 3; ++i) {
            int cx = static_cast<int>(160 + std::cos(g.items[i].angle) * (d * 160 + 50));
            int cy = static_cast<int>(140 + std::sin(g.items[i].angle) * (d * 140 + 50));
            DrawLabel(i, cx, cy, kLabelW, kLabelH, 0x80FFFFFF);
        }
    } else {
        for (int i = 0; i < 3; ++i) {
            uint32_t tint = (i == g.selected && g.rotation == 0) ? kWhite : 0x80FFFFFF;
            DrawLabel(i, ItemX(i, 50), ItemY(i, 50), kLabelW, kLabelH, tint);
        }
    }
    switch (g.selected) {
    case 0:
        if (S().games.GetCount() > 0)
            f.Printf(80, 210, "%d個のゲームが確認されています", S().games.GetCount());
        else
            f.DrawText(80, 210, "DLLが確認できていません");
        break;
    case 1: f.DrawText(80, 210, "設定の変更などを行います"); break;
    default: f.DrawText(80, 210, "ゲームを終了します"); break;
    }
    f.End();
    DrawSlowMark(kSlowFps);
}

void TurnRing(double step) {
    for (RingItem& it : g.items) it.angle += step;
}

} // namespace

bool TitleRippling() { return g.counter >= kRippleStart; }

int TitleEnter() {
    g.rotation = 0;
    g.selected = 0;
    g.idle = kIdleFrames;
    g.counter = g.ringIntro = g.ripple = 0;
    g.introFinished = false;
    ResetRing();

    BeginSnapshot();
    ApplyFontFace("Arial Black", 24);
    ITevFont& f = Font();
    f.Begin();
    for (int i = 0; i < 3; ++i) f.DrawTextColor(0, kLabelH * i, g.items[i].label, kWhite);
    f.End();
    // The title block the ripple distorts, 256 rows down in the snapshot.
    D2().Draw(kTexFrame, 60, 286, 192, 0, 112, 40, 0);
    SetLogoTints(255);
    D2().Draw(kTexFrame, 160, 281, 192, 48, 48, 96, 0);
    Draw().SetTextureColor(kTexFrame, kWhite);
    D2().Draw(kTexFrame, 180, 296, 304, 0, 80, 40, 0);
    ApplyFontFace("ＭＳ　ゴシック", 12);
    f.Begin();
    f.DrawTextColor(210, 281, "ぷろじぇくとばろう", kWhite);
    CLauncherData& data = S().data;
    int lines = data.GetTitleCount();
    const char* line = lines > 0 ? data.GetTitleLine(Rand() % lines) : "";
    char text[96];
    std::snprintf(text, sizeof text, "～%s～", line);
    int x = 160 - (static_cast<int>(std::strlen(line)) * 6 + 12) / 2;
    f.DrawTextColor(x, 336, text, kWhite);
    f.End();
    EndSnapshot();
    ResetFontNow();

    Stack().Replace(TitleState);
    return TitleState();
}

int TitleState() {
    ++g.counter;
    ++g.ringIntro;
    if (g.counter >= kRippleStart) g.ripple = (g.counter - kRippleStart) % ripple::kPeriod;
    if (!g.introFinished && g.ringIntro >= kRingIntroFrames) g.introFinished = true;

    if (g.introFinished) {
        S().buttons.Update();
        if (g.rotation != 0) {
            bool positive = g.rotation > 0;
            g.rotation += positive ? -1 : 1;
            if (g.rotation == 0) {
                g.selected = (g.selected + (positive ? 1 : 2)) % 3;
                Sound().Play(kSndCursor, false);
            }
        } else {
            g.idle -= Pressed(kTevButton2) ? 100 : 1;
            if (g.idle <= 0) {
                Stack().Replace(SplashEnter);
            } else if (Pressed(kTevButtonLeft)) {
                g.rotation = kRotationSteps;
                g.ringIntro = 0;
                g.idle = kIdleFrames;
            } else if (Pressed(kTevButtonRight)) {
                g.rotation = -kRotationSteps;
                g.ringIntro = 0;
                g.idle = kIdleFrames;
            } else if (Pressed(kTevButton1)) {
                g.zoom = 0;
                if (g.selected == 0) {
                    if (S().games.GetCount() > 0) {
                        Stack().Replace(GameListEnter);
                        Stack().Push(ZoomTransition);
                        Sound().Play(kSndDecide, false);
                    }
                } else if (g.selected == 1) {
                    Stack().Replace(OptionEnter);
                    Stack().Push(ZoomTransition);
                    Sound().Play(kSndDecide, false);
                } else {
                    Stack().Pop();
                    Stack().Push(ZoomTransition);
                    Sound().Play(kSndCancel, false);
                }
            }
        }
    }
    if (g.rotation > 0) TurnRing(-kRotationStep);
    else if (g.rotation < 0) TurnRing(kRotationStep);

    DrawTitle();
    if (EscapePressed()) return -1;
    return 0;
}

int ZoomTransition() {
    int k = ++g.zoom;
    Draw().Clear();
    for (int i = 0; i < 3; ++i) {
        int cx = ItemX(i, 50), cy = ItemY(i, 50);
        double scale = 1.0 + 0.05 * k;
        if (i == g.selected) {
            if (k < 30) {
                DrawLabel(i, cx, cy, static_cast<int>(kLabelW * scale), static_cast<int>(kLabelH * scale), kWhite);
            } else {
                DrawLabel(i, cx, cy, 180, 60, Alpha(255 - 4 * k));
            }
        } else {
            int v = 255 - 10 * k;
            if (v < 2) continue;
            uint32_t c = static_cast<uint32_t>(v);
            DrawLabel(i, cx, cy, static_cast<int>(kLabelW * scale), static_cast<int>(kLabelH * scale),
                      c << 24 | c << 16 | c << 8 | c);
        }
    }
    if (k >= kZoomFrames) {
        Stack().Pop();
        Sound().StopAll();
    }
    return 0;
}

} // namespace launcher
