#include "draw/tev_system_info.h"

#include <sys/utsname.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#endif

namespace {

// Linux's processor table, for machines without CPUID.
void FromProcCpuinfo(TevCpuInfo& cpu) {
    std::ifstream in("/proc/cpuinfo");
    std::string line;
    while (std::getline(in, line)) {
        auto colon = line.find(':');
        if (colon == std::string::npos) continue;
        std::string key = line.substr(0, colon), value = line.substr(colon + 1);
        while (!key.empty() && (key.back() == ' ' || key.back() == '\t')) key.pop_back();
        while (!value.empty() && value.front() == ' ') value.erase(0, 1);
        if (key == "vendor_id") {
            std::snprintf(cpu.vendor, sizeof cpu.vendor, "%s", value.c_str());
            cpu.known = true;
        } else if (key == "cpu family") {
            cpu.family = std::atoi(value.c_str());
        } else if (key == "model") {
            cpu.model = std::atoi(value.c_str());
        } else if (key == "stepping") {
            cpu.stepping = std::atoi(value.c_str());
        } else if (key == "flags") {
            std::istringstream words(value);
            std::string w;
            while (words >> w) {
                if (w == "mmx") cpu.mmx = true;
                if (w == "sse") cpu.sse = true;
                if (w == "sse2") cpu.sse2 = true;
                if (w == "3dnow") cpu.now3d = true;
                if (w == "3dnowext") cpu.now3dExt = true;
            }
            break;   // the first processor is enough
        }
    }
}

} // namespace

TevCpuInfo TevQueryCpu() {
    TevCpuInfo cpu;
#if defined(__i386__) || defined(__x86_64__)
    unsigned a, b, c, d;
    if (__get_cpuid(0, &a, &b, &c, &d)) {
        cpu.known = true;
        std::memcpy(cpu.vendor, &b, 4);
        std::memcpy(cpu.vendor + 4, &d, 4);
        std::memcpy(cpu.vendor + 8, &c, 4);
        if (__get_cpuid(1, &a, &b, &c, &d)) {
            cpu.type = (a >> 12) & 0xF;
            cpu.family = (a >> 8) & 0xF;
            cpu.model = (a >> 4) & 0xF;
            cpu.stepping = a & 0xF;
            cpu.mmx = (d >> 23) & 1;
            cpu.sse = (d >> 25) & 1;
            cpu.sse2 = (d >> 26) & 1;
        }
        if (__get_cpuid(0x80000001u, &a, &b, &c, &d)) {
            cpu.now3d = (d >> 31) & 1;
            cpu.now3dExt = (d >> 30) & 1;
        }
        return cpu;
    }
#endif
    FromProcCpuinfo(cpu);
    return cpu;
}

TevOsInfo TevQueryOs() {
    TevOsInfo os;
    struct utsname u;
    if (uname(&u) != 0) return os;
    os.known = true;
    os.name = u.sysname;
    std::sscanf(u.release, "%ld.%ld.%ld", &os.major, &os.minor, &os.build);
    return os;
}
