#include "games/grid_serpent/grid_serpent_rules.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <set>
#include <utility>
#include <vector>

#include "tests/support/recording_sink.h"

using namespace grid_serpent;

namespace {

using Rng = tev::Rand15;
using Buttons = tev::Buttons;

// The sink with the views these tests read.
struct Recorder : tevtest::RecordingSink {
    std::vector<tevtest::RectCall> rects() const { return FillRects(); }
    std::vector<tevtest::TextCall> texts() const { return Texts(); }
};

std::unique_ptr<Game> NewGame() {
    auto g = std::make_unique<Game>();
    Start(*g);
    return g;
}

Buttons Hold(std::initializer_list<int> held, int count = 5) { return tevtest::ButtonsWith(held, count); }

// Runs idle frames until the frame counter reaches t (still in play).
void RunTo(Game& g, int t, Rng& rng, Recorder& canvas) {
    while (g.t < t && g.state == kPlaying) Frame(g, Buttons{}, rng, canvas);
}

// A game in play at cell size 8, with a hand-made snake, about to move on
// the next frame.
std::unique_ptr<Game> GameInPlay(std::vector<std::pair<int, int>> body, int dir) {
    auto g = NewGame();
    g->t = 400;
    g->last_move_t = 400 - g->interval;
    g->segments = static_cast<int>(body.size());
    for (size_t i = 0; i < body.size(); ++i) g->seg[i] = Segment{body[i].first, body[i].second, 1};
    g->dir = g->wanted = dir;
    g->food = Food{312, 232, true};
    return g;
}

}  // namespace

TEST(GridSerpent, CountdownNumbersAndTimeline) {
    auto g = NewGame();
    Rng rng;
    Recorder canvas;

    Frame(*g, Buttons{}, rng, canvas);  // t = 0 only starts the clock
    EXPECT_EQ(g->t, 1);
    EXPECT_TRUE(canvas.texts().empty());

    auto number_at = [&](int t) {
        RunTo(*g, t, rng, canvas);
        canvas.Clear();
        Frame(*g, Buttons{}, rng, canvas);
        EXPECT_EQ(canvas.texts().size(), 1u);
        EXPECT_EQ(canvas.texts()[0].x, 150);
        EXPECT_EQ(canvas.texts()[0].y, 115);
        return canvas.texts()[0].text;
    };
    EXPECT_EQ(number_at(1), "3");
    EXPECT_EQ(number_at(60), "3");
    EXPECT_EQ(number_at(61), "2");
    EXPECT_EQ(number_at(179), "1");

    // t = 180 lays out the board: both segments on (cell, cell), a food.
    EXPECT_EQ(g->t, 180);
    canvas.Clear();
    Frame(*g, Buttons{}, rng, canvas);
    EXPECT_TRUE(canvas.rects().empty());
    EXPECT_EQ(g->seg[0].x, 8);
    EXPECT_EQ(g->seg[1].y, 8);
    EXPECT_TRUE(g->seg[1].active);
    EXPECT_FALSE(g->seg[2].active);
    EXPECT_TRUE(g->food.present);

    // The first move comes at t = 192, the first multiple of 12 after 180;
    // until then head and body share a cell without a collision.
    while (g->t < 192) {
        EXPECT_EQ(g->seg[0].x, 8) << "t=" << g->t;
        Frame(*g, Buttons{}, rng, canvas);
    }
    EXPECT_EQ(g->seg[0].x, 8);
    Frame(*g, Buttons{}, rng, canvas);  // the frame of t = 192
    EXPECT_EQ(g->state, kPlaying);
    EXPECT_EQ(g->seg[0].x, 16);
    EXPECT_EQ(g->seg[1].x, 8);
    EXPECT_EQ(g->moves, 1);
    EXPECT_EQ(g->last_move_t, 192);
}

