// A planned play as text, shared by the rule tests and the play from the
// launcher's list: tokens "<keys><frames>", keys from R (right held), L
// (left held), J (button 1 pressed on the token's first frame), W (nothing).
// "RJ30" holds right for 30 frames and jumps on the first of them.
#pragma once
#include <cstdlib>
#include <string>
#include <vector>

#include "games/kit/tev_game.h"

namespace lift_hopper_test {

struct Step {
    bool right = false, left = false, jump = false;
    int frames = 1;
};

inline std::vector<Step> ParsePlan(const std::string& text) {
    std::vector<Step> steps;
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] == ' ' || text[i] == '\n' || text[i] == '|') {
            ++i;
            continue;
        }
        Step s;
        for (; i < text.size() && std::string("RLJW").find(text[i]) != std::string::npos; ++i) {
            s.right |= text[i] == 'R';
            s.left |= text[i] == 'L';
            s.jump |= text[i] == 'J';
        }
        size_t end = i;
        while (end < text.size() && text[end] >= '0' && text[end] <= '9') ++end;
        s.frames = end > i ? std::atoi(text.substr(i, end - i).c_str()) : 1;
        i = end;
        steps.push_back(s);
    }
    return steps;
}

// The buttons of every frame of a plan.
inline std::vector<tev::Buttons> PlanFrames(const std::string& text) {
    std::vector<tev::Buttons> frames;
    for (const Step& s : ParsePlan(text))
        for (int f = 0; f < s.frames; ++f) {
            tev::Buttons b;
            if (s.right) b.count[tev::kRight] = 2;
            if (s.left) b.count[tev::kLeft] = 2;
            if (s.jump && f == 0) b.count[tev::kButton1] = 1;
            frames.push_back(b);
        }
    return frames;
}

}  // namespace lift_hopper_test
