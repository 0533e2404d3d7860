#include "games/party_march/party_march_rules.h"

#include <cstring>

namespace party_march {
namespace {

// Lanes 1 ... 7 in groups of ten columns, column 0 first: 0 1 2 walkable
// ground, 3 4 walls.
const char* const kLaneTiles[kLanes] = {
    "0000000000 0000000000 0000000000 0000010000 0000000000 0400000000 0000000000 0000000001 0000000000 0000400000 0400000000"
    "0001133333 0001011100 0011100333 0011100000 0444444444 4444444444 4444444444 4444444444 4444444444 444",
    "0000030000 0000300000 0000000000 0000000000 0000000010 0400010001 0000000310 0000100000 0001000000 0100400010 0100000000"
    "0011113330 0010011101 0011100333 0033300000 0400000000 0004400000 0000000000 0000440000 0440000000 044",
    "0010000000 0000000000 0001000000 0001000010 0010000000 0430000000 0001001000 0300000000 0000000000 0000400000 0100000000"
    "0111111300 1000033300 0011100333 0033300000 0000000000 0004400000 0000000000 0000440000 0440000000 044",
    "0000000100 0000000100 0000000000 0003333000 0000000000 0001000100 0000000000 0100001000 0000001000 0000000001 0101000000"
    "1111111100 0000033300 0011100111 0033300000 0000044040 0004400000 0000000000 0000000000 0440000000 004",
    "0000000000 0000000000 0000000300 0000000000 0000000000 0000004000 0000100000 0000030000 0000300001 0000010000 0100000000"
    "3111111000 0010011100 1033300111 0033300000 0000044040 0000000000 0000000004 4000000000 0000000000 044",
    "0000300000 0000000000 0000000000 0000000000 0000000100 0000004000 1030000003 0000010000 0003330000 0000000100 0100000003"
    "3311110001 0000011100 0013300111 0011100000 0400044040 0000000044 0000000444 4000000000 0000000000 044",
    "0000000000 0033300000 0010000000 0103000000 0100000000 0000104000 0000000100 0000000000 1000300000 0100000000 0400000033"
    "3331100100 0000011100 0011100111 0011100000 0444444444 4444444444 4444444444 4444444444 4444444444 444",
};

struct Start3 {
    int col, lane, cls;
};
struct Start4 {
    int col, lane, cls, ai;
};

const Start3 kPartyStart[kPartySize] = {{1, 1, kHero},   {10, 4, kKnight}, {15, 5, kMage},  {20, 2, kThief},
                                        {25, 6, kKnight}, {30, 3, kThief},  {35, 7, kMage},  {45, 5, kKnight},
                                        {60, 6, kThief},  {80, 1, kMage}};

const Start4 kEnemyStart[] = {
    {201, 4, 0, 0}, {13, 4, 4, 4},  {18, 5, 1, 1},  {23, 2, 2, 2},  {28, 6, 3, 3},  {33, 3, 1, 1},  {38, 5, 2, 2},
    {43, 1, 4, 4},  {43, 4, 3, 3},  {43, 7, 4, 4},  {48, 6, 3, 3},  {53, 2, 1, 1},  {53, 4, 1, 1},  {53, 6, 1, 1},
    {58, 3, 2, 2},  {58, 6, 2, 2},  {63, 1, 3, 3},  {63, 5, 3, 3},  {68, 1, 1, 1},  {68, 3, 1, 1},  {73, 6, 1, 1},
    {78, 1, 4, 4},  {83, 3, 3, 3},  {93, 5, 4, 4},  {93, 7, 2, 2},  {107, 1, 8, 3}, {107, 1, 3, 3}, {112, 2, 9, 4},
    {112, 2, 4, 4}, {112, 4, 4, 4}, {113, 5, 1, 1}, {114, 6, 7, 2}, {114, 4, 4, 4}, {115, 5, 3, 3}, {115, 4, 1, 1},
    {117, 6, 7, 2}, {117, 5, 2, 2}, {121, 4, 6, 1}, {121, 4, 1, 1}, {127, 5, 2, 2}, {131, 2, 9, 4}, {131, 3, 4, 4},
    {135, 6, 4, 4}, {145, 1, 1, 1}, {145, 7, 6, 1}, {157, 6, 7, 2}, {165, 2, 7, 2}, {170, 2, 8, 3}, {172, 3, 9, 4},
    {173, 6, 8, 3}, {175, 5, 9, 4}, {176, 2, 8, 3}, {183, 2, 6, 1}, {186, 2, 7, 2}, {186, 3, 8, 3}, {189, 2, 7, 2},
    {189, 3, 8, 3}, {193, 5, 7, 2}, {193, 6, 7, 2}, {195, 3, 9, 4}, {195, 5, 9, 4}, {198, 2, 6, 1}, {198, 6, 6, 1},
    {200, 2, 8, 3}, {200, 6, 8, 3}};

// The sheet's look of each class: party on the top row, enemies below.
constexpr tev::Rect kPartyLook[10] = {chara::kHero,      chara::kKnight,      chara::kMage,      chara::kThief,
                                      chara::kHero,      chara::kHeroPromoted, chara::kKnightPromoted,
                                      chara::kMagePromoted, chara::kThiefPromoted, chara::kHeroPromoted};
constexpr tev::Rect kEnemyLook[10] = {chara::kBoss,      chara::kOrc,      chara::kWarlock,      chara::kBandit,
                                      chara::kSlime,     chara::kBoss,     chara::kOrcChief,     chara::kArchWarlock,
                                      chara::kBanditBoss, chara::kSlimeKing};
constexpr tev::Rect kTiles[5] = {map::kGrass, map::kFlowers, map::kPath, map::kRock, map::kTree};

constexpr uint32_t kEnemyOutline = 0xFFFF0000;
constexpr uint32_t kPartyOutline = 0xFF0000FF;
constexpr uint32_t kPanelGreen = 0xFF00FF00;

int Chance(tev::Rand15& rand) { return rand.Next() % 100; }

void Step(int direction, int& col, int& lane) {
    switch (direction) {
        case kGoUp: --lane; break;
        case kGoDown: ++lane; break;
        case kGoLeft: --col; break;
        case kGoRight: ++col; break;
        default: break;
    }
}

int MemberAt(const Game& g, int col, int lane, int except) {
    for (int i = 0; i < kPartySize; ++i)
        if (i != except && g.party[i].alive && g.party[i].col == col && g.party[i].lane == lane) return i;
    return -1;
}

int EnemyAt(const Game& g, int col, int lane, int except) {
    for (int i = 0; i < kEnemySlots; ++i)
        if (i != except && g.enemies[i].alive && g.enemies[i].col == col && g.enemies[i].lane == lane) return i;
    return -1;
}

// The step's own bounds: the lanes, the camera's left edge.
bool InBounds(const Game& g, const Unit& u, int direction) {
    switch (direction) {
        case kGoUp: return u.lane > 1;
        case kGoDown: return u.lane < kLanes;
        case kGoLeft: return u.col > g.camera;
        case kGoRight: return true;
        default: return false;
    }
}

// Moves member i one cell (the map and the bounds already allow it): a
// fight starts with an enemy on the target cell, and the hero walking right
// drags the camera along.
void StepMember(Game& g, int i, int direction) {
    Unit& m = g.party[i];
    int col = m.col, lane = m.lane;
    Step(direction, col, lane);
    const int foe = EnemyAt(g, col, lane, -1);
    if (foe >= 0) {
        m.fighting = 1;
        m.foe = foe;
        m.beats = 0;
        g.enemies[foe].fighting = 1;
    }
    if (i == 0 && direction == kGoRight && m.col - g.camera > 2 && g.camera < kCameraStop) ++g.camera;
    m.col = col;
    m.lane = lane;
}

bool CanStep(const Game& g, int i, int direction) {
    const Unit& m = g.party[i];
    return m.alive && !m.fighting && !Blocked(g, m.col, m.lane, direction) && InBounds(g, m, direction);
}

// The wait tactic: a member in the way is pushed on first (and so on down
// the line); the step fails when the push does.
bool Push(Game& g, int i, int direction, int depth) {
    if (depth > kPartySize || !CanStep(g, i, direction)) return false;
    int col = g.party[i].col, lane = g.party[i].lane;
    Step(direction, col, lane);
    const int other = MemberAt(g, col, lane, i);
    if (other >= 0 && !Push(g, other, direction, depth + 1)) return false;
    StepMember(g, i, direction);
    return true;
}

void RemoveOffField(Game& g) {
    for (int i = 1; i < kPartySize; ++i) {
        Unit& m = g.party[i];
        if (m.col < g.camera || m.lane < 1 || m.lane > kLanes) m = Unit{};
    }
    for (int i = 1; i < kEnemySlots; ++i) {
        Unit& e = g.enemies[i];
        if (e.col < g.camera || e.lane < 1 || e.lane > kLanes) e = Unit{};
    }
}

int ReadDirection(const Game& g, bool tapsOnly) {
    int direction = kNone;
    for (int b = tev::kUp; b <= tev::kRight; ++b) {
        const bool now = g.counts[b] > 0;
        // A press right after a release reads -1 the frame before: still a tap.
        if (now && (!tapsOnly || g.prevCounts[b] <= 0)) direction = b + 1;
    }
    return direction;
}

int HunterDirection(const Game& g, const Unit& e, tev::Rand15& rand) {
    if (Chance(rand) < 30) return rand.Next() % 4 + 1;
    const Unit& hero = g.party[0];
    const int dc = e.col - hero.col;
    const bool below = e.lane > hero.lane, above = e.lane < hero.lane;
    if (dc != 0 && (below || above)) {
        if (Chance(rand) < 50) return dc > 0 ? kGoLeft : kGoRight;
        return below ? kGoUp : kGoDown;
    }
    if (dc == 0) return below ? kGoUp : above ? kGoDown : kNone;
    return dc > 0 ? kGoLeft : kGoRight;
}

void DrawCell(tev::Sink& sink, int x, int y, uint32_t color) {
    sink.Line(x - 1, y, x + kCell, y, 1, color);
    sink.Line(x, y + kCell, x + kCell, y + kCell, 1, color);
    sink.Line(x, y, x, y + kCell, 1, color);
    sink.Line(x + kCell, y, x + kCell, y + kCell, 1, color);
}

void DrawField(const Game& g, tev::Sink& sink) {
    for (int col = g.camera; col <= g.camera + 10 && col < kColumns; ++col)
        for (int lane = 1; lane <= kLanes; ++lane)
            sink.Blit(kMapTexture, (col - g.camera) * kCell, kCell * (lane - 1), kTiles[g.map[lane][col] % 5]);
    auto cellX = [&](const Unit& u) { return (u.col - g.camera) * kCell; };
    auto cellY = [](const Unit& u) { return kCell * (u.lane - 1); };
    for (const Unit& e : g.enemies)
        if (e.alive) DrawCell(sink, cellX(e), cellY(e), kEnemyOutline);
    for (const Unit& m : g.party)
        if (m.alive && m.linked) DrawCell(sink, cellX(m), cellY(m), kPartyOutline);
    const int phase = g.frame - g.beatOrigin;
    const int flip = phase % (2 * g.beat) < g.beat ? tev::kFlipX : 0;
    for (const Unit& e : g.enemies)
        if (e.alive && !e.fighting) sink.Blit(kCharaTexture, cellX(e), cellY(e), kEnemyLook[e.cls % 10], flip);
    for (const Unit& m : g.party)
        if (m.alive && !m.fighting) sink.Blit(kCharaTexture, cellX(m), cellY(m), kPartyLook[m.cls % 10], flip);
    const tev::Rect mark = phase % g.beat < g.beat / 2 ? battle::kClashB : battle::kClashA;
    for (const Unit& m : g.party)
        if (m.alive && m.fighting) sink.Blit(kBattleTexture, cellX(m), cellY(m), mark);

    sink.Line(0, 210, 319, 210, 1, kPanelGreen);
    sink.Line(1, 239, 319, 239, 1, kPanelGreen);
    sink.Line(1, 210, 1, 239, 1, kPanelGreen);
    sink.Line(318, 210, 319, 239, 1, kPanelGreen);
    sink.TextF(5, 210, "現在位置　%3dm  /  200m", g.party[0].col - 1);
    sink.Text(5, 225, g.waitTactic ? "作戦 まあ待て　(1で切替)" : "作戦 もふもふ　(1で切替)");
    sink.TextF(140, 210, "パーティ人数　%2d人", g.linkedCount);
    sink.TextF(140, 225, "倒した敵の数　%2d体", g.defeated);
    sink.TextF(255, 218, "%5d手目", g.moves);
}

void Beat(Game& g, tev::Rand15& rand) {
    const int held = ReadDirection(g, false);
    if (held != kNone) g.direction = held;
    MoveEnemies(g, rand);
    if (g.direction != kNone) {
        ++g.moves;
        MoveParty(g);
        RemoveOffField(g);
    }
    g.direction = kNone;
    AdvanceBattles(g, rand);
    MarkGroup(g);
}

void PlayStep(Game& g, const tev::Buttons& buttons, tev::Rand15& rand, tev::Sink& sink) {
    for (int b = 0; b < tev::kButtonCount; ++b) g.counts[b] = buttons.Count(b);
    auto remember = [&] { std::memcpy(g.prevCounts, g.counts, sizeof g.counts); };
    if (g.frame == 0) {
        sink.Play(sound::kMarch, true);
        g.beatOrigin = 0;
        PlaceUnits(g);
        remember();
    } else if (g.frame < kTitleFrames) {
        sink.Text(120, 50, "「もふもふマーチ」");
        sink.Text(140, 80, "Ready?");
        sink.Text(130, 120, "ナイト・・・グー");
        sink.Text(130, 150, "シーフ・・・チョキ");
        sink.Text(130, 180, "マージ・・・パー");
        if (g.counts[tev::kButton1] > 0) {
            g.frame = kTitleFrames - 1;
            g.waitTactic = 0;
        }
        remember();
    } else if (g.party[0].alive && g.enemies[0].alive) {
        const int tapped = ReadDirection(g, true);
        if (tapped != kNone) g.direction = tapped;
        if (g.counts[tev::kButton1] > 0 && g.prevCounts[tev::kButton1] <= 0) g.waitTactic ^= 1;
        if ((g.frame - g.beatOrigin) % g.beat == 0) Beat(g, rand);
        if (!g.party[0].alive || !g.enemies[0].alive) {
            g.endFrame = g.frame;
            sink.Stop(sound::kMarch);
        }
        if (g.prevCamera < 98 && g.camera >= 98) {
            g.beat = 26;
            g.beatOrigin = g.frame;
        }
        if (g.prevCamera < 148 && g.camera >= 148) {
            g.beat = 25;
            g.beatOrigin = g.frame;
        }
        int promoted = 0;
        for (const Unit& m : g.party) promoted += m.alive && m.cls >= kPromoted;
        if ((promoted > 3 || g.linkedCount > 7) && g.party[0].cls == kHero) g.party[0].cls = kHero + kPromoted;
        remember();
        g.prevCamera = g.camera;
        DrawField(g, sink);
    } else if (g.endFrame == -1 || g.frame - g.endFrame > kEndWait) {
        if (g.party[0].alive) {
            g.state = kWon;
            sink.Play(sound::kFanfare, false);
        } else {
            g.state = kLost;
        }
        g.frame = 0;
    } else {
        DrawField(g, sink);
    }

    // The clash: one hit on the fight's beat, the answer a third of a beat on.
    if (g.clashFrame != -1 && g.frame == g.clashFrame) {
        sink.Play(sound::kClash);
        ++g.frame;
        return;
    }
    if (g.clashFrame != -1 && g.frame - g.clashFrame == g.beat / 3) {
        sink.Play(sound::kClash2);
        g.clashFrame = -1;
    }
    ++g.frame;
}

int AliveMembers(const Game& g) {
    int n = 0;
    for (const Unit& m : g.party) n += m.alive;
    return n;
}

}  // namespace

bool Blocked(const Game& g, int col, int lane, int direction) {
    Step(direction, col, lane);
    // Past the last column (or the border rows) there is nowhere to go.
    if (col < 0 || col >= kColumns || lane < 0 || lane >= kRows) return true;
    return g.map[lane][col] > 2;
}

void Start(Game& g) {
    g = Game{};
    for (int lane = 1; lane <= kLanes; ++lane) {
        int col = 0;
        for (const char* c = kLaneTiles[lane - 1]; *c && col < kColumns; ++c)
            if (*c != ' ') g.map[lane][col++] = static_cast<uint8_t>(*c - '0');
    }
    g.map[0][35] = 1;
    g.map[8][37] = 1;
}

void PlaceUnits(Game& g) {
    for (Unit& m : g.party) m = Unit{};
    for (Unit& e : g.enemies) e = Unit{};
    for (int i = 0; i < kPartySize; ++i) {
        Unit& m = g.party[i];
        m.alive = true;
        m.col = kPartyStart[i].col;
        m.lane = kPartyStart[i].lane;
        m.cls = kPartyStart[i].cls;
    }
    int slot = 0;
    for (const Start4& s : kEnemyStart) {
        Unit& e = g.enemies[slot++];
        e.alive = true;
        e.col = s.col;
        e.lane = s.lane;
        e.cls = s.cls;
        e.ai = s.ai;
    }
    // The hero is the group from the start, so the first beat already moves it.
    MarkGroup(g);
}

void MoveEnemies(Game& g, tev::Rand15& rand) {
    for (int i = 0; i < kEnemySlots; ++i) {
        Unit& e = g.enemies[i];
        if (!e.alive || e.fighting || e.col - g.camera > 12) continue;
        int direction = kNone;
        switch (e.ai) {
            case 1: direction = HunterDirection(g, e, rand); break;
            case 2: direction = e.lane > g.party[0].lane ? kGoUp : e.lane < g.party[0].lane ? kGoDown : kNone; break;
            case 3: direction = Chance(rand) < 50 ? kGoUp : kGoDown; break;
            case 4: direction = rand.Next() % 4 + 1; break;
            default: break;
        }
        if (direction == kNone || Blocked(g, e.col, e.lane, direction) || !InBounds(g, e, direction)) continue;
        int col = e.col, lane = e.lane;
        Step(direction, col, lane);
        if (MemberAt(g, col, lane, -1) >= 0 || EnemyAt(g, col, lane, i) >= 0) continue;
        e.col = col;
        e.lane = lane;
    }
}

void MoveParty(Game& g) {
    const int direction = g.direction;
    if (g.waitTactic) {
        Push(g, 0, direction, 0);
        return;
    }
    // Front-most first, so the ones behind find the way clear.
    const bool byLane = direction == kGoUp || direction == kGoDown;
    const int count = byLane ? kLanes : kColumns;
    for (int k = 0; k < count; ++k) {
        int line;
        switch (direction) {
            case kGoUp: line = 1 + k; break;
            case kGoDown: line = kLanes - k; break;
            case kGoLeft: line = k; break;
            default: line = kColumns - 1 - k; break;
        }
        for (int i = 0; i < kPartySize; ++i) {
            const Unit& m = g.party[i];
            if ((byLane ? m.lane : m.col) != line || !m.linked || !CanStep(g, i, direction)) continue;
            int col = m.col, lane = m.lane;
            Step(direction, col, lane);
            if (MemberAt(g, col, lane, i) >= 0) continue;
            StepMember(g, i, direction);
        }
    }
}

int WinChance(int memberClass, int foeClass) {
    int d = memberClass, base = 75;
    if (d >= kPromoted) {
        d -= kPromoted;
        base = 85;
    }
    int n = foeClass;
    if (n >= kPromoted) {
        n -= kPromoted;
        base -= 10;
    }
    auto is = [&](int a, int b) { return d == a && n == b; };
    if (is(kKnight, kThief) || is(kMage, kKnight) || is(kThief, kMage) || n == kSlime) return base + 15;
    if (is(kThief, kKnight) || is(kKnight, kMage) || is(kMage, kThief)) return base - 15;
    if (d == kSlime || (d != kHero && n == 0)) return 0;
    if (memberClass == kHero + kPromoted && n == 0) return 100;
    return base;
}

void AdvanceBattles(Game& g, tev::Rand15& rand) {
    for (Unit& m : g.party) {
        if (!m.alive || !m.fighting) continue;
        if (m.beats <= 4) {
            ++m.beats;
            g.clashFrame = g.frame;
            continue;
        }
        Unit& foe = g.enemies[m.foe];
        if (Chance(rand) < WinChance(m.cls, foe.cls)) {
            foe.alive = false;
            ++g.defeated;
            if (m.cls < kPromoted && Chance(rand) < 20) m.cls += kPromoted;
        } else {
            m.alive = false;
            m.linked = false;
        }
        m.fighting = 0;
        foe.fighting = 0;
    }
}

void MarkGroup(Game& g) {
    for (Unit& m : g.party) m.linked = m.marked = false;
    g.linkedCount = 0;
    if (!g.party[0].alive) return;
    g.party[0].marked = true;
    if (!g.waitTactic) {
        for (bool grew = true; grew;) {
            grew = false;
            for (Unit& m : g.party) {
                if (!m.alive || m.marked) continue;
                for (const Unit& o : g.party) {
                    if (!o.marked) continue;
                    const int dc = m.col - o.col, dl = m.lane - o.lane;
                    if ((dc == 0 && (dl == 1 || dl == -1)) || (dl == 0 && (dc == 1 || dc == -1))) {
                        m.marked = grew = true;
                        break;
                    }
                }
            }
        }
    }
    for (Unit& m : g.party) {
        m.linked = m.marked;
        g.linkedCount += m.marked;
    }
}

int Frame(Game& g, const tev::Buttons& buttons, tev::Rand15& rand, tev::Sink& sink) {
    switch (g.state) {
        case kPlay: PlayStep(g, buttons, rand, sink); break;
        case kLost:
            sink.Text(144, 40, " - 完 - ");
            sink.TextF(120, 65, "進んだ距離　%3dm", g.party[0].col - 1);
            sink.TextF(120, 80, "倒した敵の数　%2d体", g.defeated);
            sink.Text(120, 135, "[ 勝利のヒント ]");
            sink.Text(120, 155, "基本勝率　７５％");
            sink.Text(120, 170, "じゃんけん　＋１５％");
            sink.Text(120, 185, "階級　＋１０％");
            if (g.frame > kLostFrames || buttons.Held(tev::kButton1)) {
                g.state = kOver;
                g.result = kResultLost;
            }
            ++g.frame;
            break;
        case kWon:
            sink.Text(130, 75, " - 祝!勝利 - ");
            sink.TextF(120, 100, "進んだ距離　%3dm", g.party[0].col - 1);
            sink.TextF(120, 115, "かかった手数　%d手", g.moves);
            sink.TextF(120, 130, "倒した敵の数　%2d体", g.defeated);
            sink.TextF(120, 145, "到達人数　%2d人", AliveMembers(g));
            if (g.frame > kWonFrames) {
                g.state = kOver;
                g.result = kResultWon;
            }
            ++g.frame;
            break;
        default: return 1;
    }
    return 0;
}

}  // namespace party_march