TEST(GridSerpent, CellSizeStepsOnButtonEdges) {
    auto g = NewGame();
    Rng rng;
    Recorder canvas;
    Frame(*g, Buttons{}, rng, canvas);

    // Each press steps once however long it is held; 80 and 4 are the ends.
    auto press = [&](int button) {
        Frame(*g, Hold({button}, 1), rng, canvas);
        Frame(*g, Hold({button}, 2), rng, canvas);
        Frame(*g, Buttons{}, rng, canvas);
    };
    const int ups[] = {10, 20, 40, 80, 80};
    for (int want : ups) {
        press(4);
        EXPECT_EQ(g->cell, want);
    }
    const int downs[] = {40, 20, 10, 8, 4, 4};
    for (int want : downs) {
        press(5);
        EXPECT_EQ(g->cell, want);
    }
    // Both at once: button 1 wins.
    Frame(*g, Hold({4, 5}, 1), rng, canvas);
    EXPECT_EQ(g->cell, 8);
    Frame(*g, Buttons{}, rng, canvas);

    canvas.Clear();
    Frame(*g, Buttons{}, rng, canvas);
    EXPECT_FALSE(canvas.HasExactText("SIZE 8"));
    press(5);
    canvas.Clear();
    Frame(*g, Buttons{}, rng, canvas);
    ASSERT_TRUE(canvas.HasExactText("SIZE 4"));
    EXPECT_EQ(canvas.texts().back().x, 145);
    EXPECT_EQ(canvas.texts().back().y, 165);
}

TEST(GridSerpent, CellSizeReactsToAPressNotToAHeldButton) {
    auto g = NewGame();
    Rng rng;
    Recorder canvas;
    Frame(*g, Buttons{}, rng, canvas);
    // Held since before the countdown, then released: no step at all.
    for (int count = 2; count < 40; ++count) Frame(*g, Hold({tev::kButton1}, count), rng, canvas);
    Frame(*g, Hold({tev::kButton1}, -1), rng, canvas);
    for (int count = 7; count < 20; ++count) Frame(*g, Hold({tev::kButton2}, count), rng, canvas);
    EXPECT_EQ(g->cell, 8);
    // A press steps once, on its first frame only.
    Frame(*g, Hold({tev::kButton2}, 1), rng, canvas);
    EXPECT_EQ(g->cell, 4);
    Frame(*g, Hold({tev::kButton1}, 1), rng, canvas);
    Frame(*g, Hold({tev::kButton1}, 2), rng, canvas);
    EXPECT_EQ(g->cell, 8);
}

TEST(GridSerpent, ReverseDirectionsAreRefused) {
    auto game = NewGame();
    Game& g = *game;
    g.dir = g.wanted = kRight;
    ReadDirection(g, Hold({kLeft}));
    EXPECT_EQ(g.wanted, kRight);

    g.dir = g.wanted = kLeft;
    ReadDirection(g, Hold({kUp, kRight}));
    EXPECT_EQ(g.wanted, kUp);

    // Later buttons in the order up, down, left, right override earlier ones.
    g.dir = g.wanted = kRight;
    ReadDirection(g, Hold({kUp, kDown}));
    EXPECT_EQ(g.wanted, kDown);

    // The reverse is judged against the last move, not the wanted direction.
    g.dir = g.wanted = kUp;
    ReadDirection(g, Hold({kLeft}));
    ReadDirection(g, Hold({kDown}));
    EXPECT_EQ(g.wanted, kLeft);
}

TEST(GridSerpent, LeavingTheFieldLosesAndEndScreenFollows) {
    auto g = NewGame();
    Rng rng;
    Recorder canvas;
    int frames = 0;
    while (g->state == kPlaying && frames++ < 2000) Frame(*g, Buttons{}, rng, canvas);
    ASSERT_EQ(g->state, kLost);
    EXPECT_EQ(g->seg[0].x, 320);
    EXPECT_EQ(g->result, kUndecided);
    EXPECT_EQ(g->t, 1);

    bool saw_field = false, saw_verdict = false;
    while (g->state == kLost) {
        canvas.Clear();
        const int t = g->t;
        EXPECT_FALSE(Frame(*g, Buttons{}, rng, canvas));
        if (t < 120) saw_field |= canvas.HasExactText("SCORE     0");
        if (t >= 120 && t < 300) {
            ASSERT_EQ(canvas.texts().size(), 2u) << "t=" << t;
            EXPECT_EQ(canvas.texts()[0].text, " - 完 - ");
            EXPECT_EQ(canvas.texts()[0].x, 144);
            EXPECT_EQ(canvas.texts()[1].text, "SCORE    0");
            saw_verdict = true;
        }
    }
    EXPECT_TRUE(saw_field);
    EXPECT_TRUE(saw_verdict);
    EXPECT_EQ(g->state, kFinished);
    EXPECT_EQ(g->result, kResultLost);
    canvas.Clear();
    EXPECT_TRUE(Frame(*g, Buttons{}, rng, canvas));
    EXPECT_TRUE(canvas.rects().empty());
}

