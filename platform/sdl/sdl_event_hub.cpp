#include "platform/sdl/sdl_event_hub.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace platform::sdl {

namespace {
std::vector<std::pair<EventHandler, void*>>& Handlers() {
    static std::vector<std::pair<EventHandler, void*>> handlers;
    return handlers;
}
} // namespace

void AddEventHandler(EventHandler handler, void* context) { Handlers().emplace_back(handler, context); }

void RemoveEventHandler(EventHandler handler, void* context) {
    auto& h = Handlers();
    h.erase(std::remove(h.begin(), h.end(), std::make_pair(handler, context)), h.end());
}

void DispatchEvent(const SDL_Event& event) {
    // A handler may unregister itself while handling, so walk a copy.
    auto handlers = Handlers();
    for (auto& [handler, context] : handlers) handler(event, context);
}

} // namespace platform::sdl
