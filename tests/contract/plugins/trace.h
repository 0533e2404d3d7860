// Test plug-ins write one line per export call to the file named by
// TEV_CONTRACT_TRACE: "<plug-in> <export> <working directory>".
#pragma once
#include <unistd.h>
#include <cstdio>
#include <cstdlib>

inline void TraceCall(const char* plugin, const char* what) {
    const char* path = std::getenv("TEV_CONTRACT_TRACE");
    if (path == nullptr)
        return;
    char cwd[1024];
    if (getcwd(cwd, sizeof cwd) == nullptr)
        cwd[0] = '\0';
    if (FILE* f = std::fopen(path, "a")) {
        std::fprintf(f, "%s %s %s\n", plugin, what, cwd);
        std::fclose(f);
    }
}
