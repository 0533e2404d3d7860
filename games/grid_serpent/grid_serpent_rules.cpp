#include "games/grid_serpent/grid_serpent_rules.h"

#include <cstdlib>
#include <vector>

namespace grid_serpent {
namespace {

constexpr int kCellSizes[] = {4, 8, 10, 20, 40, 80};
constexpr int kCellSizeCount = sizeof(kCellSizes) / sizeof(kCellSizes[0]);

// Draws after which food placement stops trusting luck and picks among the
// free cells directly; a generator that keeps missing the last free cells
// must not hang the frame.
constexpr int kFoodDrawLimit = 10000;

bool OnBody(const Game& g, int x, int y) {
    for (int i = 0; i < g.segments; ++i) {
        const Segment& s = g.seg[i];
        if (s.active && s.x == x && s.y == y) return true;
    }
    return false;
}

void Countdown(Game& g, const tev::Buttons& buttons, tev::Sink& sink) {
    ReadDirection(g, buttons);
    sink.TextF(150, 115, "%d", (240 - g.t) / 60);
    if (buttons.Pressed(tev::kButton1)) {
        g.cell = NextCellUp(g.cell);
    } else if (buttons.Pressed(tev::kButton2)) {
        g.cell = NextCellDown(g.cell);
    }
    if (g.cell != 8) sink.TextF(145, 165, "SIZE %d", g.cell);
    g.t += 1;
}

void LayOut(Game& g, tev::Rand15& rng) {
    for (int i = 0; i < kMaxSegments; ++i) {
        g.seg[i].x = g.cell;
        g.seg[i].y = g.cell;
        g.seg[i].active = i < 2 ? 1 : 0;
    }
    PlaceFood(g, rng);
    g.t += 1;
}

void Collide(Game& g, tev::Rand15& rng) {
    const Segment& head = g.seg[0];
    if (head.x < 0 || head.x >= kFieldWidth || head.y < 0 || head.y >= kFieldHeight) {
        g.state = kLost;
        g.t = 0;
    }
    // Only the drawn body counts: the shift leaves active copies of the last
    // positions just behind the tail, and dying on an empty-looking cell
    // would be a plain fault.
    if (g.t > kImmuneUntil) {
        for (int i = 1; i < g.segments; ++i) {
            const Segment& s = g.seg[i];
            if (s.active && s.x == head.x && s.y == head.y) {
                g.state = kLost;
                g.t = 0;
                break;
            }
        }
    }
    if (g.food.present && g.food.x == head.x && g.food.y == head.y) {
        g.score += 100 * g.eaten + 100;
        g.eaten += 1;
        g.food.present = false;
        PlaceFood(g, rng);
        if (g.eaten % 3 < g.eaten_before % 3 && g.interval > 2) g.interval -= 1;
    }
}

void Play(Game& g, const tev::Buttons& buttons, tev::Rand15& rng, tev::Sink& sink) {
    ReadDirection(g, buttons);
    if ((g.t - g.last_move_t) % g.interval == 0) {
        Move(g);
        g.last_move_t = g.t;
    }
    DrawField(g, sink);
    Collide(g, rng);
    g.eaten_before = g.eaten;
    g.t += 1;
}

void EndScreen(Game& g, tev::Sink& sink) {
    if (g.t < 120) {
        DrawField(g, sink);
    } else if (g.t < 300) {
        sink.Text(144, 90, g.state == kLost ? " - 完 - " : " - 祝 - ");
        sink.TextF(134, 130, "SCORE %4d", g.score);
    }
    if (g.t > 300) {
        g.result = g.state == kLost ? kResultLost : kResultWon;
        g.state = kFinished;
    }
    g.t += 1;
}

}  // namespace

void Start(Game& g) {
    g.t = 0;
    g.state = kPlaying;
    g.score = 0;
    g.moves = 0;
    g.eaten = 0;
    g.eaten_before = 0;
    g.interval = 12;
    g.segments = 2;
    g.wanted = kRight;
    g.dir = kRight;
    g.cell = 8;
    g.last_move_t = 0;
    g.result = kUndecided;
    g.food = Food{};
}

int CellCount(const Game& g) { return (kFieldWidth / g.cell) * (kFieldHeight / g.cell); }

int NextCellUp(int cell) {
    for (int i = 0; i + 1 < kCellSizeCount; ++i)
        if (kCellSizes[i] == cell) return kCellSizes[i + 1];
    return kCellSizes[kCellSizeCount - 1];
}

int NextCellDown(int cell) {
    for (int i = kCellSizeCount - 1; i > 0; --i)
        if (kCellSizes[i] == cell) return kCellSizes[i - 1];
    return kCellSizes[0];
}

void ReadDirection(Game& g, const tev::Buttons& buttons) {
    for (int d = kUp; d <= kRight; ++d) {
        // Up/down and left/right are the pairs 0/1 and 2/3.
        if (buttons.Held(d) && d != (g.dir ^ 1)) g.wanted = d;
    }
}

void Move(Game& g) {
    const int last = g.segments < kMaxSegments - 1 ? g.segments : kMaxSegments - 2;
    for (int i = last; i >= 0; --i) g.seg[i + 1] = g.seg[i];
    Segment& head = g.seg[0];
    switch (g.wanted) {
        case kUp: head.y -= g.cell; break;
        case kDown: head.y += g.cell; break;
        case kLeft: head.x -= g.cell; break;
        default: head.x += g.cell; break;
    }
    g.dir = g.wanted;
    g.score += g.eaten;
    g.moves += 1;
    if (g.moves % 10 == 0) {
        for (int i = 0; i < kMaxSegments; ++i) {
            if (!g.seg[i].active) {
                g.seg[i].active = 1;
                break;
            }
        }
        if (g.segments < kMaxSegments) g.segments += 1;
        if (g.segments >= CellCount(g)) {
            g.state = kWon;
            // The end screen counts from the moment of winning, as it does
            // after a loss; otherwise the verdict would never be shown.
            g.t = 0;
        }
    }
}

void PlaceFood(Game& g, tev::Rand15& rng) {
    if (g.state != kPlaying || g.food.present) return;
    const int columns = kFieldWidth / g.cell;
    const int rows = kFieldHeight / g.cell;
    const int hx = g.seg[0].x;
    const int hy = g.seg[0].y;
    int rejected = 0;
    for (int draws = 0; draws < kFoodDrawLimit; ++draws) {
        const int x = g.cell * (rng.Next() % columns);
        const int y = g.cell * (rng.Next() % rows);
        if (rejected < kFoodDistanceRetries &&
            (std::abs(x - hx) < kFoodMinDistance || std::abs(y - hy) < kFoodMinDistance)) {
            ++rejected;
            continue;
        }
        if (OnBody(g, x, y)) {
            ++rejected;
            continue;
        }
        g.food = Food{x, y, true};
        return;
    }
    std::vector<int> free_cells;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c)
            if (!OnBody(g, c * g.cell, r * g.cell)) free_cells.push_back(r * columns + c);
    if (free_cells.empty()) return;
    const int pick = free_cells[rng.Next() % static_cast<int>(free_cells.size())];
    g.food = Food{g.cell * (pick % columns), g.cell * (pick / columns), true};
}

void DrawField(const Game& g, tev::Sink& sink) {
    for (int i = 0; i < g.segments; ++i) {
        const Segment& s = g.seg[i];
        if (!s.active) continue;
        const uint32_t color = i == 0 ? kHeadColor : kBodyColorBase - static_cast<uint32_t>(i % 255);
        sink.FillRect(s.x, s.y, g.cell, g.cell, color);
    }
    if (g.food.present) sink.FillRect(g.food.x, g.food.y, g.cell, g.cell, kFoodColor);
    sink.TextF(0, 0, "SCORE%6d", g.score);
}

bool Frame(Game& g, const tev::Buttons& buttons, tev::Rand15& rng, tev::Sink& sink) {
    switch (g.state) {
        case kFinished:
            return true;
        case kPlaying:
            if (g.t == 0) {
                g.cell = 8;
                g.t = 1;
            } else if (g.t < kSetupFrame) {
                Countdown(g, buttons, sink);
            } else if (g.t == kSetupFrame) {
                LayOut(g, rng);
            } else {
                Play(g, buttons, rng, sink);
            }
            return false;
        default:
            EndScreen(g, sink);
            return false;
    }
}

}  // namespace grid_serpent
