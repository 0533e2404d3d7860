#include "games/block_zoning/block_zoning_rules.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <numeric>

#include "games/block_zoning/back_sprites.h"

namespace block_zoning {

const char* const kBanner = "BLOCK ZONING";
const char* const kScoreFileName = "./hiscore.ini";

namespace {

constexpr int kPanelX = 265;
constexpr int kShadeStep = 96;

bool Overlaps(const Block& b, int col, int row, int w, int h) {
    return b.col < col + w && col < b.col + b.width && b.row < row + h && row < b.row + b.height;
}

bool IsCommercial(int kind) { return kind == kCommercialWide || kind == kCommercialTall; }
bool IsIndustrial(int kind) { return kind == kIndustrialWide || kind == kIndustrialTall; }

int Cell(int col, int row) { return col * kGridSize + row; }

// The map summed over the cells touching the block's four sides (corners
// excluded, strips beyond the grid skipped).
int32_t SumAround(const Block& b, const std::array<int32_t, kGridSize * kGridSize>& map) {
    int32_t sum = 0;
    for (int c = b.col; c < b.col + b.width; ++c) {
        if (b.row - 1 >= 0) sum += map[Cell(c, b.row - 1)];
        if (b.row + b.height < kGridSize) sum += map[Cell(c, b.row + b.height)];
    }
    for (int r = b.row; r < b.row + b.height; ++r) {
        if (b.col - 1 >= 0) sum += map[Cell(b.col - 1, r)];
        if (b.col + b.width < kGridSize) sum += map[Cell(b.col + b.width, r)];
    }
    return sum;
}

void Paint(std::array<int32_t, kGridSize * kGridSize>& map, const Block& b) {
    for (int c = b.col; c < b.col + b.width; ++c)
        for (int r = b.row; r < b.row + b.height; ++r) map[Cell(c, r)] = b.worth;
}

int SoundOf(int kind) {
    switch (kind) {
        case kResidential: return sound::kHouse;
        case kCommercialWide:
        case kCommercialTall: return sound::kShop;
        case kIndustrialWide:
        case kIndustrialTall: return sound::kFactory;
        default: return sound::kTick;
    }
}

void PlayInput(Game& g, const tev::Buttons& b, tev::Sink& out) {
    const int w = kWidth[g.kind];
    const int h = kHeight[g.kind];
    if (b.Pressed(tev::kLeft) && g.col > 0) {
        --g.col;
        out.Play(sound::kTick);
    }
    if (b.Pressed(tev::kRight) && g.col + w < kGridSize) {
        ++g.col;
        out.Play(sound::kTick);
    }
    if (b.Pressed(tev::kUp) && g.row > 0) {
        --g.row;
        out.Play(sound::kTick);
    }
    if (b.Pressed(tev::kDown) && g.row + h < kGridSize) {
        ++g.row;
        out.Play(sound::kTick);
    }
    if (b.Pressed(tev::kButton2) && g.turns_left > kLockedTurns) {
        g.kind = (g.kind + 1) % kKindCount;
        out.Play(sound::kTick);
        g.col -= std::max(0, g.col + kWidth[g.kind] - kGridSize);
        g.row -= std::max(0, g.row + kHeight[g.kind] - kGridSize);
    }
    if (b.Pressed(tev::kButton1) && Place(g, g.kind, g.col, g.row)) EndTurn(g, g.kind, out);
}

void CountUp(Game& g, tev::Sink& out) {
    // Removing houses lowers the score; the counter follows at once, or it
    // would never meet the score again and input would wait forever.
    if (g.shown_score > g.score) g.shown_score = g.score;
    if (g.shown_score >= g.score) return;
    out.Play(sound::kTick);
    const int32_t gap = g.score - g.shown_score;
    if (gap >= 1001)
        g.shown_score += 100;
    else if (gap < 11)
        g.shown_score += 1;
    else
        g.shown_score += gap / 10;
}

void VPrint(tev::Sink& out, int x, int y, uint32_t color, bool centered, const char* format, va_list args) {
    char text[128];
    std::vsnprintf(text, sizeof text, format, args);
    const int length = static_cast<int>(std::strlen(text));
    if (centered) x -= 5 * length;
    out.SetTextureColors(kFontTexture, Shade(color, kShadeStep), Shade(color, kShadeStep),
                         Shade(color, -kShadeStep), Shade(color, -kShadeStep));
    for (int i = 0; i < length; ++i) {
        const char c = text[i];
        // Only the printable set has cells; anything else would read outside the font.
        if (c <= ' ' || c > '~') continue;
        out.Blit(kFontTexture, x + 10 * i, y, GlyphCell(c));
    }
}

constexpr tev::Rect kCursors[kKindCount] = {
    object::kCursorPass,           object::kCursorResidential,    object::kCursorCommercialWide,
    object::kCursorCommercialTall, object::kCursorIndustrialWide, object::kCursorIndustrialTall};

void DrawCursor(const Game& g, tev::Sink& out) {
    out.Blit(kObjectTexture, kGridLeft + kCellSize * g.col, kGridTop + kCellSize * g.row, kCursors[g.kind]);
}

}  // namespace

uint32_t Shade(uint32_t color, int delta) {
    uint32_t out = color & 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8) {
        const int channel = std::clamp(static_cast<int>(color >> shift & 0xFF) + delta, 0, 255);
        out |= static_cast<uint32_t>(channel) << shift;
    }
    return out;
}

