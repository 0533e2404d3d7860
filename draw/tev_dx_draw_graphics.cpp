#include "draw/tev_dx_draw_graphics.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <new>

#include "app/oreval_open.h"
#include "draw/tev_bmp.h"
#include "draw/tev_dx_font.h"
#include "draw/tev_system_info.h"
#include "platform/image/image_codec.h"
#include "platform/raster/display_mode.h"
#include "platform/run_options.h"
#include "platform/window.h"

using platform::raster::Surface;

namespace {

std::atomic<CTevDxDrawGraphics*> g_boundGraphics{nullptr};

constexpr uint32_t kAutoKey = 0x00FFFFFFu;
// Largest texture side the device accepts.
constexpr int kMaxTextureSide = 16384;

bool Contains(const char* text, const char* part) { return text && std::strstr(text, part) != nullptr; }

void CopyText(char* dst, size_t cap, const char* src) {
    std::snprintf(dst, cap, "%s", src ? src : "");
}

// Pixels of exactly the key's ARGB value become transparent black.
void ApplyColorKey(platform::image::Image& picture, uint32_t key) {
    if (key == 0) return;
    for (uint32_t& px : picture.pixels)
        if (px == key) px = 0;
}

} // namespace

CTevDxDrawGraphics* TevBoundDrawGraphics() { return g_boundGraphics.load(); }

CTevDxDrawGraphics::CTevDxDrawGraphics() = default;

CTevDxDrawGraphics::~CTevDxDrawGraphics() {
    Log(0, "CTevDxDrawGraphics::~CTevDxDrawGraphics|: Begin");
    for (int i = 0; i < kTevTextureSlots; ++i) {
        StopLoader(i);
        std::lock_guard<std::mutex> lock(m_slotMutex);
        slots[i].texture.reset();
        slots[i].targetBound = false;
    }
    FlushLoaderLog();
    m_targetKeepAlive.reset();
    m_device.reset();
    CTevDxDrawGraphics* self = this;
    g_boundGraphics.compare_exchange_strong(self, nullptr);
    Log(0, "CTevDxDrawGraphics::~CTevDxDrawGraphics|: End");
}

// ------------------------------------------------------------------ logging

