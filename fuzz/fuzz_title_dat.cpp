// "title.dat": a count line, then that many title lines.
#include "fuzz/launcher_data_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CLauncherData& d = tevfuzz::DataIn("title.dat", data, size);
    if (d.LoadTitleLines() != 0) __builtin_trap();   // the file is there
    const int count = d.GetTitleCount();
    // The title screen picks rand() % count: at least one line, at most the table.
    if (count < 1 || count > kTevMaxTitleLines) __builtin_trap();
    for (int i = 0; i < count; ++i)
        if (std::strlen(d.GetTitleLine(i)) >= size_t(kTevTitleLineSize)) __builtin_trap();
    if (*d.GetTitleLine(count) != '\0' || *d.GetTitleLine(-1) != '\0') __builtin_trap();
    return 0;
}