tev::Rect GlyphCell(char c) {
    const int code = static_cast<signed char>(c);
    return {font::kGlyphs.x + code % 16 * 10, font::kGlyphs.y + code / 16 * 20 - 40, 10, 20};
}

void Print(tev::Sink& out, int x, int y, uint32_t color, const char* format, ...) {
    va_list args;
    va_start(args, format);
    VPrint(out, x, y, color, false, format, args);
    va_end(args);
}

void PrintCentered(tev::Sink& out, int x, int y, uint32_t color, const char* format, ...) {
    va_list args;
    va_start(args, format);
    VPrint(out, x, y, color, true, format, args);
    va_end(args);
}

void Start(Game& g, tev::Rand15& rng, const char* scorePath) {
    g.state = kTitle;
    g.blocks = {};
    g.score = 0;
    g.shown_score = 0;
    int cells[kGridSize * kGridSize];
    std::iota(std::begin(cells), std::end(cells), 0);
    for (int i = 0; i < kShuffleSwaps; ++i) {
        const int second = rng.Next() % 100;
        const int first = rng.Next() % 100;
        std::swap(cells[first], cells[second]);
    }
    for (int i = 0; i < kObstacles; ++i) Place(g, kObstacle, cells[i] % kGridSize, cells[i] / kGridSize);
    g.col = 3;
    g.row = 3;
    g.kind = kResidential;
    g.turns_left = kTurns;
    if (scorePath != nullptr) {
        g.best.Load(scorePath, 0);
        g.high = g.best.score();
    }
}

bool Place(Game& g, int kind, int col, int row) {
    if (kind == kPass) return true;
    const int w = kWidth[kind];
    const int h = kHeight[kind];
    // Obstacles are checked first so that a refused placement removes nothing.
    for (const Block& b : g.blocks)
        if (b.kind == kObstacle && Overlaps(b, col, row, w, h)) return false;
    for (Block& b : g.blocks)
        if (b.kind != kPass && Overlaps(b, col, row, w, h)) b = Block{};
    for (Block& b : g.blocks) {
        if (b.kind != kPass) continue;
        b = Block{kind, col, row, w, h, 1};
        return true;
    }
    return false;
}

void EndTurn(Game& g, int kind, tev::Sink& out) {
    out.Play(SoundOf(kind));
    g.industry = {};
    g.commerce = {};
    for (const Block& b : g.blocks) {
        if (IsIndustrial(b.kind)) Paint(g.industry, b);
        if (IsCommercial(b.kind)) Paint(g.commerce, b);
    }
    for (Block& b : g.blocks) {
        if (b.kind == kResidential) b.worth += SumAround(b, g.commerce);
        if (IsCommercial(b.kind)) b.worth += SumAround(b, g.industry);
    }
    g.score = HouseWorth(g);
    if (--g.turns_left <= 0) g.state = kEnd;
}

