// Settings menu: re-scan the games, key and screen settings, credits, back.
#include <cstdio>
#include "launcher/launcher_shell.h"
#include "launcher/screens.h"

namespace launcher {
namespace {

constexpr int kMenuItems = 4;
constexpr int kSettingRows = 9;
constexpr int kMenuInputFrom = 61;   // the entrance animation runs until then
// The boxes under the re-scan message, the key settings and the credits, and
// the saved message's: opaque, so the menu items under them do not show
// through their texts.
constexpr uint32_t kBox = 0xFF0000A0;
constexpr uint32_t kSavedBox = 0xFF0000FF;
constexpr uint32_t kGrey = 0xFF888888;

// Item sprites of the menu in the frame sheet: re-scan, settings, credits, back.
struct Sprite {
    int sx, sy, w, h;
};
constexpr Sprite kItems[kMenuItems] = {{0, 400, 182, 22}, {0, 422, 180, 26}, {0, 454, 68, 22}, {0, 477, 55, 20}};
constexpr int kItemX = 60;
constexpr int kItemY[kMenuItems] = {100, 130, 160, 190};
constexpr int kItemFadeStart[kMenuItems] = {21, 31, 41, 51};
constexpr Sprite kHeading = {192, 144, 190, 32};  // menu heading of the sheet
// y of each key-settings row (cursor and values).
constexpr int kRowY[kSettingRows] = {60, 75, 90, 110, 125, 140, 160, 185, 200};

struct Credit {
    const char* role;
    const char* name;
};
constexpr Credit kCredits[6] = {
    {"Mastermind", "Nadia Ostrel"},
    {"LibraryProgramming", "Teo Brannick"},
    {"BaseProgramming", "Ilse Varga-Moon"},
    {"GamePrograms", "Tev Arcade team"},
    {"BGM Works", "Oren Hallgarth"},
    {"SE Donor", "Pim Sadowny"},
};

struct Option {
    int sub = 0;          // 0 menu, 1 re-scan message, 2 key settings, 3 credits
    int cursor = 0;
    int row = 0;
    int counter = 0;
    int rescanTimer = 0;
    int savedTimer = 0;
} g;

void SubFont() { ApplyFontFace("ＭＳ　ゴシック", 12); }

// ---- drawing -------------------------------------------------------------

void DrawMenu() {
    ITevDraw2d& d2 = D2();
    int c = g.counter;
    // The bar and heading sweep in from the left over the first 20 frames.
    int sweep = c >= 20 ? 0 : (20 - c) * 16;
    d2.FillRect(-sweep, 20, 320, 32, 0xFF0000FF);
    d2.Draw(kTexFrame, 10 - sweep, 20, kHeading.sx, kHeading.sy, kHeading.w, kHeading.h, 0);
    for (int i = 0; i < kMenuItems; ++i) {
        int t = c - kItemFadeStart[i];
        if (t < 0) continue;
        Draw().SetTextureColor(kTexFrame, Alpha(t >= 20 ? 255 : t * 255 / 20));
        d2.Draw(kTexFrame, kItemX, kItemY[i], kItems[i].sx, kItems[i].sy, kItems[i].w, kItems[i].h, 0);
    }
    Draw().SetTextureColor(kTexFrame, kWhite);
    if (c >= kMenuInputFrom) {
        int y = kItemY[g.cursor] + kItems[g.cursor].h / 2;
        d2.FillTriangle(45, y - 5, 45, y + 5, 55, y, kWhite);
    }
}

void DrawRescanMessage() {
    D2().FillRect(60, 100, 180, 48, kBox);
    ITevFont& f = Font();
    f.Begin();
    f.DrawTextColor(70, 110, "ゲームの再検索を行いました。", kWhite);
    f.SetColor(kWhite);
    f.Printf(70, 124, "%d 個のゲームを確認しました。", S().games.GetCount());
    f.End();
}

void DrawKeySettings() {
    const TevKeyConfig& w = S().data.Working();
    ITevDraw2d& d2 = D2();
    ITevFont& f = Font();
    d2.FillRect(10, 20, 300, 200, kBox);
    d2.Draw(kTexSnapshot, 0, 0, 0, 0, 320, 240, 0);
    f.Begin();
    bool wsad = w.directionKeys != 0;
    f.DrawTextColor(200, 60, "カーソル", wsad ? kGrey : kWhite);
    f.DrawTextColor(250, 60, "/", kWhite);
    f.DrawTextColor(265, 60, "wsad", wsad ? kWhite : kGrey);
    char name[32];
    Input().GetKeyName(name, w.key1);
    f.DrawTextColor(200, 75, name, kWhite);
    Input().GetKeyName(name, w.key2);
    f.DrawTextColor(200, 90, name, kWhite);
    f.SetColor(kWhite);
    f.Printf(200, 125, "%d", w.padButton1 - 3);
    f.Printf(200, 140, "%d", w.padButton2 - 3);
    bool full = w.screenMode == 1;
    f.DrawTextColor(140, 160, "Window", full ? kGrey : kWhite);
    f.DrawTextColor(185, 160, "/", kWhite);
    f.DrawTextColor(195, 160, "FullScreen", full ? kWhite : kGrey);
    f.End();
    int y = kRowY[g.row];
    d2.FillTriangle(125, y, 135, y + 6, 125, y + 12, kWhite);
    DrawKeyHelp(false);
    if (g.savedTimer > 0) {
        d2.FillRect(80, 100, 160, 40, kSavedBox);
        f.Begin();
        f.DrawTextColor(100, 110, "設定を保存しました", kWhite);
        f.End();
    }
}

void DrawCredits() {
    D2().FillRect(20, 64, 280, 140, kBox);
    D2().Draw(kTexFrame, 60, 64, 0, 0, 190, 32, 0);
    ITevFont& f = Font();
    f.Begin();
    for (int i = 0; i < 6; ++i) {
        int y = 110 + 12 * i;
        char line[96];
        std::snprintf(line, sizeof line, ": %s", kCredits[i].name);
        f.DrawTextColor(40, y, kCredits[i].role, kWhite);
        f.DrawTextColor(150, y, line, kWhite);
    }
    f.End();
}

void DrawOption() {
    Draw().Clear();
    DrawMenu();
    switch (g.sub) {
    case 1: DrawRescanMessage(); break;
    case 2: DrawKeySettings(); break;
    case 3: DrawCredits(); break;
    default: break;
    }
    DrawSlowMark(kSlowFps);
}

// ---- input ---------------------------------------------------------------

int LowestHeldKey() {
    for (int code = 0; code <= 237; ++code) {
        if (!tev_data::IsBindableKey(code)) continue;
        if (Input().GetKey(code) > 0) return code;
    }
    return -1;
}

int LowestPressedPadButton() {
    for (int b = 4; b <= 15; ++b)
        if (Input().GetPadButton(0, b) == 1) return b;
    return -1;
}

void MenuInput() {
    if (g.counter < kMenuInputFrom) return;
    int old = g.cursor;
    if (Pressed(kTevButtonDown)) {
        if (g.cursor < kMenuItems - 1) ++g.cursor;
    } else if (Pressed(kTevButtonUp)) {
        if (g.cursor > 0) --g.cursor;
    }
    // The move and button 1 both apply in one frame: button 1 acts on the
    // item the cursor has just reached.
    if (g.cursor != old) Sound().Play(kSndCursor, false);
    if (!Pressed(kTevButton1)) return;
    switch (g.cursor) {
    case 0:
        SubFont();
        S().games.RescanGames();
        S().data.LoadTitleLines();
        g.rescanTimer = 120;
        g.sub = 1;
        Sound().Play(kSndDecide, false);
        break;
    case 1:
        SubFont();
        S().data.Working() = S().data.Saved();
        g.row = 0;
        g.savedTimer = 0;
        g.sub = 2;
        Sound().Play(kSndDecide, false);
        break;
    case 2:
        SubFont();
        g.sub = 3;
        Sound().Play(kSndDecide, false);
        break;
    default:
        // Back: the menu as it stands fades out over the title's entry.
        Stack().Replace(TitleEnter);
        PushFadeSnapshot(false);
        BeginSnapshot();
        DrawMenu();
        EndSnapshot();
        Sound().Play(kSndCancel, false);
        break;
    }
}

void KeySettingsInput() {
    if (g.savedTimer > 0) {
        if (--g.savedTimer == 0) g.sub = 0;
        return;
    }
    TevKeyConfig& w = S().data.Working();
    int old = g.row;
    if (Pressed(kTevButtonDown)) {
        if (g.row < kSettingRows - 1) ++g.row;
    } else if (Pressed(kTevButtonUp)) {
        if (g.row > 0) --g.row;
    }
    if (g.row != old) {
        Sound().Play(kSndCursor, false);
        return;
    }
    switch (g.row) {
    case 0:
        if (Pressed(kTevButtonLeft)) w.directionKeys = 0;
        else if (Pressed(kTevButtonRight)) w.directionKeys = 1;
        break;
    case 1:
    case 2: {
        int key = LowestHeldKey();
        if (key >= 0) (g.row == 1 ? w.key1 : w.key2) = static_cast<uint8_t>(key);
        break;
    }
    case 4:
    case 5: {
        int b = LowestPressedPadButton();
        if (b >= 0) (g.row == 4 ? w.padButton1 : w.padButton2) = static_cast<uint8_t>(b);
        break;
    }
    case 6:
        if (Pressed(kTevButtonLeft)) w.screenMode = 0;
        else if (Pressed(kTevButtonRight)) w.screenMode = 1;
        break;
    case 7:
        if (Pressed(kTevButton1)) {
            // A file that cannot be written still leaves the settings in force
            // until the launcher ends.
            S().data.SaveSettings(w);
            S().data.Saved() = w;
            BindButtons(w);
            g.savedTimer = 60;
            Sound().Play(kSndDecide, false);
        }
        break;
    case 8:
        if (Pressed(kTevButton1)) {
            g.sub = 0;
            Sound().Play(kSndCancel, false);
        }
        break;
    default:
        break;  // the pad's directions cannot be changed
    }
}

} // namespace

int OptionEnter() {
    S().data.Working() = S().data.Saved();
    g = Option{};

    BeginSnapshot();
    ITevFont& f = Font();
    ApplyFontFace("Arial Black", 30);
    f.Begin();
    f.DrawTextColor(20, 23, "Setting", kWhite);
    f.End();
    ApplyFontFace("Arial Black", 18);
    f.Begin();
    f.DrawTextColor(25, 50, "KeyBoard", kWhite);
    f.DrawTextColor(25, 100, "GamePad", kWhite);
    f.DrawTextColor(25, 150, "WindowMode", kWhite);
    f.DrawTextColor(140, 185, "Save & Exit", kWhite);
    f.DrawTextColor(140, 200, "Don't Save & Exit", kWhite);
    f.End();
    SubFont();
    f.Begin();
    f.DrawTextColor(140, 60, "十字キー", kWhite);
    f.DrawTextColor(140, 75, "ボタン１", kWhite);
    f.DrawTextColor(140, 90, "ボタン２", kWhite);
    f.DrawTextColor(140, 110, "十字キー", kWhite);
    f.DrawTextColor(200, 110, "変更できません", kWhite);
    f.DrawTextColor(140, 125, "ボタン１", kWhite);
    f.DrawTextColor(140, 140, "ボタン２", kWhite);
    f.DrawTextColor(180, 175, "(次回起動時に適用)", kWhite);
    f.End();
    EndSnapshot();

    Stack().Replace(OptionState);
    return OptionState();
}

int OptionState() {
    ++g.counter;
    S().buttons.Update();
    switch (g.sub) {
    case 0: MenuInput(); break;
    case 1:
        if (--g.rescanTimer <= 0) {
            g.sub = 0;
            SubFont();
        }
        break;
    case 2: KeySettingsInput(); break;
    case 3:
        if (Pressed(kTevButton1)) g.sub = 0;
        break;
    default: break;
    }
    if (EscapePressed()) return -1;
    DrawOption();
    return 0;
}

} // namespace launcher
