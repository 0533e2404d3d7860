// "save.dat": the settings record in text-mode bytes. What was read is
// saved and read back unchanged.
#include "fuzz/launcher_data_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CLauncherData& d = tevfuzz::DataIn("save.dat", data, size);
    d.LoadSettings();
    const TevKeyConfig first = d.Saved();
    if (std::memcmp(&first, &d.Working(), sizeof first) != 0) __builtin_trap();
    if (d.SaveSettings(first) != 0) __builtin_trap();
    d.LoadSettings();
    if (std::memcmp(&first, &d.Saved(), sizeof first) != 0) __builtin_trap();
    return 0;
}
