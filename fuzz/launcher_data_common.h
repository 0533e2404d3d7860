// The launcher's data files live in one folder per fuzz process.
#pragma once
#include <cstdint>
#include <cstring>

#include "fuzz/fuzz_support.h"
#include "launcher/launcher_data.h"

namespace tevfuzz {

inline CLauncherData& DataIn(const char* fileName, const uint8_t* data, size_t size) {
    static CLauncherData launcherData;
    launcherData.SetFolder(WorkDir());
    WriteBytes(PathIn(fileName), data, size);
    return launcherData;
}

} // namespace tevfuzz
