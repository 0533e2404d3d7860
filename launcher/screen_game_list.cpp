// Game list: the titles scroll on a slanted column, the current game's
// picture comes from a ring of three textures (current, next, previous) so
// a scroll only ever loads one new picture, and an information panel slides
// in below.
#include "launcher/launcher_shell.h"
#include "launcher/screen_layout.h"
#include "launcher/screens.h"

namespace launcher {
namespace {

constexpr int kInputFrom = 30;   // frames after entry before input counts
constexpr uint32_t kPanelShade = 0xFFFFFFFF;   // the information panel's box (blend mode 4)

struct GameList {
    int current = 0;          // kept across visits
    bool scrolling = false;
    int direction = 0;        // -1 up, +1 down
    int target = 0;
    int scrollCounter = 0;
    bool armed1 = false, armed2 = false;
    int panelState = 1;       // +1 shown, -1 hidden
    int panelCounter = 0;     // 0 ... 80
    bool panelTextDrawn = false;
    int entryFrames = 0;
    int ringGame[3] = {-1, -1, -1};  // game each of textures 10, 11, 12 holds
    int ringPos = 0;                 // ring slot of the current game
} g;

int Count() { return S().games.GetCount(); }
int WrapGame(int i) { return layout::Wrap(i, Count()); }
int RingTexture(int slot) { return kTexRing + layout::Wrap(slot, 3); }

// Loads game's picture into ring slot (0 ... 2) unless it already holds it.
void LoadRing(int slot, int game, bool force) {
    slot = layout::Wrap(slot, 3);
    if (!force && g.ringGame[slot] == game) return;
    g.ringGame[slot] = game;
    int tex = kTexRing + slot;
    TevGameEntry* e = S().games.GetGame(game);
    if (e == nullptr) {
        Draw().ReleaseTexture(tex);
        return;
    }
    Draw().CreateTexture(tex, e->info.image, 0);
    Draw().GetTextureSize(tex, &e->info.imageWidth, &e->info.imageHeight);
}

void DrawPicture(int game, int slot, int alpha) {
    ITevDraw& d = Draw();
    TevGameEntry* e = S().games.GetGame(game);
    int tex = RingTexture(slot);
    bool ready = e != nullptr && e->info.image[0] != 0 && g.ringGame[layout::Wrap(slot, 3)] == game &&
                 d.IsTextureReady(tex) && e->info.imageWidth > 0 && e->info.imageHeight > 0;
    if (ready) {
        d.SetTextureColor(tex, Alpha(alpha));
        D2().DrawStretch(tex, 32, 64, 120, 90, 0, 0, e->info.imageWidth, e->info.imageHeight, 0);
        d.SetTextureColor(tex, kWhite);
    } else {
        d.SetTextureColor(kTexNoImage, Alpha(alpha));
        D2().DrawStretch(kTexNoImage, 32, 64, 120, 90, 0, 0, 320, 240, 0);
        d.SetTextureColor(kTexNoImage, kWhite);
    }
}

void DrawPanelText() {
    const TevGameEntry* e = S().games.GetGame(g.current);
    if (e == nullptr) return;
    ITevDraw& d = Draw();
    ITevFont& f = Font();
    d.BeginRenderToTexture(kTexPanel);
    d.Clear();
    f.Begin();
    f.DrawTextColor(0, 0, "ゲーム名", kWhite);
    f.DrawTextColor(55, 0, e->info.title, kWhite);
    f.DrawTextColor(0, 15, "作者", kWhite);
    f.DrawTextColor(30, 15, e->info.author, kWhite);
    f.DrawTextColor(0, 30, e->info.comment, kWhite);
    f.End();
    d.EndRenderToTexture();
    g.panelTextDrawn = true;
}

void DrawInfoPanel(bool animate) {
    if (animate) {
        if (g.panelState > 0 && g.panelCounter < layout::kPanelMax) ++g.panelCounter;
        if (g.panelState < 0 && g.panelCounter > 0) --g.panelCounter;
    }
    if (!g.panelTextDrawn) DrawPanelText();
    int k = g.panelCounter;
    ITevDraw2d& d2 = D2();
    d2.SetBlendMode(4);
    layout::PanelBox box = layout::PanelBoxAt(k);
    // Darkening by the colour: white blacks the box out, so the list's
    // titles behind the panel no longer show through its text.
    d2.FillRect(box.x, 172, box.w, 48, kPanelShade);
    d2.SetBlendMode(2);
    layout::PanelBox frame = layout::PanelFrameAt(k);
    d2.Draw(kTexFrame, frame.x, 160, 0, 240, frame.w, 60, 0);
    for (int i = 0; i < layout::kPanelStrips; ++i) {
        layout::PanelStrip s = layout::PanelStripAt(i, k);
        if (!s.visible) continue;
        Draw().SetTextureColor(kTexPanel, Alpha(s.alpha));
        d2.Draw(kTexPanel, s.x, s.y, 0, s.srcY, s.width, s.srcH, 0);
    }
    Draw().SetTextureColor(kTexPanel, kWhite);
    d2.SetBlendMode(1);
}

// The whole list; n frames into a scroll of direction d (0: idle).
// animate: the panel counter moves (not when only a snapshot is drawn).
void DrawList(int d, int n, bool animate) {
    ITevDraw2d& d2 = D2();
    ITevFont& f = Font();
    d2.SetBlendMode(1);
    d2.FillRect(0, 0, 200, 35, 0xA00000FF);
    d2.Draw(kTexFrame, 0, 0, 0, 0, 190, 170, 0);
    d2.Draw(kTexFrame, 0, 220, 0, 220, 320, 20, 0);
    d2.FillTriangleColors(225, 15, 160, 210, 270, 210, 0xA0008000, 0x0000FF00, 0x0000FF00);
    d2.FillTriangleColors(225, 15, 335, 15, 270, 210, 0xA0008000, 0xA0008000, 0x0000FF00);

    f.Begin();
    for (int off = layout::FirstOffset(d); off <= layout::LastOffset(d); ++off) {
        const TevGameEntry* e = S().games.GetGame(WrapGame(g.current + off));
        if (e == nullptr) continue;
        layout::ListLine l = layout::ListLineAt(off, d, n);
        f.DrawTextColor(l.x, l.y, e->info.title, l.color);
    }
    f.End();

    d2.FillRectColors(160, 40, 160, 80, 0xFF000000, 0xFF000000, 0x00000000, 0x00000000);
    d2.FillTriangle(200, 0, 200, 35, 215, 0, 0xA00000FF);
    d2.FillRectColors(155, 140, 165, 85, 0x00000000, 0x00000000, 0xFF000000, 0xFF000000);

    if (d == 0) {
        DrawPicture(g.current, g.ringPos, 255);
    } else {
        DrawPicture(g.current, g.ringPos, layout::FadeOutAlpha(n));
        DrawPicture(g.target, g.ringPos + d, layout::FadeInAlpha(n));
    }
    DrawInfoPanel(animate);
}

void Snapshot() {
    BeginSnapshot();
    DrawList(0, 0, false);
    EndSnapshot();
}

void StartScroll(int d) {
    g.scrolling = true;
    g.direction = d;
    g.target = WrapGame(g.current + d);
    g.scrollCounter = 0;
    g.panelCounter = 0;
}

void EndScroll() {
    int d = g.direction;
    g.current = g.target;
    g.scrolling = false;
    g.direction = 0;
    g.panelTextDrawn = false;
    g.ringPos = layout::Wrap(g.ringPos + d, 3);
    // The slot that fell out of the ring takes the next neighbour.
    LoadRing(g.ringPos + d, WrapGame(g.current + d), false);
}

void IdleInput() {
    if (g.entryFrames < kInputFrom) return;
    if (Pressed(kTevButtonUp)) {
        StartScroll(-1);
    } else if (Pressed(kTevButtonDown)) {
        StartScroll(+1);
    } else if (Pressed(kTevButton1) && !g.armed1) {
        g.armed1 = true;
    } else if (Released(kTevButton1) && g.armed1) {
        g.armed1 = false;
        if (!S().games.IsAvailable(g.current)) {
            // Its library could not be loaded again after the last play.
            Sound().Play(kSndNg, false);
            return;
        }
        S().games.SetSelected(g.current);
        Stack().Replace(StartGame);
        PushFadeSnapshot(true);
        g.entryFrames = 0;
        Snapshot();
    } else if (Pressed(kTevButton2) && !g.armed2) {
        g.armed2 = true;
    } else if (Released(kTevButton2) && g.armed2) {
        g.armed2 = false;
        Stack().Replace(TitleEnter);
        PushFadeSnapshot(true);
        Snapshot();
        Sound().Play(kSndCancel, false);
    } else if (Pressed(kTevButtonLeft) && g.panelState > 0) {
        g.panelState = -1;
        g.panelCounter = layout::kPanelMax;
    } else if (Pressed(kTevButtonRight) && g.panelState < 0) {
        g.panelState = 1;
        g.panelCounter = 0;
    }
}

} // namespace

bool GameListScrolling() { return g.scrolling; }

int GameListEnter() {
    g.scrolling = false;
    g.direction = 0;
    g.scrollCounter = 0;
    g.armed1 = g.armed2 = false;
    g.panelState = 1;
    g.panelCounter = 0;
    g.panelTextDrawn = false;
    // The entry counter is reset only when a game starts, so coming back
    // from the title the list takes input at once.

    LoadLauncherTextures();
    ApplyFontFace("ＭＳ　ゴシック", 11);
    Draw().SetClearColor(0);
    D2().SetBlendMode(1);

    if (Count() <= 0) {
        // Every game has gone (a failed reload or re-scan): nothing to list.
        Stack().Replace(TitleEnter);
        return 0;
    }
    g.current = WrapGame(g.current);
    g.ringPos = 0;
    LoadRing(0, g.current, true);
    LoadRing(1, WrapGame(g.current + 1), true);
    LoadRing(2, WrapGame(g.current - 1), true);

    Sound().Play(kSndBgm, true);
    Stack().Replace(GameListState);
    return GameListState();
}

int GameListState() {
    S().buttons.Update();
    Draw().Clear();
    ++g.entryFrames;
    if (!g.scrolling) {
        DrawList(0, 0, true);
        IdleInput();
    } else {
        ++g.scrollCounter;
        if (g.scrollCounter >= layout::kScrollFrames) {
            EndScroll();
            DrawList(0, 0, true);
        } else {
            DrawList(g.direction, g.scrollCounter, true);
        }
    }
    DrawKeyHelp(false);
    DrawSlowMark(kSlowFps);
    if (EscapePressed()) return -1;
    return 0;
}

} // namespace launcher
