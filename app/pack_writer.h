// Writes one pack archive and its index in the format OrevalOpen reads.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct PackEntry {
    std::string name;            // as callers will ask for it
    std::vector<uint8_t> data;
};

// Writes "<prefix>NNNN.dat" and "<prefix>NNNN.ind" (NNNN = archive) in the
// current folder, encoded for `key`. False with a reason on failure.
bool WritePack(const std::vector<PackEntry>& entries, int archive, int32_t key, const char* prefix, std::string& error);
