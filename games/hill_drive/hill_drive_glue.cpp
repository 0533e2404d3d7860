// Hill drive in the kit: textures 8 and 9, no host sounds, and the game's own
// synthesizer, whose stream buffer is one more streaming channel of the
// host's mixer. The host pulls that channel through a registered reader; once
// a frame the glue re-seeks the channel, which makes the host ask the reader
// for the bytes at its write point, and the feeder hands over the synth's
// ring from exactly there (so the sound follows the game within about 80 ms
// and is exact in a headless run, whose mixer clock is the frame clock).
#include <dlfcn.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>
#include <vector>

#include "games/hill_drive/hill_drive_rules.h"
#include "games/hill_drive/soft_synth.h"
#include "games/kit/kit_game.h"
#include "games/kit/tev_kit.h"
#include "plugin_api/tev_sound.h"

namespace {

constexpr int kStreamChannel = 0;
constexpr const char* kStreamLibrary = "./synth_stream.bin";
constexpr const char* kStreamExtension = "hdsynth";
constexpr const char* kStreamName = "engine.hdsynth";

using PullFn = bool (*)(void*, int, void*, uint32_t*);
using ReaderFn = CTIAudioFile* (*)();
using ConnectFn = void (*)(PullFn, void*);

// The sound device under the synth: the host's sound service, reached
// through the stream reader library.
class HostStreamDevice : public hill_drive::StreamDevice, public hill_drive::StreamRing::Listener {
public:
    // False when there is no sound service or the reader cannot be set up.
    bool Open() {
        if (!sound) return false;
        void* library = dlopen(kStreamLibrary, RTLD_NOW | RTLD_NODELETE);
        if (!library) return false;
        auto makeReader = reinterpret_cast<ReaderFn>(dlsym(library, "HillDriveStreamReader"));
        m_connect = reinterpret_cast<ConnectFn>(dlsym(library, "HillDriveStreamConnect"));
        if (!makeReader || !m_connect) return false;
        std::unique_ptr<CTIAudioFile> prototype(makeReader());
        return prototype && sound->RegisterReader(kStreamExtension, prototype.get());
    }
    void Close() {
        Disconnect();
        // The synth's Stop has stopped the channel already.
        if (m_loaded && sound) sound->Release(kStreamChannel);
        m_loaded = false;
    }
    void Connect(hill_drive::SoftSynth* synth) {
        m_feeder = std::make_unique<hill_drive::StreamFeeder>(*synth);
        m_lastMs = 0;
        if (m_connect) m_connect(&HostStreamDevice::Pull, this);
    }
    void Disconnect() {
        if (m_connect) m_connect(nullptr, nullptr);
        m_feeder.reset();
    }

    std::unique_ptr<hill_drive::StreamRing> CreateStreamBuffer(int channels, int rate, uint32_t bytes) override {
        if (!m_connect || channels != 2 || rate != 44100) return nullptr;
        if (!sound->Load(kStreamChannel, kStreamName, true)) return nullptr;
        // 5 dB down: the engine then sits as loud as the other games' play.
        sound->SetVolume(kStreamChannel, 95);
        m_loaded = true;
        return std::make_unique<hill_drive::StreamRing>(bytes, this);
    }
    void OnPlay() override {
        if (m_loaded) sound->Play(kStreamChannel, true);
    }
    void OnStop() override {
        if (m_loaded) sound->Stop(kStreamChannel);
    }

    // Once a frame: the host rewrites its ring from its write point.
    void Feed() {
        if (!m_loaded || !m_feeder) return;
        const int ms = sound->GetPosition(kStreamChannel);
        sound->SetPosition(kStreamChannel, ms);
    }

private:
    static bool Pull(void* context, int position, void* buffer, uint32_t* size) {
        auto* self = static_cast<HostStreamDevice*>(context);
        uint8_t* bytes = static_cast<uint8_t*>(buffer);
        if (!self->m_feeder || position == -2) {
            *size = 0;
        } else if (position == -1) {
            *size = self->m_feeder->Continue(bytes, *size);
        } else {
            // How far the host's write point moved since the last delivery.
            const int64_t ms = position - self->m_lastMs;
            self->m_lastMs = position;
            const uint32_t estimate = ms > 0 ? static_cast<uint32_t>(ms * 44100 / 1000 * 4) : 0;
            *size = self->m_feeder->Deliver(bytes, *size, estimate);
        }
        return true;
    }

