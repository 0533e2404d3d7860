#include "games/sweet_pairs/sweet_pairs_rules.h"

#include <cstdio>
#include <cstdlib>

namespace sweet_pairs {

const char* const kTitle = "スイートペア";

namespace {

constexpr uint32_t kWhite = 0xFFFFFFFF;
constexpr uint32_t kPanelTopLeft = 0xCC999999;
constexpr uint32_t kPanelSide = 0xCC666666;
constexpr uint32_t kPanelBottomRight = 0xCC333333;
constexpr const char* kHint = "Step up,Once more";

// The cell sprites by value (0 = empty) and the flying pieces by colour.
constexpr tev::Rect kCells[kColours + 1] = {tip::kEmpty,  tip::kCandy1, tip::kCandy2,
                                            tip::kCandy3, tip::kCandy4, tip::kCandy5};
constexpr tev::Rect kPieces[kColours + 1] = {tip::kEmpty,  tip::kPiece1, tip::kPiece2,
                                             tip::kPiece3, tip::kPiece4, tip::kPiece5};
// The sheet keeps the cell sprites where the drawing expects them: value v
// at (16 v, 32).
constexpr bool CellsInPlace() {
    for (int v = 0; v <= kColours; ++v)
        if (kCells[v] != tev::Rect{16 * v, 32, 16, 16}) return false;
    return true;
}
static_assert(CellsInPlace(), "tip.bmp: cell sprites must sit at (16 v, 32)");
static_assert(tip::kCursorH == tev::Rect{0, 0, 32, 16} && tip::kCursorV == tev::Rect{32, 0, 16, 32},
              "tip.bmp: cursors at (0,0) 32x16 and (32,0) 16x32");

// Four figures, three frames each: stand, hop, sad.
constexpr tev::Rect kFigures[4][3] = {
    {tip::kFigure1Stand, tip::kFigure1Hop, tip::kFigure1Sad},
    {tip::kFigure2Stand, tip::kFigure2Hop, tip::kFigure2Sad},
    {tip::kFigure3Stand, tip::kFigure3Hop, tip::kFigure3Sad},
    {tip::kFigure4Stand, tip::kFigure4Hop, tip::kFigure4Sad},
};
constexpr int kFigureX[4] = {250, 267, 284, 301};
constexpr tev::DigitFont kDigits = {kSheet, tip::kDigit0, 7};

int CellX(int c) { return kWellX + kCell * c; }
int CellY(int r) { return kWellY - kCell * r; }

// Cursor auto-repeat: the press itself, then every fourth frame after eight.
bool Acts(const tev::Buttons& b, int button) {
    const int n = b.Count(button);
    return n == 1 || (n > 8 && n % 4 == 0);
}

std::array<int, 2> RandomPair(tev::Rand15& rng) {
    const int first = RandomColour(rng);
    return {first, RandomColour(rng)};
}

void Launch(Game& g, int from_x, int from_y, int colour, int to_x, int to_y) {
    Flyer* slot = &g.flyers[0];  // the pool is full: the oldest record is reused
    for (Flyer& f : g.flyers) {
        if (f.phase == kFree) {
            slot = &f;
            break;
        }
    }
    *slot = Flyer{from_x, from_y, colour, kFlying, from_x, from_y, to_x, to_y, 0};
}

void MoveFlyers(Game& g) {
    for (Flyer& f : g.flyers) {
        if (f.phase == kFlying) {
            f.x = f.from_x + (f.to_x - f.from_x) * f.step / kFlightSteps;
            f.y = f.from_y + (f.to_y - f.from_y) * f.step / kFlightSteps;
            f.step += 1;
            if (f.step > kFlightSteps) f.phase = kParked;
        } else if (f.phase == kLeaving) {
            f.x += 1;
            if (f.x > tev::kScreenWidth) f.phase = kFree;
        }
    }
}

// The pair's timer ran out (or a pass or a wrong pair cut it short): six
// candies drop in on top and the next pair is issued.
void ExpirePair(Game& g, tev::Rand15& rng, tev::Sink& out) {
    g.pair_time = kPairFrames;
    out.Play(kSoundMiss);
    for (auto& column : g.well) {
        if (column[kRows - 1] != 0) {
            g.state = kFinished;
            g.result = kResultFailed;
        }
        column[kRows - 1] = RandomColour(rng);
    }
    g.want = g.next;
    g.next = RandomPair(rng);
    g.slide = kSlideFrames;
    g.combo = 0;
    for (Flyer& f : g.flyers)
        if (f.phase == kParked) f.phase = kLeaving;
    g.shown_total = g.combo_total;
    g.shown_total_frames = kTotalFrames;
    g.combo_total = 0;
}

void MoveCursor(Game& g, const tev::Buttons& b) {
    if (Acts(b, tev::kLeft) && g.cc > 0) g.cc -= 1;
    if (Acts(b, tev::kRight) && g.cc < (g.vertical ? kColumns - 1 : kColumns - 2)) g.cc += 1;
    if (Acts(b, tev::kDown) && g.cr > (g.vertical ? 1 : 0)) g.cr -= 1;
    if (Acts(b, tev::kUp) && g.cr < kRows - 1) g.cr += 1;
}

// The second cell under the cursor: to the right, or below when vertical.
void SecondCell(const Game& g, int& c, int& r) {
    c = g.vertical ? g.cc : g.cc + 1;
    r = g.vertical ? g.cr - 1 : g.cr;
}

void Take(Game& g, tev::Rand15& rng, tev::Sink& out) {
    int a = 0, b = 0;
    const bool wanted = PairUnderCursor(g, a, b) && ((a == g.want[0] && b == g.want[1]) ||
                                                     (a == g.want[1] && b == g.want[0]));
    if (!wanted) {
        g.pair_time = 0;  // a pass or a wrong pair: the timer expires next frame
        return;
    }
    out.SetFrequency(kSoundCapture, g.capture_base + kPitchStep * static_cast<uint32_t>(g.combo));
    out.Play(kSoundCapture);
    int c2 = 0, r2 = 0;
    SecondCell(g, c2, r2);
    const int park_y = kParkY - kCell * g.combo;
    Launch(g, CellX(g.cc), CellY(g.cr), a, kParkX, park_y);
    Launch(g, CellX(c2), CellY(r2), b, kParkX + kCell, park_y);
    g.combo += 1;
    g.well[g.cc][g.cr] = 0;
    g.well[c2][r2] = 0;
    g.want = g.next;
    g.next = RandomPair(rng);
    g.score += 100 * g.combo;
    g.combo_total += 100 * g.combo;
    g.pair_time += kPairReward;
    g.slide = kSlideFrames;
    g.pairs_left -= 1;
    if (g.pairs_left == 0) {
        g.result = kResultCleared;
        g.state = kFinished;
        g.score += g.time_left * 100 / 60;
    }
}

void Step(Game& g, const tev::Buttons& b, tev::Rand15& rng, tev::Sink& out) {
    g.time_left -= 1;
    if (g.time_left <= 0) g.state = kFinished;  // the frame still completes
    g.pair_time -= 1;
    if (g.pair_time <= 0) ExpirePair(g, rng, out);
    if (g.time_left % kFallEvery == 0) Fall(g);
    MoveCursor(g, b);
    if (b.Pressed(tev::kButton1) && g.pair_time < kPairReady) Take(g, rng, out);
    if (b.Pressed(tev::kButton2)) {
        out.Play(kSoundChange);
        if (!g.vertical && g.cr == 0) g.cr = 1;
        if (g.vertical && g.cc == kColumns - 1) g.cc = kColumns - 2;
        g.vertical = !g.vertical;
    }
}

void DrawInstructions(const Game& g, tev::Sink& out) {
    out.Text(110, 20, kTitle);
    // Two sentences are wider than the screen's 32 full-width cells at the
    // default 10 pixels; they wrap after a comma, indented one cell, with the
    // lines above them a little closer so the rest keeps its rows.
    out.Text(0, 46, "右上に表示される色と同じ色のキャンディの組み合わせを探そう！");
    out.Text(0, 60, "その組み合わせにカーソルを合わせて、");
    out.Text(10, 72, "ボタン１でそのキャンディを取ります");
    out.Text(0, 86, "ボタン２でカーソルの向きを変えます");
    out.TextF(0, 100, "制限時間以内に%d組のキャンディを取ればクリアー！", g.pairs_left);
    out.Text(0, 114, "時間切れになったり、一番上までキャンディが");
    out.Text(10, 126, "詰まってしまうと失敗です");
    out.Text(0, 150, "色の組み合わせが正しければ順番は関係ありません");
    out.Text(0, 170, "取れる組み合わせが無いときは、ボタン１で組み合わせをパスできます");
    out.Text(100, 190, "ボタン２でゲームスタート！");
}

void DrawFigures(const Game& g, tev::Sink& out) {
    for (int i = 0; i < 4; ++i) {
        int frame = 0, lift = 0;
        if (g.state == kFinished && g.result == kResultFailed) {
            frame = 2;
        } else if (g.state == kFinished) {
            // Cleared: every figure jumps for joy, one after the other.
            const int t = (g.frames + 4 * i) % 16;
            lift = t < 8 ? t : 16 - t;
            frame = lift > 2 ? 1 : 0;
        } else {
            frame = ((g.frames + 7 * i) / 12) % 2;
            lift = frame;
        }
        out.Blit(kSheet, kFigureX[i], kFigureY - lift, kFigures[i][frame]);
    }
}

}  // namespace

int RandomColour(tev::Rand15& rng) {
    return static_cast<int>((rng.Next() % 100) * 0.01 * kColours + 1);
}

void Start(Game& g, tev::Rand15& rng, uint32_t capture_base, tev::Sink& out) {
    g.capture_base = capture_base;
    std::snprintf(g.hint.data(), g.hint.size(), "%s", kHint);
    g.want = RandomPair(rng);
    g.next = RandomPair(rng);
    for (auto& column : g.well)
        for (int r = 0; r < kRows; ++r) column[r] = r < kFilledRows ? RandomColour(rng) : 0;
    g.cc = 2;
    g.cr = 5;
    g.vertical = false;
    g.state = kInstructions;
    out.Play(kSoundMusic, true);
}

void Fall(Game& g) {
    for (auto& column : g.well) {
        for (int r = 1; r < kRows; ++r) {
            if (column[r] != 0 && column[r - 1] == 0) {
                column[r - 1] = column[r];
                column[r] = 0;
            }
        }
    }
}

bool PairUnderCursor(const Game& g, int& a, int& b) {
    int c2 = 0, r2 = 0;
    SecondCell(g, c2, r2);
    if (g.cc < 0 || g.cc >= kColumns || g.cr < 0 || g.cr >= kRows || c2 >= kColumns || r2 < 0) return false;
    a = g.well[g.cc][g.cr];
    b = g.well[c2][r2];
    return true;
}

int Frame(Game& g, const tev::Buttons& buttons, tev::Rand15& rng, tev::Sink& out) {
    g.frames += 1;
    if (g.state == kInstructions) {
        DrawInstructions(g, out);
        if (buttons.Pressed(tev::kButton2)) g.state = kPlaying;
        return 0;
    }
    if (g.state == kPlaying) Step(g, buttons, rng, out);
    Draw(g, out);
    if (g.state != kFinished) return 0;

    out.FillRectColors(100, 20, 96, 75, kPanelTopLeft, kPanelSide, kPanelSide, kPanelBottomRight);
    if (g.result == kResultCleared) {
        out.Text(110, 30, "STAGE CLEARED!!");
    } else {
        out.Text(110, 30, "STAGE FAILED...");
        g.result = kResultFailed;
    }
    out.Text(105, 65, "ボタン２長押しで戻る");
    return buttons.Count(tev::kButton2) > kLeaveHold ? 1 : 0;
}

void Draw(Game& g, tev::Sink& out) {
    out.Blit(kBack, 0, 0, tev::Rect{0, 0, tev::kScreenWidth, tev::kScreenHeight});
    out.Line(100, 19, 99, 213, 1, kWhite);
    out.Line(99, 213, 197, 213, 1, kWhite);
    out.Line(197, 19, 197, 213, 1, kWhite);

    for (int c = 0; c < kColumns; ++c) {
        for (int r = 0; r < kRows; ++r) {
            int& v = g.well[c][r];
            if (v < 0 || v > kColours) v = 0;
            out.Blit(kSheet, CellX(c), CellY(r), kCells[v]);
        }
    }

    const int bar = g.pair_time * kTimerHeight / kPairFrames;
    out.FillRect(kTimerX, kTimerBottom - bar, 5, bar, kWhite);

    out.Blit(kSheet, CellX(g.cc), CellY(g.cr), g.vertical ? tip::kCursorV : tip::kCursorH);

    DrawFigures(g, out);

    MoveFlyers(g);
    for (const Flyer& f : g.flyers) {
        if (f.phase == kFree) continue;
        const int colour = f.colour >= 1 && f.colour <= kColours ? f.colour : 0;
        out.Blit(kSheet, f.x, f.y, kPieces[colour]);
    }
    // The combo beside the top of the stack: its pitch climbs with it.
    if (g.combo >= 2) {
        const int y = kParkY - kCell * (g.combo - 1) + 3;
        out.Blit(kSheet, kParkX + 2 * kCell + 1, y, tip::kTimes);
        tev::DrawNumber(out, kDigits, kParkX + 2 * kCell + 8, y, g.combo);
    }

    if (g.shown_total_frames > 0) {
        g.shown_total_frames -= 1;
        if (g.shown_total > 0) out.TextF(230, 80, "TOTAL %7d", g.shown_total);
    }

    out.FillRectColors(210, 10, 140, 60, kPanelTopLeft, kPanelSide, kPanelSide, kPanelBottomRight);
    out.Text(210, 10, "Give me");
    const tev::Rect w0 = kCells[g.want[0]], w1 = kCells[g.want[1]];
    if (g.slide > 0) {
        const int side = ((kSlideFrames - g.slide) * 16) / 10 + 8;
        out.Stretch(kSheet, 220 + 50 * g.slide / 5, 22, side, side, w0, 0);
        out.Stretch(kSheet, 236 + 58 * g.slide / 5, 22, side, side, w1, 0);
        g.slide -= 1;
    } else {
        out.Blit(kSheet, 220, 22, w0);
        out.Blit(kSheet, 236, 22, w1);
    }
    out.Text(260, 10, "Next");
    out.Stretch(kSheet, 270 + 50 * g.slide / 5, 22, 8, 8, kCells[g.next[0]], 0);
    out.Stretch(kSheet, 278 + 50 * g.slide / 5, 22, 8, 8, kCells[g.next[1]], 0);

    out.TextF(210, 42, "あと%d組  残り%4.2f秒", g.pairs_left, g.time_left / 60.0);
    out.TextF(20, 200, "SCORE %8.8d", g.score);
    out.Text(20, 225, g.hint.data());
}

}  // namespace sweet_pairs
