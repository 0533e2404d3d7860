#include "app/pack_writer.h"

#include <cstdio>

#include "app/mt_random.h"

namespace {

void PutInt32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::string temporary = path + ".tmp";
    FILE* f = std::fopen(temporary.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = (std::fclose(f) == 0) && ok;
    return ok && std::rename(temporary.c_str(), path.c_str()) == 0;
}

} // namespace

bool WritePack(const std::vector<PackEntry>& entries, int archive, int32_t key, const char* prefix, std::string& error) {
    if (archive < 0 || archive > 9999) {
        error = "archive number must be 0 ... 9999";
        return false;
    }
    std::vector<uint8_t> data, index;
    MTRandom random(0);
    for (const PackEntry& e : entries) {
        if (e.name.empty() || e.name.find('\0') != std::string::npos) {
            error = "bad entry name";
            return false;
        }
        if (data.size() + e.data.size() > 0x7FFFFFFEu) {
            error = "archive too large";
            return false;
        }
        uint32_t offset = static_cast<uint32_t>(data.size());
        uint32_t seed = (offset + 1u) * static_cast<uint32_t>(key);
        random.Seed(seed);
        uint32_t sum = 0;
        for (size_t i = 0; i < e.data.size(); ++i) {
            uint32_t b = e.data[i];
            sum ^= b << (i & 31);
            data.push_back(static_cast<uint8_t>(b ^ (random.Next() & 0xFFu)));
        }
        PutInt32(index, offset);
        PutInt32(index, static_cast<uint32_t>(e.data.size()));
        PutInt32(index, seed * sum);
        index.insert(index.end(), e.name.begin(), e.name.end());
        index.push_back(0);
    }
    char name[64];
    std::snprintf(name, sizeof name, "%s%.4d.dat", prefix, archive);
    if (!WriteFile(name, data)) {
        error = std::string("cannot write ") + name;
        return false;
    }
    std::snprintf(name, sizeof name, "%s%.4d.ind", prefix, archive);
    if (!WriteFile(name, index)) {
        error = std::string("cannot write ") + name;
        return false;
    }
    return true;
}