    ConnectFn m_connect = nullptr;
    bool m_loaded = false;
    int m_lastMs = 0;
    std::unique_ptr<hill_drive::StreamFeeder> m_feeder;
};

// The device holder: its checks and result codes; it owns the device.
class DirectSoundHolder {
public:
    ~DirectSoundHolder() { Shutdown(); }

    int16_t Init(void* window, int buffers, int slots) {
        if (m_device) return -103;
        if (!window || buffers < 1 || slots < 1) return -100;
        try {
            m_slotSound.assign(static_cast<size_t>(slots), 0);
            m_slotChannel.assign(static_cast<size_t>(slots), 0);
            m_slotFlags.assign(static_cast<size_t>(slots), 0);
            m_slotPriority.assign(static_cast<size_t>(slots), 0);
            m_buffers.assign(static_cast<size_t>(buffers), 0);
            m_bufferSizes.assign(static_cast<size_t>(buffers), 0);
        } catch (const std::bad_alloc&) {
            return -101;
        }
        m_slotCount = slots;
        m_bufferCount = buffers;
        m_window = window;
        auto device = std::make_unique<HostStreamDevice>();
        if (!device->Open()) return -2000;
        m_device = std::move(device);
        return 0;
    }
    void Shutdown() {
        if (m_device) m_device->Close();
        m_device.reset();
        m_slotSound.clear();
        m_slotChannel.clear();
        m_slotFlags.clear();
        m_slotPriority.clear();
        m_buffers.clear();
        m_bufferSizes.clear();
        m_loaded = 0;
    }
    HostStreamDevice* Device() { return m_device.get(); }

private:
    int m_slotCount = 4;
    int m_bufferCount = 64;
    void* m_window = nullptr;
    std::unique_ptr<HostStreamDevice> m_device;
    // Slot and loaded-buffer tables; this game plays nothing through them.
    std::vector<int> m_slotSound, m_slotChannel, m_slotFlags, m_slotPriority, m_buffers, m_bufferSizes;
    int m_loaded = 0;
};

hill_drive::Game g_game;
DirectSoundHolder* g_holder = nullptr;
hill_drive::SoftSynth* g_synth = nullptr;

const KitTexture kTextures[] = {
    {hill_drive::kCarTexture, "car.bmp", 0x00FFFFFF},
    {hill_drive::kLetterTexture, "letter.bmp", 0x00FFFFFF},
};

}  // namespace

const KitGame kKitGame = {
    .title = hill_drive::kTitle,
    .author = "Tev Arcade",
    .comment = "2ボタンでアクセル、1ボタンでブレーキ。1500m走り切れ",
    .image = "thumbnail.bmp",
    .textures = kTextures,
    .sounds = {},
    .systemInit = nullptr,
    .userInit =
        [](tev::Sink& sink) {
            TevSrandFromClock();
            g_holder = new DirectSoundHolder;
            g_holder->Init(KitWindowHandle(), 64, 4);
            g_synth = new hill_drive::SoftSynth;
            if (g_synth->Init(g_holder->Device(), 44100) == 0) {
                hill_drive::SetUpVoices(g_synth->voices);
                g_holder->Device()->Connect(g_synth);
                g_synth->Start();
            }
            sink.SetClearColor(hill_drive::kSkyColor);
            return 0;
        },
    .frame =
        [](const tev::Buttons& buttons, tev::Rand15& rand, tev::Sink& sink) {
            const int done = hill_drive::Frame(g_game, buttons, rand, sink, g_synth->voices);
            if (g_holder->Device()) g_holder->Device()->Feed();
            return done;
        },
    .cleanUp =
        [](tev::Sink&) {
            // The host pulls no more, then the synth thread is stopped and
            // joined before the library can be unloaded.
            if (g_holder && g_holder->Device()) g_holder->Device()->Disconnect();
            delete g_synth;
            g_synth = nullptr;
            if (g_holder) g_holder->Shutdown();
            delete g_holder;
            g_holder = nullptr;
            return g_game.result;
        },
};
