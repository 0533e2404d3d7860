// A tev::Sink that records every call, for tests that play a game's rules
// without the host. Each call becomes one SinkCall: its name, its numbers in
// argument order (a Rect as x, y, w, h) and its text.
#pragma once
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

#include "games/kit/tev_game.h"

namespace tevtest {

struct SinkCall {
    std::string op;
    std::vector<double> args;
    std::string text;

    int Int(size_t i) const { return i < args.size() ? static_cast<int>(args[i]) : 0; }
};

struct TextCall {
    int x = 0;
    int y = 0;
    std::string text;
};

// A Blit or BlitCenter as the rules issued it.
struct BlitCall {
    int texture = 0;
    int x = 0;
    int y = 0;
    tev::Rect src;
    int flip = 0;
};

struct LineCall {
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0, width = 0;
    uint32_t color = 0;
};

struct RectCall {
    int x = 0, y = 0, w = 0, h = 0;
    uint32_t color = 0;
};

class RecordingSink : public tev::Sink {
public:
    std::vector<SinkCall> calls;
    // What GetFrequency answers for a channel never set (a 22 050 Hz wave).
    uint32_t baseFrequency = 22050;
    std::map<int, uint32_t> frequency;
    double frameRate = 60.0;

    void Clear() { calls.clear(); }

    // The calls named op, in order.
    std::vector<SinkCall> Calls(const std::string& op) const {
        std::vector<SinkCall> out;
        for (const SinkCall& c : calls)
            if (c.op == op) out.push_back(c);
        return out;
    }
    int Count(const std::string& op) const { return static_cast<int>(Calls(op).size()); }
    std::vector<TextCall> Texts() const {
        std::vector<TextCall> out;
        for (const SinkCall& c : calls)
            if (c.op == "Text") out.push_back({c.Int(0), c.Int(1), c.text});
        return out;
    }
    // Blits (plain and centred), lines and filled rectangles, in order.
    std::vector<BlitCall> Blits() const {
        std::vector<BlitCall> out;
        for (const SinkCall& c : calls)
            if (c.op == "Blit" || c.op == "BlitCenter")
                out.push_back({c.Int(0), c.Int(1), c.Int(2), {c.Int(3), c.Int(4), c.Int(5), c.Int(6)}, c.Int(7)});
        return out;
    }
    std::vector<LineCall> Lines() const {
        std::vector<LineCall> out;
        for (const SinkCall& c : Calls("Line"))
            out.push_back({c.Int(0), c.Int(1), c.Int(2), c.Int(3), c.Int(4), static_cast<uint32_t>(c.args[5])});
        return out;
    }
    std::vector<RectCall> FillRects() const {
        std::vector<RectCall> out;
        for (const SinkCall& c : Calls("FillRect"))
            out.push_back({c.Int(0), c.Int(1), c.Int(2), c.Int(3), static_cast<uint32_t>(c.args[4])});
        return out;
    }
    // True when some text drawn is exactly text.
    bool HasExactText(const std::string& text) const {
        for (const SinkCall& c : calls)
            if (c.op == "Text" && c.text == text) return true;
        return false;
    }
    // How often channel was started.
    int PlayCount(int channel) const {
        int n = 0;
        for (const SinkCall& c : calls) n += c.op == "Play" && c.Int(0) == channel;
        return n;
    }
    // True when some text drawn contains part.
    bool HasText(const std::string& part) const {
        for (const SinkCall& c : calls)
            if (c.op == "Text" && c.text.find(part) != std::string::npos) return true;
        return false;
    }
    // Channels started, in order.
    std::vector<int> Played() const {
        std::vector<int> out;
        for (const SinkCall& c : calls)
            if (c.op == "Play") out.push_back(c.Int(0));
        return out;
    }
    // A blit (plain or centred) of exactly this source rectangle happened.
    bool Blitted(int texture, tev::Rect src) const {
        for (const SinkCall& c : calls) {
            if (c.op != "Blit" && c.op != "BlitCenter") continue;
            if (c.Int(0) == texture && c.Int(3) == src.x && c.Int(4) == src.y && c.Int(5) == src.w &&
                c.Int(6) == src.h)
                return true;
        }
        return false;
    }

