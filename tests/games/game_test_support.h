// Helpers shared by the game rule tests: scripted random numbers and a
// recorder for drawing and sound calls.
#pragma once
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

// Hands out scripted values first, then a plain 15-bit linear congruential
// sequence, so tests can force particular draws and still run long games.
template <class Base>
class ScriptedRandom : public Base {
public:
    std::deque<int> script;
    uint32_t state = 1;
    int draws = 0;
    int Next() override {
        ++draws;
        if (!script.empty()) {
            const int v = script.front();
            script.pop_front();
            return v;
        }
        state = state * 214013u + 2531011u;
        return static_cast<int>((state >> 16) & 0x7FFF);
    }
};

struct TextCall {
    int x, y;
    std::string text;
};

inline bool HasText(const std::vector<TextCall>& texts, const std::string& text) {
    for (const auto& t : texts)
        if (t.text == text) return true;
    return false;
}
