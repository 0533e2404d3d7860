// What the device-creation log says about the machine.
#pragma once
#include <cstdint>
#include <string>

struct TevCpuInfo {
    bool known = false;         // CPUID (or the kernel's processor table) answered
    char vendor[13] = {};
    int type = 0, family = 0, model = 0, stepping = 0;
    bool mmx = false, sse = false, sse2 = false, now3d = false, now3dExt = false;
};

struct TevOsInfo {
    bool known = false;
    std::string name;
    long major = 0, minor = 0, build = 0;
};

TevCpuInfo TevQueryCpu();
TevOsInfo TevQueryOs();
