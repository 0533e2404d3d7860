// Drives one WAV reader over a file the way the sound service does: open,
// read from the start in pieces, seek by milliseconds, read again, clone.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "plugin_api/tev_sound.h"

namespace tevfuzz {

inline void DriveWaveReader(CTIAudioFile& reader, const uint8_t* data, size_t size, const char* fileName) {
    const std::string path = PathIn(fileName);
    WriteBytes(path, data, size);
    if (reader.Open(path.c_str())) {
        WAVEFORMATEX* format = reader.GetFormat();
        if (!format) __builtin_trap();
        (void)reader.GetLength();
        // Position and room come from the input's last bytes, so the fuzzer
        // explores seeks and odd read sizes too.
        const uint8_t k = size ? data[size - 1] : 0;
        std::vector<uint8_t> buffer(4096 + 64);
        const uint32_t rooms[] = {1u, 3u, uint32_t(17 + k), 4096u};
        int position = -2;
        for (int pass = 0; pass < 64; ++pass) {
            uint32_t room = rooms[pass & 3];
            const uint32_t before = reader.GetSize();
            uint32_t got = room;
            if (!reader.Read(position, buffer.data(), &got)) break;
            if (got > room) __builtin_trap();
            if (position == -1 && got > before) __builtin_trap();
            if (pass == 20) position = k * 7;          // milliseconds into the data
            else if (pass == 40) position = 0x7FFFFFFF;  // far past the end
            else position = -1;
            if (got == 0 && position == -1) break;
        }
        std::unique_ptr<CTIAudioFile> copy(reader.Clone());
        if (copy && copy->Open(path.c_str())) {
            uint32_t got = 4096;
            copy->Read(-2, buffer.data(), &got);
        }
        if (copy) copy->Close();
    }
    reader.Close();
}

} // namespace tevfuzz