    void Blit(int t, int dx, int dy, tev::Rect s, int flip) override {
        Add("Blit", {t, dx, dy, s.x, s.y, s.w, s.h, flip});
    }
    void BlitCenter(int t, int cx, int cy, tev::Rect s, int flip) override {
        Add("BlitCenter", {t, cx, cy, s.x, s.y, s.w, s.h, flip});
    }
    void Stretch(int t, int dx, int dy, int dw, int dh, tev::Rect s, int flip) override {
        Add("Stretch", {t, dx, dy, dw, dh, s.x, s.y, s.w, s.h, flip});
    }
    void StretchCenter(int t, int cx, int cy, int dw, int dh, tev::Rect s, int flip) override {
        Add("StretchCenter", {t, cx, cy, dw, dh, s.x, s.y, s.w, s.h, flip});
    }
    void Rotate(int t, int cx, int cy, int dw, int dh, tev::Rect s, double angle, int flip) override {
        Add("Rotate", {t, cx, cy, dw, dh, s.x, s.y, s.w, s.h, angle, flip});
    }
    void FillRect(int x, int y, int w, int h, uint32_t c) override { Add("FillRect", {x, y, w, h, c}); }
    void FillRectColors(int x, int y, int w, int h, uint32_t a, uint32_t b, uint32_t c, uint32_t d) override {
        Add("FillRectColors", {x, y, w, h, a, b, c, d});
    }
    void FillRectCenter(int cx, int cy, int w, int h, uint32_t c) override {
        Add("FillRectCenter", {cx, cy, w, h, c});
    }
    void Line(int x1, int y1, int x2, int y2, int width, uint32_t c) override {
        Add("Line", {x1, y1, x2, y2, width, c});
    }
    void Triangle(int x0, int y0, int x1, int y1, int x2, int y2, uint32_t c) override {
        Add("Triangle", {x0, y0, x1, y1, x2, y2, c});
    }
    void SetBlendMode(int flags) override { Add("SetBlendMode", {flags}); }
    void SetClearColor(uint32_t c) override { Add("SetClearColor", {c}); }
    void SetTextureColor(int t, uint32_t c) override { Add("SetTextureColor", {t, c}); }
    void SetTextureColors(int t, uint32_t a, uint32_t b, uint32_t c, uint32_t d) override {
        Add("SetTextureColors", {t, a, b, c, d});
    }
    void Text(int x, int y, const char* text) override { Add("Text", {x, y}, text != nullptr ? text : ""); }
    void SetTextColor(uint32_t c) override { Add("SetTextColor", {c}); }
    void SetFontSize(int h) override { Add("SetFontSize", {h}); }
    void Play(int ch, bool loop) override { Add("Play", {ch, loop ? 1.0 : 0.0}); }
    void Stop(int ch) override { Add("Stop", {ch}); }
    void StopAll() override { Add("StopAll", {}); }
    void SetVolume(int ch, int percent) override { Add("SetVolume", {ch, percent}); }
    void SetFrequency(int ch, uint32_t hz) override {
        frequency[ch] = hz;
        Add("SetFrequency", {ch, hz});
    }
    uint32_t GetFrequency(int ch) override {
        auto it = frequency.find(ch);
        return it != frequency.end() ? it->second : baseFrequency;
    }
    double FrameRate() override { return frameRate; }

    using tev::Sink::Blit;
    using tev::Sink::BlitCenter;
    using tev::Sink::Play;

private:
    // One number of a call, from any of the argument types (no narrowing).
    struct Num {
        double v;
        Num(int x) : v(x) {}
        Num(uint32_t x) : v(x) {}
        Num(double x) : v(x) {}
    };
    void Add(const char* op, std::initializer_list<Num> args, std::string text = {}) {
        std::vector<double> values;
        for (Num n : args) values.push_back(n.v);
        calls.push_back({op, std::move(values), std::move(text)});
    }
};

// A tev::Sink that draws and plays nothing, for plans that run the rules
// many times over.
class NullSink : public tev::Sink {
public:
    void Blit(int, int, int, tev::Rect, int) override {}
    void BlitCenter(int, int, int, tev::Rect, int) override {}
    void Stretch(int, int, int, int, int, tev::Rect, int) override {}
    void StretchCenter(int, int, int, int, int, tev::Rect, int) override {}
    void Rotate(int, int, int, int, int, tev::Rect, double, int) override {}
    void FillRect(int, int, int, int, uint32_t) override {}
    void FillRectColors(int, int, int, int, uint32_t, uint32_t, uint32_t, uint32_t) override {}
    void FillRectCenter(int, int, int, int, uint32_t) override {}
    void Line(int, int, int, int, int, uint32_t) override {}
    void Triangle(int, int, int, int, int, int, uint32_t) override {}
    void SetBlendMode(int) override {}
    void SetClearColor(uint32_t) override {}
    void SetTextureColor(int, uint32_t) override {}
    void SetTextureColors(int, uint32_t, uint32_t, uint32_t, uint32_t) override {}
    void Text(int, int, const char*) override {}
    void SetTextColor(uint32_t) override {}
    void SetFontSize(int) override {}
    void Play(int, bool) override {}
    void Stop(int) override {}
    void StopAll() override {}
    void SetVolume(int, int) override {}
    void SetFrequency(int, uint32_t) override {}
    uint32_t GetFrequency(int) override { return 0; }
    double FrameRate() override { return 60.0; }
};

// Buttons of one frame: each listed button at count (1 = pressed now).
inline tev::Buttons ButtonsWith(std::initializer_list<int> buttons, int count = 1) {
    tev::Buttons b;
    for (int i : buttons)
        if (i >= 0 && i < tev::kButtonCount) b.count[i] = count;
    return b;
}

// The first seed (counting from 1) whose generator satisfies wanted, which
// gets a copy to draw from; 0 when none within limit. Lets a test need
// particular draws of the real generator instead of scripting its values.
inline uint32_t SeedWhere(const std::function<bool(tev::Rand15)>& wanted, uint32_t limit = 50000000) {
    for (uint32_t seed = 1; seed <= limit; ++seed)
        if (wanted(tev::Rand15(seed))) return seed;
    return 0;
}

// How many draws took `from` to `to` (-1 when not within limit).
inline int DrawsBetween(tev::Rand15 from, const tev::Rand15& to, int limit = 1000000) {
    for (int n = 0; n <= limit; ++n) {
        if (from.State() == to.State()) return n;
        from.Next();
    }
    return -1;
}

}  // namespace tevtest
