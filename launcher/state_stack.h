// The launcher's screen states: a fixed stack of plain functions, the top one
// running once per frame.
#pragma once
#include <cstdint>

// A state returns 0 to stay, 1 when done (popped here and once more by the
// frame hook), -1 to quit the launcher; any other non-zero value pops it once.
using StateFn = int (*)();

class StateStack {
public:
    static constexpr int32_t kCapacity = 100;

    StateStack();

    // New top index, or -1 for a null function or a full stack (99 states).
    int32_t Push(StateFn fn);
    // New top index, or -1 when nothing is left to pop; the slot is cleared.
    int32_t Pop();
    // Runs the top state; -1 when the stack is empty. A non-zero result pops
    // the top once and is returned.
    int RunTop();
    // Pop() then Push(fn): what every screen does to move on.
    int32_t Replace(StateFn fn);

    int32_t Top() const { return m_top; }
    StateFn At(int32_t index) const;
    void Clear();

private:
    int32_t m_capacity;
    int32_t m_top;
    StateFn m_states[kCapacity];
};
