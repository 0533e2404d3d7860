#include "games/word_reflex/word_reflex_rules.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

namespace word_reflex {

namespace {

const char* const kDescription = "お題の言葉にだけｶﾞｯ！ほかはフーンと聞き流せ";
const char* const kHowTo = "1ボタンでｶﾞｯ！2ボタンでフーン";
const char* const kIntroHeading = "次の言葉が出てきたらｶﾞｯしろ！";

bool IsLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

void CopyCut(char* field, const char* text, int len, int max) {
    const int n = Cp932Cut(text, len, max);
    std::memcpy(field, text, static_cast<size_t>(n));
    field[n] = '\0';
}

// scanf's %d: leading blanks, a sign, digits; clamped instead of overflowing.
bool ReadInt(std::string_view s, size_t& at, int32_t& value) {
    while (at < s.size() && IsBlank(s[at])) ++at;
    bool negative = false;
    if (at < s.size() && (s[at] == '+' || s[at] == '-')) negative = s[at++] == '-';
    const size_t first = at;
    long long v = 0;
    while (at < s.size() && s[at] >= '0' && s[at] <= '9') {
        if (v <= INT_MAX) v = v * 10 + (s[at] - '0');
        ++at;
    }
    if (at == first) return false;
    if (negative) v = -v;
    value = static_cast<int32_t>(v < INT_MIN ? INT_MIN : v > INT_MAX ? INT_MAX : v);
    return true;
}

bool ReadComma(std::string_view s, size_t& at) {
    if (at >= s.size() || s[at] != ',') return false;
    ++at;
    return true;
}

// scanf's %s: leading blanks, then a run of non-blank bytes.
std::string_view ReadToken(std::string_view s, size_t& at) {
    while (at < s.size() && IsBlank(s[at])) ++at;
    const size_t first = at;
    while (at < s.size() && !IsBlank(s[at])) ++at;
    return s.substr(first, at - first);
}

bool ParsePhrase(std::string_view line, Entry& e) {
    size_t at = 0;
    int32_t target = 0;
    if (!ReadInt(line, at, target) || !ReadComma(line, at) || !ReadInt(line, at, e.delay1) ||
        !ReadComma(line, at) || !ReadInt(line, at, e.delay2) || !ReadComma(line, at))
        return false;
    char* fields[3] = {e.part1, e.part2, e.part3};
    for (int i = 0; i < 3; ++i) {
        const std::string_view piece = ReadToken(line, at);
        if (piece.empty() && i == 0) return false;  // a phrase needs its first piece
        CopyCut(fields[i], piece.data(), static_cast<int>(piece.size()), kPieceBytes);
    }
    e.isTarget = target != 0 ? 1 : 0;
    return true;
}

void Report(LogFn log, const char* name, int lineNumber, const char* what) {
    if (log == nullptr) return;
    char message[320];
    std::snprintf(message, sizeof message, "word_reflex: %.200s:%d: %s", name, lineNumber, what);
    log(message);
}

void Heading(const Game& g, tev::Sink& out) {
    out.TextF(0, 0, "Level:%d", g.level);
    out.TextF(160, 0, "SCORE:%6d", g.score);
}

bool LoadLevel(Game& g) {
    char path[256];
    std::snprintf(path, sizeof path, "%s/word_reflex%d.txt", g.dataDir, g.level);
    g.table = Level{};
    if (!ReadLevelFile(path, g.table, g.log)) return false;
    // A level without phrases could never be cleared: treat it as no level.
    if (g.table.entryCount == 0) {
        Report(g.log, path, 0, "no phrase lines; the game ends here");
        return false;
    }
    return true;
}

int IntroFrame(Game& g, const tev::Buttons& buttons, tev::Sink& out) {
    if (g.introTimer == 0) {
        out.SetFontSize(kTextSize);
        if (!LoadLevel(g)) return 1;
        g.targetsLeft = 5 * g.level;
        g.window = WindowFor(g.level);
        g.gaugeMax = GaugeMaxFor(g.level);
        g.gauge = g.gaugeMax;
    }
    Heading(g, out);
    out.Text(16, 25, kIntroHeading);
    for (int i = 0; i < 4; ++i) {
        const int line = g.page + i;
        if (line >= g.table.lineCount) break;
        const char* text = g.table.lines[line];
        out.Text(160 - 5 * static_cast<int>(std::strlen(text)), 50 + 25 * i, text);
    }
    g.introTimer += 1;
    if (g.introTimer > kPageFrames || buttons.Released(tev::kButton1)) {
        // The last page leads to play; the next level starts on its first
        // page and with its own first phrase.
        if (g.table.lineCount <= g.page + 4) {
            g.screen = kPlay;
            g.page = 0;
            g.answerState = kBeforeFirst;
            g.answerTimer = -1;
        } else {
            g.page += 4;
        }
        g.introTimer = 0;
    }
    return 0;
}

void LostLifeBlink(const Game& g, tev::Sink& out) {
    if (g.answerTimer % 4 < 2) out.Blit(kSheet, 288 - 32 * g.lives, 200, tip::kHeart);
}

void RightAnswer(Game& g) { g.score += AnswerScore(g.level); }

void PlayFrame(Game& g, const tev::Buttons& buttons, tevkit::MTRandom& rng, tev::Sink& out) {
    const Entry* e = &g.table.entries[g.pick];
    if (g.answerTimer < 0) {
        if (g.answerState != kShowing) {
            // A result has been shown to its end: only now can the game be lost or the level won.
            if (g.lives < 1 || g.gauge < 0) {
                g.screen = kGameOver;
                g.result = kResultGameOver;
            } else if (g.targetsLeft < 1) {
                g.level += 1;
                g.screen = kIntro;
                if (g.gauge < 1000) g.score += 1000 - g.gauge;
            }
            g.pick = rng.NextBelow(g.table.entryCount);
            g.partsShown = g.partTimer = 0;
            g.answerTimer = g.window;
            g.answerState = kShowing;
            e = &g.table.entries[g.pick];
        } else {
            // Nobody answered in time: that lets the phrase pass.
            g.answerTimer = kResultFrames;
            g.answerState = kPassed;
            g.lostLife = false;
            if (e->isTarget) {
                out.Play(kSoundWrong);
                g.lives -= 1;
                g.lostLife = true;
            }
        }
    }

    Heading(g, out);
    for (int i = 0; i < g.lives; ++i) out.Blit(kSheet, 288 - 32 * i, 200, tip::kHeart);
    for (int i = 0; i < g.targetsLeft; ++i)
        out.FillRectColors(3 * i, 200, 2, 32, 0xFF00FF00, 0xFFCCFFCC, 0xFF00FF00, 0xFFCCFFCC);
    const int gaugeWidth = g.gauge > 0 ? g.gauge * 320 / g.gaugeMax : 0;
    out.FillRect(0, 230, gaugeWidth, 10, kGaugeColor);
    // The frame that leaves play takes no answer for the phrase it just drew.
    if (g.screen != kPlay) return;

    switch (g.answerState) {
    case kHitRight:
        out.Blit(kSheet, 0, 32, tip::kRight);
        break;
    case kHitWrong:
        out.Blit(kSheet, 0, 32, tip::kWrong);
        LostLifeBlink(g, out);
        out.TextF(128, 170, "%s%s%s", e->part1, e->part2, e->part3);
        break;
    case kPassed:
        out.Blit(kSheet, 0, 32, tip::kPass);
        if (g.lostLife) LostLifeBlink(g, out);
        break;
    case kShowing: {
        g.gauge -= 1;
        out.Blit(kSheet, -20, 96, tip::kSpeaker);
        if (g.partsShown == 0)
            out.TextF(108, 124, "%s", e->part1);
        else if (g.partsShown == 1)
            out.TextF(108, 124, "%s%s", e->part1, e->part2);
        else
            out.TextF(108, 124, "%s%s%s", e->part1, e->part2, e->part3);
        if (g.partsShown < 2) {
            g.partTimer += 1;
            if (g.partTimer > (g.partsShown == 0 ? e->delay1 : e->delay2)) {
                g.partTimer = 0;
                g.partsShown += 1;
            }
        }
        if (buttons.Pressed(tev::kButton1)) {
            if (e->isTarget) {
                RightAnswer(g);
                g.answerState = kHitRight;
                out.Play(kSoundRight);
                g.targetsLeft -= 1;
            } else {
                g.answerState = kHitWrong;
                g.lives -= 1;
                out.Play(kSoundWrong);
                g.partsShown = 2;
            }
            g.answerTimer = kResultFrames;
        }
        if (buttons.Pressed(tev::kButton2)) {
            if (e->isTarget) {
                out.Play(kSoundWrong);
                g.lives -= 1;
                g.lostLife = true;
            } else {
                RightAnswer(g);
                g.lostLife = false;
                g.gauge = std::min(g.gauge + g.window / 2, g.gaugeMax);
            }
            g.answerTimer = kResultFrames;
            g.answerState = kPassed;
        }
        break;
    }
    default:
        break;
    }
    g.answerTimer -= 1;
}

}  // namespace

int Cp932Cut(const char* text, int len, int max) {
    int at = 0;
    while (at < len) {
        const int size = IsLeadByte(static_cast<unsigned char>(text[at])) && at + 1 < len ? 2 : 1;
        if (at + size > max) break;
        at += size;
    }
    return at;
}

void ParseLevel(std::string_view bytes, Level& out, LogFn log, const char* name) {
    out.lineCount = 0;
    out.entryCount = 0;
    bool instructions = true;
    bool toldFull = false;
    int number = 0;
    size_t at = 0;
    while (at < bytes.size()) {
        size_t end = bytes.find('\n', at);
        if (end == std::string_view::npos) end = bytes.size();
        std::string_view line = bytes.substr(at, end - at);
        at = end + 1;
        ++number;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);  // written on Windows
        const size_t nul = line.find('\0');
        if (nul != std::string_view::npos) line = line.substr(0, nul);
        line = line.substr(0, static_cast<size_t>(Cp932Cut(line.data(), static_cast<int>(line.size()), kLineBytes)));

        if (instructions) {
            if (line.empty()) {
                instructions = false;
                continue;
            }
            CopyCut(out.lines[out.lineCount], line.data(), static_cast<int>(line.size()), kLineBytes);
            if (++out.lineCount == kMaxLines) instructions = false;
            continue;
        }
        bool blank = true;
        for (char c : line) blank = blank && IsBlank(c);
        if (blank) continue;
        if (out.entryCount == kMaxEntries) {
            if (!toldFull) Report(log, name, number, "more than 128 phrase lines; the rest are left out");
            toldFull = true;
            continue;
        }
        Entry entry;
        if (ParsePhrase(line, entry))
            out.entries[out.entryCount++] = entry;
        else
            Report(log, name, number, "phrase line skipped (isTarget,delay1,delay2,piece1 piece2 piece3)");
    }
}

