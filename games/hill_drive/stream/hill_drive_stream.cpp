// The reader through which the host's mixer pulls the hill-drive synth: a
// CTIAudioFile whose every read is answered by the function the game
// connects while it runs (no game connected: empty reads). It sits in a
// library of its own that is never unloaded, because the host keeps the
// registered reader until it exits.
#include <cstring>

#include "plugin_api/tev_sound.h"

namespace {

using PullFn = bool (*)(void* context, int position, void* buffer, uint32_t* size);

PullFn g_pull = nullptr;
void* g_context = nullptr;

class SynthStreamReader : public CTIAudioFile {
public:
    bool Open(const char* path) override {
        if (path) {
            std::strncpy(m_name, path, sizeof m_name - 1);
            m_name[sizeof m_name - 1] = '\0';
        }
        return true;
    }
    bool Read(int position, void* buffer, uint32_t* size) override {
        if (!size) return false;
        if (!g_pull || !buffer) {
            *size = 0;
            return true;
        }
        return g_pull(g_context, position, buffer, size);
    }
    bool Close() override { return true; }
    CTIAudioFile* Clone() override { return new SynthStreamReader; }
    const char* GetFileName() override { return m_name; }
    WAVEFORMATEX* GetFormat() override { return &m_format; }
    // An endless stream.
    uint32_t GetSize() override { return 0x7FFFFFFF; }
    uint32_t GetLength() override { return 0x7FFFFFFF / 17640u * 1000u; }

private:
    char m_name[260] = {};
    // 44 100 Hz stereo 16-bit. The host makes a stream's ring ten seconds
    // of nAvgBytesPerSec and rewrites at most 1.5 s of it per seek; a tenth
    // of the true rate gives a one-second ring that every seek rewrites
    // whole, so frames that stop (an inactive window) leave silence, never
    // sound from a lap ago. Nothing else reads the rate from this field.
    WAVEFORMATEX m_format{kWaveFormatPcm, 2, 44100, 17640, 4, 16, 0};
};

}  // namespace

extern "C" __attribute__((visibility("default"))) CTIAudioFile* HillDriveStreamReader() {
    return new SynthStreamReader;
}

extern "C" __attribute__((visibility("default"))) void HillDriveStreamConnect(PullFn pull, void* context) {
    g_pull = pull;
    g_context = context;
}
