// CTWaveFile: the RIFF chunk search and the raw data reader.
#include "fuzz/wav_common.h"
#include "sound/tev_wave_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CTWaveFile reader;
    tevfuzz::DriveWaveReader(reader, data, size, "wave.wav");
    return 0;
}