bool ReadLevelFile(const char* path, Level& out, LogFn log) {
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) return false;
    std::string bytes;
    char buffer[4096];
    size_t n;
    // Far more than 16 + 128 lines of 255 bytes: the rest cannot matter.
    constexpr size_t kMostRead = 1 << 20;
    while (bytes.size() < kMostRead && (n = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, n);
    std::fclose(file);
    ParseLevel(bytes, out, log, path);
    return true;
}

int WindowFor(int level) {
    const int window = 300 - 30 * level;
    return window < 60 ? 30 : window;
}

int GaugeMaxFor(int level) { return WindowFor(level) * level * 5 / 2; }

int AnswerScore(int level) { return 5 * level * level + 10; }

void Start(Game& g, const char* hiscorePath) {
    g.best.Load(hiscorePath, 0);
    g.highScore = g.best.score();
}

int Frame(Game& g, const tev::Buttons& buttons, tevkit::MTRandom& rng, tev::Sink& out) {
    switch (g.screen) {
    case kTitle:
        out.TextF(0, 0, "HISCORE:%d", g.highScore);
        out.Text(0, 20, kDescription);
        out.Text(0, 40, kHowTo);
        if (buttons.Released(tev::kButton1)) g.screen = kIntro;
        return 0;
    case kIntro:
        return IntroFrame(g, buttons, out);
    case kPlay:
        PlayFrame(g, buttons, rng, out);
        return 0;
    case kGameOver:
        Heading(g, out);
        out.Text(10, 30, "ざんねん！");
        out.Text(10, 55, "わたしのぼうけんは");
        out.Text(10, 80, "ここでおわってしまった！");
        out.Text(50, 120, "ボタン１で終わる");
        return buttons.Pressed(tev::kButton1) ? 1 : 0;
    default:
        return 1;
    }
}

int Finish(Game& g) {
    if (g.score > g.highScore) g.best.SaveIfHigher(g.score);
    return g.result;
}

}  // namespace word_reflex