TEST(GridSerpent, RunningIntoTheBodyLoses) {
    // A U shape: turning down puts the head on the last segment.
    auto g = GameInPlay({{16, 16}, {24, 16}, {24, 24}, {16, 24}, {8, 24}}, kLeft);
    Rng rng;
    Recorder canvas;
    Frame(*g, Hold({kDown}), rng, canvas);
    EXPECT_EQ(g->state, kLost);
}

TEST(GridSerpent, ChasingTheTailIntoItsLastCellIsSafe) {
    // Four segments in a square: the head moves into the cell the tail has
    // just left. The copy behind the tail is active but not part of the body.
    auto g = GameInPlay({{16, 16}, {24, 16}, {24, 24}, {16, 24}}, kLeft);
    Rng rng;
    Recorder canvas;
    Frame(*g, Hold({kDown}), rng, canvas);
    EXPECT_EQ(g->seg[0].x, 16);
    EXPECT_EQ(g->seg[0].y, 24);
    EXPECT_EQ(g->state, kPlaying);
    // Only the four segments are drawn (plus the food).
    EXPECT_EQ(canvas.rects().size(), 5u);
    EXPECT_EQ(canvas.rects()[0].color, kHeadColor);
    EXPECT_EQ(canvas.rects()[1].color, 0xFF00FFFEu);
    EXPECT_EQ(canvas.rects()[4].color, kFoodColor);
}

TEST(GridSerpent, FoodAvoidsTheBodyAndMostlyTheHead) {
    auto g = GameInPlay({{160, 120}, {168, 120}, {176, 120}, {40, 40}}, kLeft);
    g->food.present = false;
    // Draws are cell indices (cell 8: 40 columns, 30 rows). A generator whose
    // draws are 1) on the body far from the head (5, 5) -> rejected; 2) free (1, 1).
    const uint32_t seed = tevtest::SeedWhere([](Rng r) {
        return r.Next() % 40 == 5 && r.Next() % 30 == 5 && r.Next() % 40 == 1 && r.Next() % 30 == 1;
    });
    ASSERT_NE(seed, 0u);
    Rng rng(seed);
    PlaceFood(*g, rng);
    ASSERT_TRUE(g->food.present);
    EXPECT_EQ(g->food.x, 8);
    EXPECT_EQ(g->food.y, 8);
    EXPECT_EQ(tevtest::DrawsBetween(Rng(seed), rng), 4);
}

TEST(GridSerpent, FoodNearTheHeadOnlyAfterAHundredRefusalsAndNeverOnTheBody) {
    // Cell 40 (8 x 6): the head at (160, 120) and a body on every cell far
    // from it, so each draw is refused for the distance or for the body.
    auto g = NewGame();
    g->cell = 40;
    g->t = 400;
    std::set<std::pair<int, int>> body = {{160, 120}};
    for (int x : {0, 40, 80, 240, 280})
        for (int y : {0, 40, 200}) body.insert({x, y});
    g->segments = 0;
    g->seg[g->segments++] = Segment{160, 120, 1};
    for (auto [x, y] : body)
        if (x != 160 || y != 120) g->seg[g->segments++] = Segment{x, y, 1};
    auto cell = [](Rng& r) {
        const int x = 40 * (r.Next() % 8);
        return std::pair<int, int>{x, 40 * (r.Next() % 6)};
    };
    // The 101st draw lands on the body (refused even now), the 102nd on a
    // free cell near the head; some of the first hundred were free near cells.
    std::pair<int, int> expected;
    const uint32_t seed = tevtest::SeedWhere([&](Rng r) {
        bool near_free = false;
        for (int i = 0; i < 100; ++i) near_free |= !body.count(cell(r));
        if (!near_free || !body.count(cell(r))) return false;
        expected = cell(r);
        return !body.count(expected);
    });
    ASSERT_NE(seed, 0u);
    Rng rng(seed);
    PlaceFood(*g, rng);
    ASSERT_TRUE(g->food.present);
    EXPECT_EQ(g->food.x, expected.first);
    EXPECT_EQ(g->food.y, expected.second);
    EXPECT_TRUE(std::abs(g->food.x - 160) < 80 || std::abs(g->food.y - 120) < 80);
    EXPECT_EQ(tevtest::DrawsBetween(Rng(seed), rng), 204);
}

