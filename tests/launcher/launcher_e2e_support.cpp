#include "tests/launcher/launcher_e2e_support.h"
#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace e2e {
namespace {

template <typename Pred>
int Count(const Image& img, Rect r, Pred pred) {
    int n = 0;
    for (int y = std::max(0, r.y); y < std::min(img.height, r.y + r.h); ++y)
        for (int x = std::max(0, r.x); x < std::min(img.width, r.x + r.w); ++x) {
            uint32_t p = img.pixels[static_cast<size_t>(y) * img.width + x];
            int R = p >> 16 & 0xFF, G = p >> 8 & 0xFF, B = p & 0xFF;
            if (pred(R, G, B)) ++n;
        }
    return n;
}

} // namespace

int Lit(const Image& img, Rect r, int threshold) {
    return Count(img, r, [&](int R, int G, int B) { return std::max({R, G, B}) > threshold; });
}
int Reddish(const Image& img, Rect r) {
    return Count(img, r, [](int R, int G, int B) { return R > 150 && G < 80 && B < 80; });
}
int Yellowish(const Image& img, Rect r) {
    return Count(img, r, [](int R, int G, int B) { return R > 150 && G > 150 && B < 80; });
}
int Greenish(const Image& img, Rect r) {
    return Count(img, r, [](int R, int G, int B) { return G > 150 && R < 60 && B < 60; });
}
int Bluish(const Image& img, Rect r) {
    return Count(img, r, [](int R, int G, int B) { return B > 100 && B > R + 40 && B > G + 40; });
}

int Colourful(const Image& img, Rect r) {
    return Count(img, r, [](int R, int G, int B) { return std::max({R, G, B}) - std::min({R, G, B}) > 100; });
}

long Brightness(const Image& img, Rect r) {
    long sum = 0;
    Count(img, r, [&](int R, int G, int B) {
        sum += std::max({R, G, B});
        return false;
    });
    return sum;
}

uint64_t Hash(const Image& img, Rect r) {
    uint64_t h = 1469598103934665603ull;
    for (int y = std::max(0, r.y); y < std::min(img.height, r.y + r.h); ++y)
        for (int x = std::max(0, r.x); x < std::min(img.width, r.x + r.w); ++x) {
            h ^= img.pixels[static_cast<size_t>(y) * img.width + x] & 0xFFFFFF;
            h *= 1099511628211ull;
        }
    return h;
}

int Differing(const Image& a, const Image& b, Rect r) {
    if (a.width != b.width || a.height != b.height) return r.w * r.h;
    int n = 0;
    for (int y = std::max(0, r.y); y < std::min(a.height, r.y + r.h); ++y)
        for (int x = std::max(0, r.x); x < std::min(a.width, r.x + r.w); ++x) {
            size_t i = static_cast<size_t>(y) * a.width + x;
            if ((a.pixels[i] & 0xFFFFFF) != (b.pixels[i] & 0xFFFFFF)) ++n;
        }
    return n;
}

Script& Script::Down(long frame, const std::string& key) {
    m_lines.push_back(std::to_string(frame) + " " + key + " down");
    return *this;
}
Script& Script::Up(long frame, const std::string& key) {
    m_lines.push_back(std::to_string(frame) + " " + key + " up");
    return *this;
}
Script& Script::Tap(long frame, const std::string& key, long hold) {
    return Down(frame, key).Up(frame + hold, key);
}
std::string Script::Text() const {
    std::string t = "# launcher end-to-end run\n";
    for (const std::string& l : m_lines) t += l + "\n";
    return t;
}

LauncherRun::LauncherRun() {
    // Only the probes of each test: drop every folder holding a library.
    std::error_code ec;
    for (const fs::directory_entry& d : fs::directory_iterator(m_box.Root(), ec)) {
        if (!d.is_directory()) continue;
        bool hasLibrary = false;
        for (const fs::directory_entry& f : fs::directory_iterator(d.path(), ec))
            if (f.path().extension() == ".so") hasLibrary = true;
        if (hasLibrary) fs::remove_all(d.path(), ec);
    }
    for (const char* stale : {"save.dat", "pv.dat", "play.dat"}) fs::remove(m_box.Path(stale), ec);
}