void CTevDxDrawGraphics::Say(bool onLoader, int level, const char* format, ...) {
    char buffer[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (onLoader) {
        std::lock_guard<std::mutex> lock(m_logMutex);
        m_loaderLog.emplace_back(level, buffer);
        return;
    }
    FlushLoaderLog();
    Write(level, buffer);
}

void CTevDxDrawGraphics::FlushLoaderLog() {
    std::vector<std::pair<int, std::string>> lines;
    {
        std::lock_guard<std::mutex> lock(m_logMutex);
        lines.swap(m_loaderLog);
    }
    for (const auto& line : lines) Write(line.first, line.second.c_str());
}

// ------------------------------------------------------------ device set-up

void CTevDxDrawGraphics::Bind(ITevApp* app) {
    m_app = app;
    g_boundGraphics.store(this);
    state = kBound;
}

void CTevDxDrawGraphics::StandardBackBufferSize(int w, int h, int& bw, int& bh) {
    if (w <= 320 && h <= 240) { bw = 320; bh = 240; }
    else if (w <= 640 && h <= 480) { bw = 640; bh = 480; }
    else if (w <= 800 && h <= 600) { bw = 800; bh = 600; }
    else if (w <= 1024 && h <= 768) { bw = 1024; bh = 768; }
    else { bw = 1200; bh = 900; }
}

int CTevDxDrawGraphics::TextureSide(int value) {
    if (value <= 2) return 2;
    if (value > 8192) return value;
    int side = 4;
    while (side < value) side <<= 1;
    return side;
}

void CTevDxDrawGraphics::LogSystemDescription() {
    Log(0, "CTevDxDraw::Initialize|: CPU Information");
    TevCpuInfo cpu = TevQueryCpu();
    Log(0, "|: \t\tCPU Vender: %s\t\tType: %d\t\tFamily: %d\t\tModel: %d\t\tStepping ID: %d",
        cpu.known ? cpu.vendor : "unknown", cpu.type, cpu.family, cpu.model, cpu.stepping);
    Log(0, "|: \t\tMMX: %d\t\tSSE: %d\t\tSSE2: %d\t\t3DNow!: %d\t\tEnhanced 3DNow!: %d", cpu.mmx, cpu.sse, cpu.sse2,
        cpu.now3d, cpu.now3dExt);
    TevOsInfo os = TevQueryOs();
    if (!os.known)
        Log(0, "|: OS情報は取得できませんでした");
    else
        Log(0, "|: OS : [ %s ] %ld.%ld.%ld", os.name.c_str(), os.major, os.minor, os.build);
    Log(0, "CTevDxDraw::Initialize|: VGA Information");
    Log(0, "|: %s", "TevLib software rasterizer (A8R8G8B8, Direct3D 9 fill rules)");
}

bool CTevDxDrawGraphics::CreateDevice(CTevDxFont* /*font*/) {
    if (m_device) return true;   // made once; settings after that change nothing
    StandardBackBufferSize(screenWidth, screenHeight, backWidth, backHeight);

    platform::raster::DisplayMode mode = platform::raster::QueryDisplayMode();
    if (!mode.real) {   // no display: the mode of the picture we would show
        mode.width = backWidth;
        mode.height = backHeight;
        mode.refreshRate = 60;
    }
    Log(0, "CTevDxDrawGraphics::Initialize|: D3DDISPLAYMODE: Width=%d Height=%d RefreshRate=%d Format=%d", mode.width,
        mode.height, mode.refreshRate, mode.format);
    LogSystemDescription();
    Log(0, "CTevDxDrawGraphics::Initialize|: End");

    platform::IWindow& window = platform::Window();
    if (fullScreen) {
        if (customSizeFullScreen) Log(0, "CTevDxDrawGraphics::InitializeAfterUser|: custom size fullscreen mode");
        // The whole back buffer is what full screen shows.
        window.SetLogicalSize(backWidth, backHeight);
        window.SetFullScreen(true);
    } else {
        // The window's client area is the game's screen size.
        window.SetFullScreen(false);
        window.SetLogicalSize(screenWidth, screenHeight);
    }
    window.Show();

    try {
        m_device = std::make_unique<platform::raster::Device>(backWidth, backHeight);
    } catch (const std::bad_alloc&) {
        Log(2, "CTevDxDrawGraphics::Initialize|: CreateDevice Failed.");
        return false;
    }
    Log(0, "CTevDxDrawGraphics::Initialize|: CreateDevice Succeeded.");
    // Software rasterizer and software vertex processing: the reference
    // device's combination.
    Log(0, "|: Use D3DDEVTYPE_REF/D3DCREATE_SOFTWARE_VERTEXPROCESSING");
    canRenderToTexture = true;
    Log(0, "CTevDxDrawGraphics::Initialize|: CheckDeviceFormat Succeeded. Can Use Texture for RenderTarget.");

    namespace rs = platform::raster::rs;
    namespace bl = platform::raster::blend;
    m_device->SetRenderState(rs::ZFunc, platform::raster::cmp::Always);
    m_device->SetRenderState(rs::ZEnable, 1);
    m_device->SetRenderState(rs::ZWriteEnable, 1);
    m_device->SetRenderState(rs::CullMode, 1);   // D3DCULL_NONE
    m_device->SetRenderState(rs::AlphaBlendEnable, 1);
    m_device->SetRenderState(rs::DestBlend, bl::InvSrcAlpha);
    m_device->SetRenderState(rs::SrcBlend, bl::SrcAlpha);

    // One empty frame, not counted among the presented frames.
    m_device->Clear(clearColor);
    m_device->SetSamplerState(platform::raster::samp::MagFilter, platform::raster::filter::Point);
    m_device->SetSamplerState(platform::raster::samp::MinFilter, platform::raster::filter::Point);
    state = kReady;
    Present(false);
    Log(0, "CTevDxDrawGraphics::InitializeAfterUser|: End");
    return true;
}

// -------------------------------------------------------------- the frame

void CTevDxDrawGraphics::BeginFrame() {
    sceneBegun = false;
    if (presentEnabled && Ready()) sceneBegun = true;
}

void CTevDxDrawGraphics::EndFrame() {
    ReapLoaders();
    FlushLoaderLog();
    if (sceneBegun && Ready()) Present(true);
}

int CTevDxDrawGraphics::Clear() {
    if (!Ready()) return 0;
    m_device->Clear(clearColor);
    return 1;
}

void CTevDxDrawGraphics::Present(bool countFrame) {
    const Surface& back = m_device->BackBuffer();
    const int w = std::min(screenWidth, back.Width()), h = std::min(screenHeight, back.Height());
    if (fullScreen && customSizeFullScreen && w > 0 && h > 0) {
        // The screen-sized top-left part, centred and unscaled.
        m_presentBuffer.assign(static_cast<size_t>(back.Width()) * back.Height(), 0xFF000000u);
        const int left = (back.Width() - w) / 2, top = (back.Height() - h) / 2;
        for (int y = 0; y < h; ++y)
            std::memcpy(m_presentBuffer.data() + static_cast<size_t>(top + y) * back.Width() + left, back.Row(y),
                        static_cast<size_t>(w) * 4);
        m_lastPresented = m_presentBuffer.data();
    } else {
        m_lastPresented = back.Pixels();
    }
    m_lastPresentedW = back.Width();
    m_lastPresentedH = back.Height();
    platform::Window().Present(m_lastPresented, back.Width(), back.Height(), back.Width());
    if (countFrame) {
        ++m_presentedFrames;
        DumpFrame();
    }
}

// --dump DIR: every K-th presented frame (K = --dump-every), named by its
// frame number, at the logical screen size.
void CTevDxDrawGraphics::DumpFrame() {
    const platform::RunOptions& options = platform::Options();
    if (options.dumpDir.empty()) return;
    const int every = options.dumpEvery > 0 ? options.dumpEvery : 1;
    if (m_presentedFrames % every != 0) return;
    if (!m_dumpDirReady) {
        std::error_code ec;
        std::filesystem::create_directories(options.dumpDir, ec);
        m_dumpDirReady = true;
    }
    const Surface& back = m_device->BackBuffer();
    const int w = std::min(screenWidth, back.Width()), h = std::min(screenHeight, back.Height());
    char path[4096];
    std::snprintf(path, sizeof path, "%s/frame-%06ld.png", options.dumpDir.c_str(), m_presentedFrames);
    std::string error;
    if (platform::image::WritePng(path, back.Pixels(), w, h, back.Pitch(), false, &error)) {
        ++m_dumpedFrames;
    } else if (!m_dumpFailureLogged) {
        Log(1, "CTevDxDrawGraphics::EndFrame|: frame dump %s failed: %s", path, error.c_str());
        // Frames asked for and not written fail the run, like the other outputs.
        platform::NoteRunFailure("--dump: cannot write " + std::string(path) + ": " + error);
        m_dumpFailureLogged = true;
    }
}

// ------------------------------------------------------------ blend modes

void CTevDxDrawGraphics::ApplyBlendMode(int flags) {
    if (!Ready()) return;
    namespace rs = platform::raster::rs;
    namespace bl = platform::raster::blend;
    uint32_t enable = 1, dest, src;
    if (flags & 1) {
        dest = bl::InvSrcAlpha;
        src = bl::SrcAlpha;
    } else if (flags & 2) {
        dest = bl::One;
        src = bl::SrcAlpha;
    } else if (flags & 4) {
        dest = bl::InvSrcColor;
        src = bl::Zero;
    } else {
        enable = 0;
        dest = bl::Zero;
        src = bl::One;
    }
    m_device->SetRenderState(rs::AlphaBlendEnable, enable);
    m_device->SetRenderState(rs::DestBlend, dest);
    m_device->SetRenderState(rs::SrcBlend, src);
}

// --------------------------------------------------------- texture table

std::shared_ptr<Surface> CTevDxDrawGraphics::TextureOf(int slot) {
    if (slot < 0 || slot >= kTevTextureSlots) return nullptr;
    std::lock_guard<std::mutex> lock(m_slotMutex);
    return slots[slot].texture;
}

void CTevDxDrawGraphics::ImageSizeOf(int slot, int& width, int& height) {
    width = height = 0;
    if (slot < 0 || slot >= kTevTextureSlots) return;
    std::lock_guard<std::mutex> lock(m_slotMutex);
    width = slots[slot].imageWidth;
    height = slots[slot].imageHeight;
}

std::string CTevDxDrawGraphics::FullName(const char* file) const {
    std::string name = textureFolder;
    name += file ? file : "";
    return name;
}

// Release the texture and its target role; sizes side x side (1 for a load
// from the pack, where the image size starts at 1 too), name empty.
void CTevDxDrawGraphics::ResetSlot(int index, int side, int imageSide) {
    std::lock_guard<std::mutex> lock(m_slotMutex);
    TevTextureSlot& slot = slots[index];
    slot.texture.reset();
    slot.targetBound = false;
    slot.textureWidth = slot.textureHeight = side;
    slot.imageWidth = slot.imageHeight = imageSide;
    slot.fileName[0] = '\0';
}

// A loader still working on the slot is told to drop its result and is
// waited for: it is never stopped in the middle of building the picture.
// Afterwards the slot is not loading and has no loader.
void CTevDxDrawGraphics::StopLoader(int index) {
    TevTextureSlot& slot = slots[index];
    if (!slot.loader.joinable()) return;
    slot.loaderCancel.store(true);
    slot.loader.join();
    slot.loaderCancel.store(false);
    slot.loaderFinished.store(false);
    slot.loading.store(0);
}

void CTevDxDrawGraphics::ReapLoaders() {
    for (TevTextureSlot& slot : slots) {
        if (slot.loader.joinable() && slot.loaderFinished.load()) {
            slot.loader.join();
            slot.loaderFinished.store(false);
        }
    }
}

void CTevDxDrawGraphics::InstallPicture(int index, platform::image::Image& picture, uint32_t key, int texW,
                                        int texH, const char* fullName, bool onLoader) {
    auto surface = std::make_shared<Surface>(picture.width, picture.height);
    std::memcpy(surface->Pixels(), picture.pixels.data(), picture.pixels.size() * 4);
    if (onLoader && slots[index].loaderCancel.load()) return;   // released meanwhile: discard
    std::lock_guard<std::mutex> lock(m_slotMutex);
    TevTextureSlot& slot = slots[index];
    slot.texture = std::move(surface);
    slot.textureWidth = texW;
    slot.textureHeight = texH;
    slot.imageWidth = picture.width;
    slot.imageHeight = picture.height;
    slot.truncColor = key;
    CopyText(slot.fileName, sizeof slot.fileName, fullName);
}

bool CTevDxDrawGraphics::DecodeFailure(bool onLoader, const std::string& why) {
    // The loader's picture decoder rejected the data.
    (void)why;
    Say(onLoader, 0, "|: D3DXERR_INVALIDDATA");
    return false;
}

bool CTevDxDrawGraphics::LoadBmpFile(int index, const char* fullName, uint32_t colorKey, bool onLoader) {
    // Read once here (rather than by CBmp::LoadBmp) so that a loader
    // thread's lines go through the queued log like all the others.
    std::vector<unsigned char> bytes;
    if (!platform::image::ReadFile(fullName, bytes)) {
        Say(onLoader, 10, "CBmp::LoadBmp bmpfile %s open error", fullName);
        Say(onLoader, 0, "|: Open Error");
        return false;
    }
    CBmp bmp;
    if (bmp.LoadBmpFromMemory(bytes.data(), bytes.size(), colorKey == kAutoKey) != 0) {
        Say(onLoader, 0, "|: Not Bitmap");
        return false;
    }
    return LoadBmpPicture(index, bmp, bytes.data(), bytes.size(), colorKey, fullName, onLoader);
}

bool CTevDxDrawGraphics::LoadBmpPicture(int index, CBmp& bmp, const unsigned char* data, size_t size,
                                        uint32_t colorKey, const char* fullName, bool onLoader) {
    const int side = std::max(TextureSide(bmp.Width()), TextureSide(bmp.Height()));
    {
        std::lock_guard<std::mutex> lock(m_slotMutex);
        slots[index].textureWidth = slots[index].textureHeight = side;
        slots[index].imageWidth = bmp.Width();
        slots[index].imageHeight = bmp.Height();
    }
    platform::image::Image picture;
    std::string why;
    bool decoded;
    try {
        decoded = platform::image::DecodeBmp(data, size, picture, &why);
    } catch (const std::bad_alloc&) {
        Say(onLoader, 0, "|: E_OUTOFMEMORY");
        return false;
    }
    uint32_t key = colorKey;
    if (colorKey == kAutoKey) {
        key = bmp.PixelsDecodable() ? bmp.GetPixel(0, 0)
                                    : (decoded && !picture.pixels.empty() ? picture.pixels[0] | 0xFF000000u : 0xFFFFFFFFu);
        Say(onLoader, 0, "|: TruncColor 0x%08X", key);
    } else if (colorKey != 0) {
        Say(onLoader, 0, "|: TruncColor 0x%08X", key);
    }
    if (!decoded) return DecodeFailure(onLoader, why);
    ApplyColorKey(picture, key);
    InstallPicture(index, picture, key, side, side, fullName, onLoader);
    return true;
}

bool CTevDxDrawGraphics::LoadPngFile(int index, const char* fullName, bool onLoader) {
    // The header names the size; the first 25 bytes must be there.
    FILE* f = std::fopen(fullName, "rb");
    if (!f) return false;
    unsigned char head[25];
    size_t got = std::fread(head, 1, sizeof head, f);
    std::fclose(f);
    if (got < sizeof head) return false;
    static const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (std::memcmp(head, kSignature, 8) != 0) return false;
    std::vector<unsigned char> bytes;
    if (!platform::image::ReadFile(fullName, bytes)) return false;
    return LoadPngPicture(index, bytes.data(), bytes.size(), fullName, onLoader);
}

bool CTevDxDrawGraphics::LoadPngPicture(int index, const unsigned char* data, size_t size, const char* fullName,
                                        bool onLoader) {
    auto be32 = [](const unsigned char* p) {
        return int64_t((uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3]);
    };
    if (size < 25) return false;
    const int64_t w = be32(data + 16), h = be32(data + 20);
    const int side = static_cast<int>(std::min<int64_t>(std::max(w, h), INT32_MAX));
    {
        std::lock_guard<std::mutex> lock(m_slotMutex);
        slots[index].textureWidth = slots[index].textureHeight = side;
        slots[index].imageWidth = static_cast<int>(std::min<int64_t>(w, INT32_MAX));
        slots[index].imageHeight = static_cast<int>(std::min<int64_t>(h, INT32_MAX));
    }
    // Opaque black is transparent in every PNG picture.
    const uint32_t key = 0xFF000000u;
    platform::image::Image picture;
    std::string why;
    bool decoded;
    try {
        decoded = platform::image::DecodePng(data, size, picture, &why);
    } catch (const std::bad_alloc&) {
        Say(onLoader, 0, "|: E_OUTOFMEMORY");
        return false;
    }
    if (!decoded) return DecodeFailure(onLoader, why);
    ApplyColorKey(picture, key);
    // Stored at its own size so that texture coordinates (pixel / picture
    // size) address its pixels whatever its shape.
    InstallPicture(index, picture, key, side, side, fullName, onLoader);
    return true;
}

void CTevDxDrawGraphics::LoadIntoSlot(int index, const char* fullName, uint32_t colorKey, bool onLoader) {
    ResetSlot(index, 1, 0);
    bool ok = true;
    if (Contains(fullName, ".bmp")) {
        Say(onLoader, 0, "|: FileFormat BMP");
        ok = LoadBmpFile(index, fullName, colorKey, onLoader);
    } else if (Contains(fullName, ".png")) {
        Say(onLoader, 0, "|: FileFormat PNG");
        ok = LoadPngFile(index, fullName, onLoader);
    }
    if (ok)
        Say(onLoader, 0, "|: Succeeded. tex[%d] texfile %s", index, fullName);
    else
        Say(onLoader, 0, "|: Failed. tex[%d] texfile %s", index, fullName);
}

bool CTevDxDrawGraphics::BeginForegroundLoad(int& index, const char* file, std::string& full) {
    index &= 0xFF;
    Say(false, 0, "CTevDxDraw::CreateTexture|: Begin [%d]%s", index, file ? file : "");
    if (index >= kTevTextureSlots) {
        Say(false, 0, "|: TextureNumber Error");
        return false;
    }
    full = FullName(file);
    if (!Ready()) {
        Say(false, 0, "|: Inited() Error");
        return false;
    }
    StopLoader(index);   // a newer load of the slot wins over a background one
    return true;
}

int CTevDxDrawGraphics::CreateTexture(int index, const char* file, uint32_t colorKey) {
    std::string full;
    if (!BeginForegroundLoad(index, file, full)) return -1;
    LoadIntoSlot(index, full.c_str(), colorKey, false);
    return 0;
}

int CTevDxDrawGraphics::CreateTextureFromPack(int index, const char* file, uint32_t colorKey, int packKey) {
    std::string full;
    if (!BeginForegroundLoad(index, file, full)) return -1;
    ResetSlot(index, 1, 1);
    const char* name = full.c_str();
    auto reader = std::make_unique<OrevalOpen>();
    const int onDisk = reader->FileSize(name);
    if (onDisk < 0) {
        reader->key = packKey;
        char* buffer = nullptr;
        int n = reader->Read(&buffer, name);
        if (n <= 0 || !buffer) {
            Say(false, 0, "|: Failed. / %s not found", name);
        } else {
            bool ok = true;
            const auto* bytes = reinterpret_cast<const unsigned char*>(buffer);
            if (Contains(name, ".bmp")) {
                Say(false, 0, "|: FileFormat BMP");
                ok = LoadBmpMemory(index, bytes, static_cast<size_t>(n), colorKey, name);
            } else if (Contains(name, ".png")) {
                // Pictures in the pack are decoded whatever their kind.
                Say(false, 0, "|: FileFormat PNG");
                ok = LoadPngPicture(index, bytes, static_cast<size_t>(n), name, false);
            }
            if (ok)
                Say(false, 0, "|: Succeeded. / tex[%d] texfile %s", index, name);
            else
                Say(false, 0, "|: Failed. / tex[%d] texfile %s", index, name);
        }
        delete[] buffer;
    } else if (onDisk == 0) {
        Say(false, 0, "|: Faild filesize = 0 ? / tex[%d] texfile %s", index, name);
    } else {
        bool ok = true;
        if (Contains(name, ".bmp")) {
            Say(false, 0, "|: FileFormat BMP");
            ok = LoadBmpFile(index, name, colorKey, false);
        } else if (Contains(name, ".png")) {
            Say(false, 0, "|: FileFormat PNG");
            ok = LoadPngFile(index, name, false);
        }
        if (ok) {
            Say(false, 0, "|: Succeeded. / tex[%d] texfile %s", index, name);
        } else {
            Say(false, 0, "|: Failed. / tex[%d] texfile %s", index, name);
            std::lock_guard<std::mutex> lock(m_slotMutex);
            slots[index].texture.reset();
        }
    }
    return 0;
}

bool CTevDxDrawGraphics::LoadBmpMemory(int index, const unsigned char* data, size_t size, uint32_t colorKey,
                                       const char* name) {
    CBmp bmp;
    if (bmp.LoadBmpFromMemory(data, size, true) != 0) {
        Say(false, 0, "|: Not Bitmap");
        return false;
    }
    // The picture is as long as its header says, within the bytes read.
    size_t length = bmp.FileSize() >= 54 && bmp.FileSize() < size ? bmp.FileSize() : size;
    return LoadBmpPicture(index, bmp, data, length, colorKey, name, false);
}

int CTevDxDrawGraphics::CreateBlankTexture(int index, int width, int height, uint32_t truncColor) {
    index &= 0xFF;
    if (!Ready() || index >= kTevTextureSlots) return -1;
    StopLoader(index);
    const int side = std::max(TextureSide(width), TextureSide(height));
    ResetSlot(index, side, side);
    std::shared_ptr<Surface> surface;
    if (side <= kMaxTextureSide) {
        try {
            surface = std::make_shared<Surface>(side, side);
        } catch (const std::bad_alloc&) {
            surface.reset();
        }
    }
    if (!surface) {
        Log(0, "CTevDxDraw::CreateTexture|: D3DXCreateTextureFromResourceEx Failed");
        return -1;
    }
    {
        std::lock_guard<std::mutex> lock(m_slotMutex);
        slots[index].texture = std::move(surface);
        slots[index].truncColor = truncColor;
        slots[index].fileName[0] = '\0';
    }
    Say(false, 0, "CTevDxDraw::CreateTexture|: Succeeded. tex[%d] is blank texture, 0x%X trunc", index, truncColor);
    return 0;
}

int CTevDxDrawGraphics::ReleaseTexture(int index) {
    index &= 0xFF;
    if (!Ready() || index >= kTevTextureSlots) return -1;
    StopLoader(index);
    FlushLoaderLog();
    std::lock_guard<std::mutex> lock(m_slotMutex);
    slots[index].texture.reset();
    slots[index].targetBound = false;
    return 0;
}

// ------------------------------------------------------- background loads

int CTevDxDrawGraphics::CreateTextureBG(int index, const char* file, uint32_t colorKey) {
    index &= 0xFF;
    Say(false, 0, "CTevDxDraw::CreateTextureBG|: Begin [%d]%s", index, file ? file : "");
    if (index >= kTevTextureSlots) {
        Say(false, 0, "|: TextureNumber Error");
        return -1;
    }
    TevTextureSlot& slot = slots[index];
    if (slot.loader.joinable()) return 1;   // emptied by EndFrame once the loader is done
    slot.request.index = static_cast<uint8_t>(index);
    CopyText(slot.request.path, sizeof slot.request.path, file);
    slot.request.colorKey = colorKey;
    slot.requestFullName = FullName(slot.request.path);
    slot.loaderFinished.store(false);
    slot.loaderCancel.store(false);
    slot.loading.store(1);
    try {
        slot.loader = std::thread(&CTevDxDrawGraphics::LoaderMain, this, index, Ready());
    } catch (const std::system_error&) {
        slot.loading.store(0);
        Say(false, 1, "|: cannot start the loader thread");
        return 0;
    }
    return 0;
}

// The loader decodes and builds the picture on its own thread and hands the
// finished texture to the slot under the slot lock; the device itself is
// only ever used by the main thread.
// The name and the device state are taken when the load starts, so the
// loader reads nothing the main thread may be changing.
void CTevDxDrawGraphics::LoaderMain(int index, bool deviceReady) {
    TevTextureSlot& slot = slots[index];
    if (!deviceReady) {
        Say(true, 0, "|: Inited() Error");
    } else {
        LoadIntoSlot(slot.request.index, slot.requestFullName.c_str(), slot.request.colorKey, true);
    }
    slot.loading.store(0);
    slot.loaderFinished.store(true);
}

// ------------------------------------------------------- render to texture

int CTevDxDrawGraphics::BeginRenderToTexture(int index, CTevDxFont* font) {
    index &= 0xFF;
    if (index >= kTevTextureSlots || !Ready()) return 0;
    if (font) font->End();
    std::shared_ptr<Surface> target;
    {
        std::lock_guard<std::mutex> lock(m_slotMutex);
        TevTextureSlot& slot = slots[index];
        if (!slot.texture) {
            slot.texture = std::make_shared<Surface>(1024, 1024);
            slot.textureWidth = slot.textureHeight = 1024;
            slot.imageWidth = slot.imageHeight = 1024;
            slot.truncColor = 0xFFFFFFFFu;
            slot.fileName[0] = '\0';
        }
        slot.targetBound = true;
        target = slot.texture;
    }
    // Kept alive while it is the target, even if the slot lets it go.
    m_targetKeepAlive = target;
    m_device->SetRenderTarget(target.get());
    if (font) font->Begin();
    return 0;
}

int CTevDxDrawGraphics::EndRenderToTexture(CTevDxFont* font) {
    if (!Ready()) return 0;
    if (font) font->End();
    m_device->SetRenderTarget(nullptr);
    m_targetKeepAlive.reset();
    if (font) font->Begin();
    return 0;
}

// ------------------------------------------------------------------ saving

int CTevDxDrawGraphics::SaveScreenshot(const char* path) {
    if (!Ready() || !path) return 0;
    const Surface& back = m_device->BackBuffer();
    std::string error;
    if (!platform::image::WriteBmp(path, back.Pixels(), back.Width(), back.Height(), back.Pitch(), false, &error))
        Log(1, "CTevDxDraw::SaveScreenshot|: %s: %s", path, error.c_str());
    return 0;
}

int CTevDxDrawGraphics::SaveTexture(int index, const char* path) {
    index &= 0xFF;
    if (!Ready() || !path || index >= kTevTextureSlots) return 0;
    std::shared_ptr<Surface> texture = TextureOf(index);
    if (!texture) return 0;
    std::string error;
    if (!platform::image::WriteBmp(path, texture->Pixels(), texture->Width(), texture->Height(), texture->Pitch(),
                                   true, &error))
        Log(1, "CTevDxDraw::SaveTexture|: %s: %s", path, error.c_str());
    return 0;
}
