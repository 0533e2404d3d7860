// Writes small hand-made seed inputs for every fuzz target into
// DIR/<target>/, covering the variants the shipped files do not (palette
// and RLE pictures, compressed sounds, multi-track songs, packs).
// Usage: fuzz_make_seeds DIR
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "app/pack_writer.h"
#include "platform/image/image_codec.h"

namespace {

using Bytes = std::vector<uint8_t>;
std::string g_root;

void Put16(Bytes& b, uint32_t v) {
    b.push_back(v & 0xFF);
    b.push_back((v >> 8) & 0xFF);
}
void Put32(Bytes& b, uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}
void PutBe32(Bytes& b, uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) b.push_back((v >> s) & 0xFF);
}
void Append(Bytes& b, const Bytes& more) { b.insert(b.end(), more.begin(), more.end()); }
void AppendText(Bytes& b, const std::string& s) { b.insert(b.end(), s.begin(), s.end()); }

bool Write(const std::string& target, const std::string& name, const Bytes& bytes) {
    const std::string dir = g_root + "/" + target;
    mkdir(dir.c_str(), 0755);
    FILE* f = std::fopen((dir + "/" + name).c_str(), "wb");
    if (!f) return false;
    const bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

Bytes ReadBack(const std::string& path) {
    std::vector<unsigned char> bytes;
    platform::image::ReadFile(path.c_str(), bytes);
    return Bytes(bytes.begin(), bytes.end());
}

// A BMP with a 40-byte header; palette entries and pixel bytes as given.
Bytes Bmp(int w, int h, int bits, uint32_t compression, const Bytes& palette, const Bytes& pixels) {
    Bytes b;
    const uint32_t off = 14 + 40 + uint32_t(palette.size());
    b.push_back('B');
    b.push_back('M');
    Put32(b, off + uint32_t(pixels.size()));
    Put32(b, 0);
    Put32(b, off);
    Put32(b, 40);
    Put32(b, uint32_t(w));
    Put32(b, uint32_t(h));
    Put16(b, 1);
    Put16(b, uint32_t(bits));
    Put32(b, compression);
    Put32(b, uint32_t(pixels.size()));
    Put32(b, 2835);
    Put32(b, 2835);
    Put32(b, uint32_t(palette.size() / 4));
    Put32(b, 0);
    Append(b, palette);
    Append(b, pixels);
    return b;
}

void Pictures() {
    const uint32_t px[6] = {0xFF000000, 0xFFFF0000, 0x8000FF00, 0xFF0000FF, 0x00FFFFFF, 0xFF123456};
    const Bytes bmp24 = platform::image::EncodeBmp(px, 3, 2, 3, false);
    const Bytes bmp32 = platform::image::EncodeBmp(px, 3, 2, 3, true);
    Bytes palette;
    for (uint32_t c : {0x000000u, 0xFF00FFu, 0x00FF00u, 0xFFFFFFu}) Put32(palette, c);
    const Bytes bmp8 = Bmp(3, 2, 8, 0, palette, {0, 1, 2, 0, 3, 2, 1, 0});
    const Bytes rle8 = Bmp(4, 2, 8, 1, palette, {4, 1, 0, 2, 3, 2, 1, 2, 0, 0, 0, 1});
    const Bytes bmp4 = Bmp(3, 2, 4, 0, palette, {0x01, 0x20, 0, 0, 0x32, 0x10, 0, 0});
    const Bytes bmp1 = Bmp(3, -2, 1, 0, palette, {0xA0, 0, 0, 0, 0x40, 0, 0, 0});
    Bytes masks;   // 16 bits, 5-6-5 bit fields
    for (uint32_t m : {0xF800u, 0x07E0u, 0x001Fu}) Put32(masks, m);
    const Bytes bmp16 = Bmp(2, 2, 16, 3, masks, {0x00, 0xF8, 0xE0, 0x07, 0x1F, 0x00, 0xFF, 0xFF});
    for (const char* target : {"fuzz_bmp_decoder", "fuzz_cbmp"}) {
        Write(target, "seed24.bmp", bmp24);
        Write(target, "seed32.bmp", bmp32);
        Write(target, "seed8.bmp", bmp8);
        Write(target, "seed_rle8.bmp", rle8);
        Write(target, "seed4.bmp", bmp4);
        Write(target, "seed1_topdown.bmp", bmp1);
        Write(target, "seed16.bmp", bmp16);
    }

    const std::string tmp = g_root + "/tmp.png";
    Bytes rgba, rgb;
    if (platform::image::WritePng(tmp.c_str(), px, 3, 2, 3, true)) rgba = ReadBack(tmp);
    if (platform::image::WritePng(tmp.c_str(), px, 3, 2, 3, false)) rgb = ReadBack(tmp);
    unlink(tmp.c_str());
    Write("fuzz_png", "rgba.png", rgba);
    Write("fuzz_png", "rgb.png", rgb);

    // Icons: one with a 32-bit DIB (colour rows, then the AND mask), one with a PNG.
    auto icon = [](const std::vector<std::pair<Bytes, int>>& images) {
        Bytes b;
        Put16(b, 0);
        Put16(b, 1);
        Put16(b, uint32_t(images.size()));
        uint32_t offset = 6 + 16 * uint32_t(images.size());
        for (const auto& [data, side] : images) {
            b.push_back(uint8_t(side));
            b.push_back(uint8_t(side));
            b.push_back(0);
            b.push_back(0);
            Put16(b, 1);
            Put16(b, 32);
            Put32(b, uint32_t(data.size()));
            Put32(b, offset);
            offset += uint32_t(data.size());
        }
        for (const auto& image : images) Append(b, image.first);
        return b;
    };
    Bytes dib;
    Put32(dib, 40);
    Put32(dib, 2);
    Put32(dib, 4);   // twice the height: colour and mask
    Put16(dib, 1);
    Put16(dib, 32);
    for (int i = 0; i < 6; ++i) Put32(dib, 0);
    for (uint32_t c : {0xFFFF0000u, 0x8000FF00u, 0xFF0000FFu, 0x00FFFFFFu}) Put32(dib, c);
    for (int i = 0; i < 2; ++i) Put32(dib, 0x40000000);
    Write("fuzz_ico", "dib.ico", icon({{dib, 2}}));
    Write("fuzz_ico", "png.ico", icon({{rgba, 3}}));
    Write("fuzz_ico", "both.ico", icon({{dib, 2}, {rgba, 3}}));
}

Bytes Chunk(const char* id, const Bytes& data) {
    Bytes b(id, id + 4);
    Put32(b, uint32_t(data.size()));
    Append(b, data);
    if (data.size() & 1) b.push_back(0);
    return b;
}

Bytes Wave(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t blockAlign, uint16_t bits, const Bytes& extra,
           const Bytes& data) {
    Bytes fmt;
    Put16(fmt, tag);
    Put16(fmt, channels);
    Put32(fmt, rate);
    Put32(fmt, rate * blockAlign / (tag == 1 ? 1 : 8));
    Put16(fmt, blockAlign);
    Put16(fmt, bits);
    if (tag != 1 || !extra.empty()) {
        Put16(fmt, uint32_t(extra.size()));
        Append(fmt, extra);
    }
    Bytes body{'W', 'A', 'V', 'E'};
    Append(body, Chunk("fmt ", fmt));
    Append(body, Chunk("LIST", {'I', 'N', 'F', 'O', 'x'}));
    Append(body, Chunk("data", data));
    return Chunk("RIFF", body);
}

void Sounds() {
    Bytes pcm16, pcm8, companded, blocks;
    for (int i = 0; i < 200; ++i) Put16(pcm16, uint32_t(int16_t(i * 150 - 15000)) & 0xFFFF);
    for (int i = 0; i < 200; ++i) pcm8.push_back(uint8_t(128 + (i % 50) - 25));
    for (int i = 0; i < 200; ++i) companded.push_back(uint8_t(i * 37));
    for (int i = 0; i < 512; ++i) blocks.push_back(uint8_t(i * 91 + 7));
    const Bytes ima = [&] {
        Bytes e;
        Put16(e, (256 - 4) * 2 + 1);   // samples per block, mono
        return e;
    }();
    const Bytes msadpcm = [&] {
        Bytes e;
        Put16(e, (256 - 7) * 2 + 2);
        Put16(e, 7);
        const int16_t coef[7][2] = {{256, 0}, {512, -256}, {0, 0}, {192, 64}, {240, 0}, {460, -208}, {392, -232}};
        for (const auto& c : coef) {
            Put16(e, uint16_t(c[0]));
            Put16(e, uint16_t(c[1]));
        }
        return e;
    }();
    for (const char* target : {"fuzz_wave_file", "fuzz_riff_file"}) {
        Write(target, "pcm16.wav", Wave(1, 1, 22050, 2, 16, {}, pcm16));
        Write(target, "pcm8_stereo.wav", Wave(1, 2, 11025, 2, 8, {}, pcm8));
        Write(target, "mulaw.wav", Wave(7, 1, 8000, 1, 8, {}, companded));
        Write(target, "alaw.wav", Wave(6, 2, 8000, 2, 8, {}, companded));
        Write(target, "ima_adpcm.wav", Wave(0x11, 1, 22050, 256, 4, ima, blocks));
        Write(target, "ms_adpcm.wav", Wave(2, 1, 22050, 256, 4, msadpcm, blocks));
    }
}

Bytes Track(const Bytes& events) {
    Bytes b{'M', 'T', 'r', 'k'};
    PutBe32(b, uint32_t(events.size()));
    Append(b, events);
    return b;
}

Bytes Header(int format, int tracks, int division) {
    Bytes b{'M', 'T', 'h', 'd'};
    PutBe32(b, 6);
    b.push_back(0);
    b.push_back(uint8_t(format));
    b.push_back(0);
    b.push_back(uint8_t(tracks));
    b.push_back(uint8_t(division >> 8));
    b.push_back(uint8_t(division));
    return b;
}

void Songs() {
    // Tempo, time signature, text, program change, notes with running
    // status, a system exclusive message, end of track.
    const Bytes first = {0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, 0x00, 0xFF, 0x58, 0x04, 0x04, 0x02, 0x18, 0x08,
                         0x00, 0xFF, 0x03, 0x04, 'S',  'o',  'n',  'g',  0x00, 0xC0, 0x05, 0x00, 0x90, 0x3C, 0x64,
                         0x60, 0x40, 0x64, 0x81, 0x40, 0x3C, 0x00, 0x00, 0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x01, 0xF7,
                         0x20, 0xB0, 0x07, 0x64, 0x00, 0xE0, 0x00, 0x40, 0x00, 0xFF, 0x2F, 0x00};
    const Bytes second = {0x10, 0x91, 0x40, 0x50, 0x83, 0x00, 0x81, 0x40, 0x00, 0x00, 0xD1, 0x30,
                          0x00, 0xA1, 0x40, 0x20, 0x00, 0xFF, 0x2F, 0x00};
    Bytes format0 = Header(0, 1, 480);
    Append(format0, Track(first));
    Bytes format1 = Header(1, 2, 96);
    Append(format1, Track(first));
    Append(format1, Track(second));
    Bytes timeCode = Header(0, 1, 0xE728);   // 25 frames a second, 40 ticks a frame
    Append(timeCode, Track(second));
    Write("fuzz_midi", "format0.mid", format0);
    Write("fuzz_midi", "format1.mid", format1);
    Write("fuzz_midi", "timecode.mid", timeCode);
}

void Packs() {
    char cwd[4096];
    if (!getcwd(cwd, sizeof cwd)) return;
    const std::string dir = g_root + "/pack-work";
    mkdir(dir.c_str(), 0755);
    if (chdir(dir.c_str()) != 0) return;
    std::string error;
    const std::vector<PackEntry> entries = {{"a.bmp", {'B', 'M', 1, 2, 3}}, {"sub/b.png", Bytes(300, 0x5A)}, {"empty", {}}};
    for (int32_t key : {1234, 0}) {
        if (!WritePack(entries, 0, key, "pack", error)) break;
        const Bytes index = ReadBack("pack0000.ind"), archive = ReadBack("pack0000.dat");
        Bytes seed;
        Put16(seed, uint32_t(index.size()));
        Append(seed, index);
        Append(seed, archive);
        Write("fuzz_pack", "key" + std::to_string(key) + ".pack", seed);
    }
    unlink("pack0000.ind");
    unlink("pack0000.dat");
    if (chdir(cwd) != 0) return;
    rmdir(dir.c_str());
}

void LauncherFiles() {
    Write("fuzz_save_dat", "default.dat", {0, 44, 45, 4, 5, 0});
    Write("fuzz_save_dat", "textmode.dat", {1, 0x0D, 0x0A, 45, 0x0D, 0x0A, 5, 1});
    Write("fuzz_pv_dat", "score.dat", {0x0D, 0x0A, 0, 0, 0, 3, 0, 0, 0});
    Write("fuzz_pv_dat", "big.dat", {0xFF, 0xFF, 0xFF, 0x7F, 0x0D, 0x0A, 0x0D, 0x0A, 0x0D, 0x0A, 0x0D, 0x0A});
    Bytes play;
    AppendText(play, "; counters\r\n[ProjectVarrow]\r\nslope_runner=3\r\ngrid_serpent = \"7\"\r\n\r\n[Other]\r\nx=1");
    Write("fuzz_play_dat", "play.dat", play);
    Bytes unix;
    AppendText(unix, "[projectvarrow]\nslope_runner=2147483647\nodd line\n");
    Write("fuzz_play_dat", "unix.dat", unix);
    Bytes titles;
    AppendText(titles, "3\r\nfirst line\r\nsecond line that is much longer than sixty-three bytes, so it is cut\r\n\r\n");
    Write("fuzz_title_dat", "titles.dat", titles);
    Bytes size;
    AppendText(size, "960 720\n");
    Write("fuzz_window_txt", "window.txt", size);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 2;
    }
    g_root = argv[1];
    mkdir(g_root.c_str(), 0755);
    Pictures();
    Sounds();
    Songs();
    Packs();
    LauncherFiles();
    return 0;
}