void LauncherRun::AddProbe(const std::string& folder, const std::string& title, const std::string& frames,
                           bool failStart) {
    fs::create_directories(m_box.Path(folder));
    fs::copy_file(TEV_LAUNCHER_PROBE, m_box.Path(folder + "/" + folder + ".so"),
                  fs::copy_options::overwrite_existing);
    m_box.WriteFile(folder + "/title.txt", title);
    if (!frames.empty()) m_box.WriteFile(folder + "/frames.txt", frames);
    if (failStart) m_box.WriteFile(folder + "/fail", "");
}

int LauncherRun::Run(long maxFrames, const Script& script, int dumpEvery, const std::vector<std::string>& extra) {
    ++m_runs;
    m_dumpDir = m_box.Path("frames" + std::to_string(m_runs));
    std::string input = m_box.Path("input" + std::to_string(m_runs) + ".txt");
    m_box.WriteFile("input" + std::to_string(m_runs) + ".txt", script.Text());
    std::vector<std::string> args = {"--headless", "--frames", std::to_string(maxFrames), "--input", input,
                                     "--dump", m_dumpDir, "--dump-every", std::to_string(dumpEvery)};
    args.insert(args.end(), extra.begin(), extra.end());
    return m_box.Run(args);
}

std::string LauncherRun::FramePath(long n) const {
    char name[32];
    std::snprintf(name, sizeof name, "/frame-%06ld.png", n);
    return m_dumpDir + name;
}

bool LauncherRun::HasFrame(long n) const { return fs::exists(FramePath(n)); }

Image LauncherRun::Frame(long n) const {
    Image img;
    std::vector<unsigned char> bytes;
    std::string path = FramePath(n);
    if (!platform::image::ReadFile(path.c_str(), bytes) ||
        !platform::image::Decode(bytes.data(), bytes.size(), img)) {
        ADD_FAILURE() << "frame " << n << " was not dumped (" << path << ")";
        img.width = 320;
        img.height = 240;
        img.pixels.assign(320 * 240, 0);
    }
    return img;
}

long LauncherRun::LastFrame() const {
    long last = 0;
    std::error_code ec;
    for (const fs::directory_entry& f : fs::directory_iterator(m_dumpDir, ec)) {
        long n = 0;
        if (std::sscanf(f.path().filename().c_str(), "frame-%ld.png", &n) == 1 && n > last) last = n;
    }
    return last;
}

double AudioRms(const std::string& wavPath, long firstFrame, long lastFrame) {
    std::ifstream in(wavPath, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 4, "WAVE") != 0) return -1;
    int channels = 0, bits = 0;
    size_t pos = 12;
    while (pos + 8 <= bytes.size()) {
        uint32_t size = 0;
        std::memcpy(&size, bytes.data() + pos + 4, 4);
        std::string id = bytes.substr(pos, 4);
        size_t body = pos + 8;
        if (id == "fmt " && body + 16 <= bytes.size()) {
            uint16_t c = 0, b = 0;
            std::memcpy(&c, bytes.data() + body + 2, 2);
            std::memcpy(&b, bytes.data() + body + 14, 2);
            channels = c;
            bits = b;
        } else if (id == "data") {
            if (channels <= 0 || bits != 16) return -1;
            size_t frameBytes = static_cast<size_t>(channels) * 2;
            size_t available = std::min<size_t>(size, bytes.size() - body) / frameBytes;
            size_t from = static_cast<size_t>(std::max(0L, firstFrame)) * 735;
            size_t to = std::min(available, static_cast<size_t>(std::max(0L, lastFrame)) * 735);
            if (from >= to) return -1;
            double sum = 0;
            for (size_t i = from; i < to; ++i)
                for (int c = 0; c < channels; ++c) {
                    int16_t v = 0;
                    std::memcpy(&v, bytes.data() + body + i * frameBytes + c * 2, 2);
                    sum += (v / 32768.0) * (v / 32768.0);
                }
            return std::sqrt(sum / ((to - from) * channels));
        }
        pos = body + size + (size & 1);
    }
    return -1;
}

std::string FromTextMode(const std::string& bytes) {
    std::string out;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
        out += bytes[i];
    }
    return out;
}

} // namespace e2e
