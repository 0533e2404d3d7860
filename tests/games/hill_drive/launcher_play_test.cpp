// Hill drive played twice from the launcher's game list in a headless run
// with a fixed clock (so the road is known): first driven to the finish by a
// plan found with the game's own rules, then wrecked at full throttle. The
// play counter, the dumped frames and the recorded sound show what happened.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "games/hill_drive/hill_drive_rules.h"
#include "tests/support/launcher_sandbox.h"
#include "tests/support/recording_sink.h"

namespace {

using namespace hill_drive;

constexpr int kClock = 1000000;
constexpr int kListToGame = 62;   // launcher frames from the release in the list to the game's first frame
constexpr int kDumpEvery = 5;
constexpr int kAudioFramesPerFrame = 735;
enum Action : uint8_t { kGas, kCoast, kBrake };

struct Drive {
    std::vector<uint8_t> plan;   // one action per game frame
    std::vector<int> modes;      // the mode after each frame
    std::vector<bool> finishText;
    int result = 0;
};

tev::Buttons ButtonsFor(uint8_t a) {
    tev::Buttons b;
    b.count[tev::kButton1] = a == kBrake ? 2 : 0;
    b.count[tev::kButton2] = a == kGas ? 2 : 0;
    return b;
}

// Replays a plan as the plug-in will (to the game's end when `toEnd`,
// coasting after the plan's last action).
Drive Replay(const std::vector<uint8_t>& plan, uint8_t after) {
    Drive r;
    auto g = std::make_unique<Game>();
    SynthVoice voices[4];
    tev::Rand15 rng(kClock);
    tevtest::RecordingSink sink;
    for (size_t f = 0; f < 20000; ++f) {
        const uint8_t a = f < plan.size() ? plan[f] : after;
        sink.Clear();
        const int end = Frame(*g, ButtonsFor(a), rng, sink, voices);
        r.plan.push_back(a);
        r.modes.push_back(g->mode);
        bool finish = false;
        for (const auto& b : sink.Blits())
            if (b.texture == kLetterTexture && b.x == 112 && b.y == 50) finish = true;
        r.finishText.push_back(finish && g->finishCountdown > 0);
        if (end) break;
    }
    r.result = g->result;
    return r;
}

// A drive to the finish: a beam search over blocks of ten frames of gas,
// coasting or braking, keeping the furthest drive of each speed so careful
// drives stay beside fast ones.
std::vector<uint8_t> PlanFinish() {
    struct Node {
        std::shared_ptr<Game> g;
        tev::Rand15 rng;
        std::vector<uint8_t> plan;
    };
    tevtest::NullSink sink;
    SynthVoice voices[4];
    std::vector<Node> beam{{std::make_shared<Game>(), tev::Rand15(kClock), {}}};
    for (int block = 0; block < 1000 && !beam.empty(); ++block) {
        std::vector<Node> next;
        for (const Node& n : beam)
            for (uint8_t a : {kGas, kCoast, kBrake}) {
                Node c{std::make_shared<Game>(*n.g), n.rng, n.plan};
                int end = 0;
                for (int f = 0; f < 10 && !end; ++f) {
                    end = Frame(*c.g, ButtonsFor(a), c.rng, sink, voices);
                    c.plan.push_back(a);
                }
                if (c.g->mode != kDriving) continue;
                if (end) return c.plan;
                next.push_back(std::move(c));
            }
        std::stable_sort(next.begin(), next.end(), [](const Node& a, const Node& b) { return a.g->steps > b.g->steps; });
        beam.clear();
        std::set<int> buckets;
        for (Node& n : next) {
            if (beam.size() >= 48) break;
            if (buckets.insert((n.g->speed >> 15) + (n.g->lift < 0 ? 100000 : 0)).second) beam.push_back(std::move(n));
        }
    }
    return {};
}

struct Script {
    std::map<long, std::set<std::string>> held;
    void Hold(long frame, const std::string& key, int frames) {
        for (int i = 0; i < frames; ++i) held[frame + i].insert(key);
    }
    std::string Text() const {
        std::ostringstream out;
        std::set<std::string> before;
        long last = 0;
        for (const auto& [frame, keys] : held) {
            const bool next = frame == last + 1;
            for (const auto& k : before)
                if (!keys.count(k) || !next) out << last + 1 << " " << k << " up\n";
            for (const auto& k : keys)
                if (!before.count(k) || !next) out << frame << " " << k << " down\n";
            before = keys;
            last = frame;
        }
        for (const auto& k : before) out << last + 1 << " " << k << " up\n";
        return out.str();
    }
};

// The first dumped frame at or after `from` for which ok(game frame) holds.
long DumpedFrame(long start, long from, long to, const std::vector<bool>& ok) {
    for (long f = from; f < to; ++f)
        if (f % kDumpEvery == 0 && f - start >= 0 && f - start < long(ok.size()) && ok[f - start]) return f;
    return -1;
}

// 16-bit stereo samples of the recording (left channel).
std::vector<int16_t> Recording(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<int16_t> left;
    for (size_t i = 12; i + 8 <= bytes.size();) {
        uint32_t size;
        std::memcpy(&size, &bytes[i + 4], 4);
        if (std::memcmp(&bytes[i], "data", 4) == 0) {
            for (size_t p = i + 8; p + 4 <= std::min(bytes.size(), i + 8 + size); p += 4) {
                int16_t s;
                std::memcpy(&s, &bytes[p], 2);
                left.push_back(s);
            }
            break;
        }
        i += 8 + size + (size & 1);
    }
    return left;
}

struct Level {
    int peak = 0;
    double rms = 0;
};
Level Measure(const std::vector<int16_t>& x, long fromFrame, long toFrame) {
    Level l;
    double sum = 0;
    long n = 0;
    for (long i = fromFrame * kAudioFramesPerFrame; i < toFrame * kAudioFramesPerFrame && i < long(x.size()); ++i, ++n) {
        l.peak = std::max(l.peak, std::abs(int(x[i])));
        sum += double(x[i]) * x[i];
    }
    l.rms = n ? std::sqrt(sum / n) : 0;
    return l;
}

}  // namespace

