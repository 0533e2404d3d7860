// Inside the platform layer only: the SDL window backend drains SDL's event
// queue once per frame and offers every event to the SDL backends that
// registered here (input devices), so nothing else polls SDL's queue.
#pragma once
#include <SDL.h>

namespace platform::sdl {

using EventHandler = void (*)(const SDL_Event& event, void* context);

void AddEventHandler(EventHandler handler, void* context);
void RemoveEventHandler(EventHandler handler, void* context);
void DispatchEvent(const SDL_Event& event);

} // namespace platform::sdl
