#include "sound/debug_output.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>

#include "platform/text_codec.h"

namespace tev_sound {

namespace {
std::mutex g_mutex;   // the MIDI timer thread writes too
DebugSink g_sink = nullptr;
void* g_context = nullptr;
} // namespace

void DebugOutput(const char* format, ...) {
    char text[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    std::lock_guard<std::mutex> lock(g_mutex);
    if (g_sink) {
        g_sink(text, g_context);
        return;
    }
    std::string utf8 = platform::Cp932ToUtf8(text);
    std::fputs(utf8.c_str(), stderr);
}

void SetDebugSink(DebugSink sink, void* context) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_sink = sink;
    g_context = context;
}

} // namespace tev_sound