int32_t HouseWorth(const Game& g) {
    int32_t sum = 0;
    for (const Block& b : g.blocks)
        if (b.kind == kResidential) sum += b.worth;
    return sum;
}

int Frame(Game& g, const tev::Buttons& buttons, tev::Rand15& rng, tev::Sink& out) {
    g.score = HouseWorth(g);
    CountUp(g, out);
    if (g.shown_score == g.score) {
        const bool any = buttons.Pressed(tev::kButton1) || buttons.Pressed(tev::kButton2);
        switch (g.state) {
            case kTitle:
                if (any) {
                    g.state = kPlay;
                    out.Play(sound::kStart);
                }
                break;
            case kPlay: PlayInput(g, buttons, out); break;
            case kEnd:
                if (any) g.result = g.score >= kClearScore ? kResultCleared : kResultFailed;
                break;
            default: break;
        }
    }
    Draw(g, rng, out);
    return g.result;
}

void Draw(const Game& g, tev::Rand15& rng, tev::Sink& out) {
    out.Blit(kBackTexture, 0, 0, back::kScreen);

    PrintCentered(out, kPanelX, 20, kYellow, "LEFT TURN");
    PrintCentered(out, kPanelX, 40, kYellow, "%02d", g.turns_left);
    PrintCentered(out, kPanelX, 80, kYellow, "SCORE");
    PrintCentered(out, kPanelX, 100, kYellow, "%05d", g.shown_score);
    PrintCentered(out, kPanelX, 110, kYellow, "-----");
    PrintCentered(out, kPanelX, 120, kOrange, "%05d", kClearScore);
    PrintCentered(out, kPanelX, 140, kOrange, "CLEAR");
    PrintCentered(out, kPanelX, 180, kRed, "HI-SCORE");
    PrintCentered(out, kPanelX, 200, kRed, "%05d", g.high);

    for (const Block& b : g.blocks) {
        const int x = kGridLeft + kCellSize * b.col;
        const int y = kGridTop + kCellSize * b.row;
        const int cx = kCellSize * b.col;
        const int cy = kCellSize * b.row;
        switch (b.kind) {
            case kResidential:
                out.Blit(kObjectTexture, x, y, object::kResidential);
                PrintCentered(out, cx + 50, cy + 51, kHouseText, "%05d", b.worth);
                break;
            case kCommercialWide:
                out.Blit(kObjectTexture, x, y, object::kCommercialWide);
                PrintCentered(out, cx + 80, cy + 31, kShopText, "%03d", b.worth);
                break;
            case kCommercialTall:
                out.Blit(kObjectTexture, x, y, object::kCommercialTall);
                PrintCentered(out, cx + 40, cy + 71, kShopText, "%03d", b.worth);
                break;
            case kIndustrialWide: out.Blit(kObjectTexture, x, y, object::kIndustrialWide); break;
            case kIndustrialTall: out.Blit(kObjectTexture, x, y, object::kIndustrialTall); break;
            case kObstacle: out.Blit(kObjectTexture, x, y, object::kObstacle); break;
            default: break;
        }
    }

    if (g.shown_score != g.score) {
        DrawCursor(g, out);
        return;
    }
    switch (g.state) {
        case kTitle: {
            const int r = rng.Next() % 255;
            const int gr = rng.Next() % 255;
            const int bl = rng.Next() % 255;
            const uint32_t color = 0xFF000000u | static_cast<uint32_t>(r) << 16 | static_cast<uint32_t>(gr) << 8 |
                                   static_cast<uint32_t>(bl);
            PrintCentered(out, 160, 106, color, "%s", kBanner);
            PrintCentered(out, 160, 126, kYellow, "PRESS ANY BUTTON");
            break;
        }
        case kPlay: DrawCursor(g, out); break;
        case kEnd:
            PrintCentered(out, 160, 106, kRed, g.score >= kClearScore ? "GAME CLEAR!!" : "GAME OVER");
            PrintCentered(out, 160, 126, kYellow, "PRESS ANY BUTTON");
            break;
        default: break;
    }
}

int Finish(Game& g) {
    g.score = HouseWorth(g);
    if (g.score > g.high) {
        g.high = g.score;
        g.best.Save(g.high);
    }
    return g.result;
}

}  // namespace block_zoning
