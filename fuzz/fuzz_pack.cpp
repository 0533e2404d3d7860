// The pack reader: an index file and its archive. Input: a 2-byte index
// length (little-endian), the index bytes, then the archive bytes; the key
// is taken from the first index entry's checksum so valid seeds round-trip.
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "app/oreval_open.h"
#include "fuzz/fuzz_support.h"

namespace {

struct InPackFolder {
    InPackFolder() {
        if (chdir(tevfuzz::WorkDir().c_str()) != 0) __builtin_trap();
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static InPackFolder folder;   // OrevalOpen reads its files from the working directory
    if (size < 2) return 0;
    size_t indexSize = std::min<size_t>(size - 2, data[0] | (data[1] << 8));
    const uint8_t* index = data + 2;
    const uint8_t* archive = index + indexSize;
    const size_t archiveSize = size - 2 - indexSize;
    tevfuzz::WriteBytes("pack0000.ind", index, indexSize);
    tevfuzz::WriteBytes("pack0000.dat", archive, archiveSize);

    OrevalOpen pack;
    // Every name the index holds, as a caller would ask for it.
    std::vector<std::string> names;
    for (size_t pos = 12; pos < indexSize && names.size() < 64;) {
        const void* end = std::memchr(index + pos, 0, indexSize - pos);
        if (!end) break;
        names.emplace_back(reinterpret_cast<const char*>(index + pos));
        pos = static_cast<const uint8_t*>(end) - index + 1 + 12;
    }
    names.emplace_back("not-in-the-pack.bin");
    for (int key : {0, 1, 0x1234567}) {
        pack.key = key;
        for (const std::string& name : names) {
            const OrevalOpen::Node* node = pack.Find(name.c_str());
            char* buffer = nullptr;
            int n = pack.Read(&buffer, name.c_str());
            if (n >= 0) {
                if (!buffer) __builtin_trap();
                if (node && n != node->size) __builtin_trap();
                volatile char sink = n > 0 ? buffer[0] ^ buffer[n - 1] : 0;
                (void)sink;
            } else if (buffer) {
                __builtin_trap();   // a failed read leaves no buffer behind
            }
            delete[] buffer;
        }
    }
    return 0;
}
