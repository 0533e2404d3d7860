#include "launcher/state_stack.h"

StateStack::StateStack() : m_capacity(kCapacity), m_top(0) {
    Clear();
}

void StateStack::Clear() {
    for (auto& s : m_states) s = nullptr;
    m_top = 0;
}

int32_t StateStack::Push(StateFn fn) {
    if (fn == nullptr || m_top >= m_capacity - 1) return -1;
    m_states[++m_top] = fn;
    return m_top;
}

int32_t StateStack::Pop() {
    if (m_top <= 0) return -1;
    m_states[m_top] = nullptr;
    return --m_top;
}

int StateStack::RunTop() {
    StateFn fn = m_states[m_top];
    if (fn == nullptr) return -1;
    int r = fn();
    // The state may have replaced itself; whatever is on top now is popped.
    if (r != 0 && m_top > 0) Pop();
    return r;
}

int32_t StateStack::Replace(StateFn fn) {
    Pop();
    return Push(fn);
}

StateFn StateStack::At(int32_t index) const {
    if (index < 0 || index >= m_capacity) return nullptr;
    return m_states[index];
}
