// The debugger output of the sound service (what OutputDebugString was):
// texts that do not belong in the run's HTML log, such as the MIDI player's
// load failures. They go to standard error as UTF-8, or to a sink a test
// installs.
#pragma once

namespace tev_sound {

// printf-style, formatted into at most 256 bytes of CP932 text.
void DebugOutput(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The sink receives the CP932 text; null restores standard error.
using DebugSink = void (*)(const char* text, void* context);
void SetDebugSink(DebugSink sink, void* context);

} // namespace tev_sound