TEST(HillDriveFromLauncher, DrivenToTheFinishThenWrecked) {
    const std::vector<uint8_t> plan = PlanFinish();
    ASSERT_FALSE(plan.empty()) << "no drive reaches the finish with clock " << kClock;
    const Drive finish = Replay(plan, kCoast);
    ASSERT_EQ(finish.result, 1);
    const Drive wreck = Replay({}, kGas);
    ASSERT_EQ(wreck.result, 2);
    const long wreckedAt = std::find(wreck.modes.begin(), wreck.modes.end(), int(kWrecked)) - wreck.modes.begin();
    ASSERT_LT(wreckedAt, long(wreck.modes.size())) << "full throttle wrecks the car";

    // Through the splash and the title into the list (one game in it).
    Script script;
    for (long f : {60L, 100L, 120L, 260L}) script.Hold(f, "Z", 3);
    const long firstRelease = 405;
    script.Hold(firstRelease - 5, "Z", 5);
    const long first = firstRelease + kListToGame;
    for (size_t f = 0; f < finish.plan.size(); ++f) {
        if (finish.plan[f] == kGas) script.Hold(first + long(f), "X", 1);
        if (finish.plan[f] == kBrake) script.Hold(first + long(f), "Z", 1);
    }
    const long firstEnd = first + long(finish.plan.size());
    const long secondRelease = firstEnd + 90;
    script.Hold(secondRelease - 3, "Z", 3);
    const long second = secondRelease + kListToGame;
    script.Hold(second, "X", int(wreck.plan.size()));
    const long secondEnd = second + long(wreck.plan.size());
    script.Hold(secondEnd + 60, "ESCAPE", 2);

    tevtest::LauncherSandbox box;
    for (const char* file : {"save.dat", "play.dat", "pv.dat"}) std::filesystem::remove(box.Path(file));
    for (const auto& entry : std::filesystem::directory_iterator(box.Root())) {
        const std::string name = entry.path().filename().string();
        if (name != "hill_drive" && std::filesystem::exists(entry.path() / (name + ".so")))
            std::filesystem::remove_all(entry.path());
    }
    box.WriteFile("play.script", script.Text());
    const int rc = box.Run({"--headless", "--frames", std::to_string(secondEnd + 400), "--input",
                            box.Path("play.script"), "--dump", box.Path("dump"), "--dump-every",
                            std::to_string(kDumpEvery), "--record-audio", box.Path("drive.wav"), "--fixed-clock",
                            std::to_string(kClock)});
    ASSERT_EQ(rc, 0) << box.ReadFile("run.log");
    EXPECT_FALSE(std::filesystem::exists(box.Dumped((secondEnd + 200) / kDumpEvery * kDumpEvery))) << "Escape in the list quit";
    const std::string plays = box.ReadFile("play.dat");
    EXPECT_NE(plays.find("hill_drive=2"), std::string::npos) << plays;

    // The finish: "finish" over the road (sky above it, not the red of a fail).
    const long finishFrame = DumpedFrame(first, firstEnd - 240, firstEnd, finish.finishText);
    ASSERT_GT(finishFrame, 0);
    const auto done = tevtest::DumpedPixels(box.Dumped(finishFrame));
    ASSERT_FALSE(done.empty()) << box.Dumped(finishFrame);
    int lit = 0;
    for (int y = 50; y < 74; ++y)
        for (int x = 112; x < 208; ++x) {
            const unsigned char* p = &done[(y * 320 + x) * 3];
            if (p[0] > 200 && p[1] > 180 && p[2] < 160) ++lit;   // the letters' white-to-gold fill
        }
    EXPECT_GT(lit, 150) << finishFrame;
    // The wreck ends on the red failed screen.
    std::vector<bool> failed(wreck.modes.size());
    for (size_t i = 0; i < failed.size(); ++i) failed[i] = wreck.modes[i] == kFailed && i > 0 && wreck.modes[i - 1] == kFailed;
    const long failFrame = DumpedFrame(second, second, secondEnd, failed);
    ASSERT_GT(failFrame, 0);
    const auto red = tevtest::DumpedPixels(box.Dumped(failFrame));
    ASSERT_FALSE(red.empty());
    const unsigned char* corner = &red[(230 * 320 + 300) * 3];
    EXPECT_EQ(corner[0], 0xFF);
    EXPECT_EQ(corner[1], 0x66);
    EXPECT_EQ(corner[2], 0x66);

    // The sound: the engine runs through the drive, the crash is loud, the
    // finish tone sounds, nothing reaches -1 dBFS.
    const std::vector<int16_t> audio = Recording(box.Path("drive.wav"));
    ASSERT_GT(audio.size(), size_t(secondEnd * kAudioFramesPerFrame));
    const Level drive = Measure(audio, first + 30, firstEnd - 300);
    const Level finale = Measure(audio, firstEnd - 240, firstEnd);
    // The synth plays some 80 ms (five frames) behind the game.
    const long failedAt = std::find(wreck.modes.begin(), wreck.modes.end(), int(kFailed)) - wreck.modes.begin();
    ASSERT_GT(failedAt, wreckedAt + 45) << "the debris is still falling after the crash has faded";
    const Level crash = Measure(audio, second + wreckedAt + 6, second + wreckedAt + 20);
    const Level faded = Measure(audio, second + wreckedAt + 40, second + failedAt);
    EXPECT_GT(drive.rms, 1000);
    EXPECT_GT(finale.rms, 1000);
    EXPECT_GT(crash.rms, 1000);
    EXPECT_LT(faded.rms, 10);
    for (const Level& l : {drive, finale, crash}) EXPECT_LT(l.peak, 29205);
}
