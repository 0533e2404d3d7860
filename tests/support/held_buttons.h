// Logical button counters as a plug-in sees them, from the logical buttons
// held each frame: the kit's own mapper, bound as UserInit binds it from the
// default key record, over the stand-in input's key counters. For planners
// that play a game's rules ahead of a launcher run. Copyable, so a planner
// can branch a whole simulation.
#pragma once
#include <algorithm>
#include <iterator>
#include <set>

#include "games/kit/tev_game.h"
#include "games/kit/tev_kit.h"
#include "tests/support/standin_services.h"

namespace tevtest {

class HeldButtons {
public:
    HeldButtons() {
        m_mapper.SetInput(&m_input);
        KitBindStandard(nullptr, m_mapper);
    }
    HeldButtons(const HeldButtons& other) { *this = other; }
    // The mapper's state and the keys' counters; the mapper reads this copy's input.
    HeldButtons& operator=(const HeldButtons& other) {
        m_mapper = other.m_mapper;
        std::copy(std::begin(other.m_input.keys), std::end(other.m_input.keys), std::begin(m_input.keys));
        m_mapper.SetInput(&m_input);
        return *this;
    }

    // One frame: held holds logical buttons (0 up … 5 button 2).
    tev::Buttons Update(const std::set<int>& held) {
        static constexpr int kKeys[6] = {kKeyUp, kKeyDown, kKeyLeft, kKeyRight, kKeyZ, kKeyX};
        std::set<int> keys;
        for (int b : held)
            if (b >= 0 && b < 6) keys.insert(kKeys[b]);
        m_input.Poll(keys);
        m_mapper.Update();
        return Current();
    }
    // The counters of the last Update.
    tev::Buttons Current() const {
        tev::Buttons buttons;
        for (int i = 0; i < tev::kButtonCount; ++i) buttons.count[i] = m_mapper.GetCount(0, i);
        return buttons;
    }

private:
    ServiceLog m_log;
    StandinInput m_input{m_log};
    ButtonMapper m_mapper;
};

}  // namespace tevtest
