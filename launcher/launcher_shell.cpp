#include "launcher/launcher_shell.h"
#include <cstdio>
#include "games/kit/tev_kit.h"

namespace launcher {

Shell& S() {
    static Shell shell;
    return shell;
}

ITevDraw2d& D2() { return S().draw->draw2d; }
ITevFont& Font() { return S().draw->font; }

bool EscapePressed() { return S().input->GetKey(kTevKeyEscape) == 1; }

void BindButtons(const TevKeyConfig& keys) {
    ButtonMapper& b = S().buttons;
    b.SetInput(S().input);
    KitBindStandard(reinterpret_cast<const unsigned char*>(&keys), b);
}

void ApplyFontFace(const char* face, int height) {
    Font().SetFontName(face);
    Font().SetFontSize(height, 0);
    Font().ApplyFont();
}

void ResetFontNow() { Font().ResetFont(); }

void LoadLauncherTextures() {
    ITevDraw& d = Draw();
    for (int i = 0; i < 32; ++i) d.ReleaseTexture(i);
    d.CreateBlankTexture(kTexPanel, 512, 512, 0xFF000000);
    d.CreateTexture(kTexFrame, "frame.bmp", 0x00FFFFFF);
    d.CreateTexture(kTexNoImage, "noimage.bmp", 0);
    d.CreateTexture(kTexNowLoading, "nowloading.bmp", 0);
    d.CreateBlankTexture(kTexSnapshot, 512, 512, 0xFF000000);
}

void LoadLauncherSounds() {
    ITevSound& s = Sound();
    s.StopAll();
    s.ReleaseAll();
    s.Load(kSndOk, "ok.wav", false);
    s.Load(kSndNg, "ng.wav", false);
    s.Load(kSndBgm, "bgm.wav", false);
    s.Load(kSndCancel, "cancel.wav", false);
    s.Load(kSndCursor, "cur.wav", false);
    s.Load(kSndDecide, "decide.wav", false);
}

void DrawKeyHelp(bool resetFont) {
    const TevKeyConfig& k = S().data.Saved();
    D2().FillRect(208, 0, 112, 62, 0x80808080);
    D2().Draw(kTexFrame, 208, 0, 400, 448, 112, 62, 0);
    if (resetFont) ResetFontNow();
    ITevFont& f = Font();
    f.Begin();
    // Any non-zero value binds W S A D, so the box shows them too.
    bool wsad = k.directionKeys != 0;
    f.DrawText(231, 13, wsad ? "W" : "↑");
    f.DrawText(214, 31, wsad ? "A" : "←");
    f.DrawText(248, 31, wsad ? "D" : "→");
    f.DrawText(230, 48, wsad ? "S" : "↓");
    // A key without a character would end the text at the %c.
    char c1 = Input().KeyToChar(k.key1);
    char c2 = Input().KeyToChar(k.key2);
    f.Printf(290, 48, "%c / %d", c1 ? c1 : '?', k.padButton1 - 3);
    f.Printf(257, 48, "%c / %d", c2 ? c2 : '?', k.padButton2 - 3);
    f.End();
}

void DrawSlowMark(double threshold) {
    if (S().app->GetFrameRate() < threshold) D2().Draw(kTexFrame, 0, 208, 480, 0, 32, 32, 0);
}

void BeginSnapshot() {
    Draw().BeginRenderToTexture(kTexSnapshot);
    Draw().Clear();
}

void EndSnapshot() { Draw().EndRenderToTexture(); }

namespace {
int g_fadeCounter = 0;
bool g_fadeStopsSounds = true;
} // namespace

void PushFadeSnapshot(bool stopSounds) {
    g_fadeCounter = 0;
    g_fadeStopsSounds = stopSounds;
    Stack().Push(FadeSnapshot);
}

int FadeSnapshot() {
    ++g_fadeCounter;
    Draw().Clear();
    Draw().SetTextureColor(kTexSnapshot, Alpha(255 - 4 * g_fadeCounter));
    D2().Draw(kTexSnapshot, 0, 0, 0, 0, 320, 240, 0);
    if (g_fadeCounter >= 60) {
        Stack().Pop();
        Draw().SetTextureColor(kTexSnapshot, kWhite);
        if (g_fadeStopsSounds) Sound().StopAll();
    }
    return 0;
}

} // namespace launcher
