// A game made only to exercise the kit: every departure a game may take from
// the usual shape, each through the kit's own calls. kit_probe_test loads it
// with the stand-in services.
#include <cstdlib>

#include "games/kit/kit_game.h"

namespace {

const KitTexture kTextures[] = {{3, "probe.bmp", 0x00FFFFFF}};
const tev::SoundFile kSounds[] = {{5, "probe.wav", true}, {6, "probe.mid", false}};

void* g_handle = nullptr;

}  // namespace

const KitGame kKitGame = {
    .title = "probe",
    .author = "kit tests",
    .comment = "every departure",
    .image = "probe_image.bmp",
    .binding = KitBinding::kFixed,
    .textures = kTextures,
    .sounds = kSounds,
    .systemInit =
        [] {
            KitSetFullScreen(true);
            KitShowMouseCursor(false);
            KitSetFrameRate(30.0);
            KitSetWindowTitle("probe title");
        },
    // Fails the start when the test asks it to.
    .userInit =
        [](tev::Sink& sink) {
            g_handle = KitWindowHandle();
            sink.Play(6, true);
            const char* fail = std::getenv("TEV_PROBE_FAIL");
            return fail != nullptr ? std::atoi(fail) : 0;
        },
    .frame =
        [](const tev::Buttons& b, tev::Rand15& rand, tev::Sink& sink) {
            sink.SetBlendMode(1);
            sink.SetFrequency(5, 30000);
            const uint32_t hz = sink.GetFrequency(5);
            const double fps = sink.FrameRate();
            sink.TextF(0, 0, "freq %u fps %.0f handle %p", hz, fps, g_handle);
            sink.TextF(0, 10, "buttons %d %d %d %d %d %d rand %d", b.Count(tev::kUp), b.Count(tev::kDown),
                       b.Count(tev::kLeft), b.Count(tev::kRight), b.Count(tev::kButton1), b.Count(tev::kButton2),
                       rand.Next());
            // Button 1 leaves before the Escape test, whatever Escape does.
            return b.Pressed(tev::kButton1) ? 7 : 0;
        },
    .cleanUp =
        [](tev::Sink& sink) {
            sink.StopAll();
            KitReleaseAllSounds();
            return 4;
        },
    .escapeEnds = false,
};
