// CTRiffFile: the RIFF reader with the ADPCM, mu-law and A-law decoders.
#include "fuzz/wav_common.h"
#include "sound/tev_wave_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CTRiffFile reader;
    tevfuzz::DriveWaveReader(reader, data, size, "riff.wav");
    return 0;
}
