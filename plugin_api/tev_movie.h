// The movie service as plug-ins see it (entry 2 of the service block). No
// game uses it, but the slot order is part of what plug-ins are built against.
#pragma once
#include <cstdint>

#include "plugin_api/tev_module.h"

class ITevMovie : public ITevModule {
public:
    ~ITevMovie() override = default;
    // Opens a movie (base path + path, joined without a separator); its
    // native size goes through width and height. Always 0; failures are logged.
    virtual int Load(const char* path, long* width, long* height) = 0;
    // Shows the movie in (x, y, width, height) of the screen, from the source
    // rectangle of the picture, and plays it.
    virtual int Play(int x, int y, int width, int height, int sourceX, int sourceY, int sourceWidth,
                     int sourceHeight) = 0;
    virtual int Stop() = 0;
    virtual int Pause() = 0;
    virtual int Resume() = 0;
    // Position in 100-nanosecond units from the start.
    virtual int Seek(int64_t position) = 0;
    // 0 empty, 1 loaded (stopped), 2 playing, 3 paused.
    virtual int GetState() = 0;
    virtual int SetBasePath(const char* folder) = 0;
};