TEST(GridSerpent, FoodFindsTheLastFreeCellEvenWithAnUnluckyGenerator) {
    // Cell 4 (80 x 60): every cell but the last is body, and the generator
    // misses that cell for the whole of the 10 000 lucky draws.
    auto g = NewGame();
    g->cell = 4;
    g->t = 400;
    g->segments = 80 * 60 - 1;
    for (int i = 0; i < g->segments; ++i) g->seg[i] = Segment{4 * (i % 80), 4 * (i / 80), 1};
    const uint32_t seed = tevtest::SeedWhere([](Rng r) {
        for (int i = 0; i < 10000; ++i) {
            const bool last_column = r.Next() % 80 == 79;
            if (r.Next() % 60 == 59 && last_column) return false;
        }
        return true;
    });
    ASSERT_NE(seed, 0u);
    Rng rng(seed);
    PlaceFood(*g, rng);
    ASSERT_TRUE(g->food.present);
    EXPECT_EQ(g->food.x, 316);
    EXPECT_EQ(g->food.y, 236);
    EXPECT_EQ(tevtest::DrawsBetween(Rng(seed), rng), 20001);

    // No food at all once the state has left play.
    g->food.present = false;
    g->state = kLost;
    PlaceFood(*g, rng);
    EXPECT_FALSE(g->food.present);
}

TEST(GridSerpent, EveryThirdFoodShortensTheInterval) {
    auto g = GameInPlay({{4, 8}, {4, 8}}, kRight);
    g->cell = 4;
    Rng rng;
    Recorder canvas;
    int expected_interval = 12, expected_score = 0;
    while (g->eaten < 40 && g->state == kPlaying) {
        // Keep a food right in front of the head.
        g->food = Food{g->seg[0].x + 4, g->seg[0].y, true};
        const int moves = g->moves;
        const int eaten = g->eaten;
        Frame(*g, Buttons{}, rng, canvas);
        if (g->moves == moves) continue;
        ASSERT_EQ(g->eaten, eaten + 1);
        expected_score += eaten + 100 * eaten + 100;
        if (g->eaten % 3 == 0 && expected_interval > 2) --expected_interval;
        ASSERT_EQ(g->interval, expected_interval) << "eaten=" << g->eaten;
    }
    EXPECT_EQ(g->eaten, 40);
    EXPECT_EQ(g->interval, 2);
    EXPECT_EQ(g->score, expected_score);
    EXPECT_EQ(g->segments, 2 + 4);  // one segment per ten moves
}

TEST(GridSerpent, FillingTheSmallestFieldWins) {
    auto g = NewGame();
    Rng rng;
    Recorder canvas;
    Frame(*g, Buttons{}, rng, canvas);
    for (int i = 0; i < 4; ++i) {
        Frame(*g, Hold({4}, 1), rng, canvas);
        Frame(*g, Buttons{}, rng, canvas);
    }
    ASSERT_EQ(g->cell, 80);
    EXPECT_EQ(CellCount(*g), 12);

    // Follow a cycle through all 12 cells, starting right from (1, 1).
    const int cycle[12][2] = {{1, 1}, {2, 1}, {2, 2}, {3, 2}, {3, 1}, {3, 0},
                              {2, 0}, {1, 0}, {0, 0}, {0, 1}, {0, 2}, {1, 2}};
    int frames = 0;
    while (g->state == kPlaying && frames++ < 5000) {
        Buttons b;
        if (g->t > 180) {
            const int cx = g->seg[0].x / 80, cy = g->seg[0].y / 80;
            for (int i = 0; i < 12; ++i) {
                if (cycle[i][0] != cx || cycle[i][1] != cy) continue;
                const int nx = cycle[(i + 1) % 12][0], ny = cycle[(i + 1) % 12][1];
                b = Hold({nx > cx ? kRight : nx < cx ? kLeft : ny > cy ? kDown : kUp});
            }
        }
        Frame(*g, b, rng, canvas);
    }
    ASSERT_EQ(g->state, kWon);
    EXPECT_EQ(g->segments, 12);
    EXPECT_EQ(g->moves, 100);

    bool saw_verdict = false;
    while (g->state == kWon) {
        canvas.Clear();
        Frame(*g, Buttons{}, rng, canvas);
        saw_verdict |= canvas.HasExactText(" - 祝 - ");
    }
    EXPECT_TRUE(saw_verdict);
    EXPECT_EQ(g->result, kResultWon);
    EXPECT_TRUE(Frame(*g, Buttons{}, rng, canvas));
}
