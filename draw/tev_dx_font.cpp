#include "draw/tev_dx_font.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <map>
#include <tuple>
#include <vector>

#include "draw/font_text.h"
#include "draw/tev_dx_draw_graphics.h"
#include "platform/font/font_face.h"
#include "platform/raster/raster_device.h"

ITevFont::~ITevFont() = default;

namespace {

// Text beyond this between one Begin and End is dropped: a game that never
// closes its batch must not grow without bound.
constexpr size_t kMaxQueuedGlyphs = 1u << 16;
// Face sizes kept with their glyphs.
constexpr size_t kMaxSizes = 48;

void CopyName(char (&dst)[260], const char* src) {
    std::snprintf(dst, sizeof dst, "%s", src ? src : "");
}

} // namespace

const char* CTevDxFont::DefaultFace() { return "ＭＳ　ゴシック"; }

struct CTevDxFont::Impl {
    platform::raster::Device* device = nullptr;

    // Face names are resolved once and the recently used sizes are kept with
    // their glyphs, so switching faces back and forth costs nothing.
    std::map<std::string, platform::font::FaceFile> resolved;
    struct Cached {
        std::shared_ptr<tevfont::SizedFont> font;
        unsigned long lastUse;
    };
    std::map<std::tuple<std::string, int, int, int>, Cached> sized;
    unsigned long uses = 0;
    long evictedRasterized = 0;   // glyphs of sizes no longer kept
    std::shared_ptr<tevfont::SizedFont> current;
    std::string lastError;

    bool inBatch = false;
    bool reportedFull = false;
    struct Run {
        std::shared_ptr<tevfont::SizedFont> font;   // keeps the glyphs alive
        uint32_t color;
        tevfont::ClipRect clip;
        size_t first, count;
    };
    std::vector<Run> runs;
    std::vector<tevfont::PlacedGlyph> queued;

    bool Resolve(const char* face, platform::font::FaceFile& file) {
        std::string key = face ? face : "";
        auto found = resolved.find(key);
        if (found != resolved.end()) {
            file = found->second;
            return true;
        }
        if (!platform::font::ResolveFace(key.c_str(), file, lastError)) return false;
        if (resolved.size() >= 256) resolved.clear();   // endless new names stay bounded
        resolved.emplace(key, file);
        return true;
    }

    std::shared_ptr<tevfont::SizedFont> Sized(const platform::font::FaceFile& file, int height, int width,
                                              bool withFallback) {
        auto key = std::make_tuple(file.path, file.index, height, width);
        auto found = sized.find(key);
        if (found != sized.end()) {
            found->second.lastUse = ++uses;
            return found->second.font;
        }
        auto face = platform::font::ScaledFace::Open(file, height, width, lastError);
        if (!face) return nullptr;
        std::shared_ptr<tevfont::SizedFont> fallback;
        platform::font::FaceFile defaultFile;
        if (withFallback && Resolve(DefaultFace(), defaultFile) &&
            (defaultFile.path != file.path || defaultFile.index != file.index))
            fallback = Sized(defaultFile, height, width, false);
        auto font = std::make_shared<tevfont::SizedFont>(std::move(face), std::move(fallback));
        // A game that steps through many sizes keeps only the recent ones;
        // text still queued holds on to the size it was laid out in.
        if (sized.size() >= kMaxSizes) {
            auto oldest = sized.begin();
            for (auto it = sized.begin(); it != sized.end(); ++it)
                if (it->second.lastUse < oldest->second.lastUse) oldest = it;
            evictedRasterized += oldest->second.font->Rasterized();
            sized.erase(oldest);
        }
        sized.emplace(key, Cached{font, ++uses});
        return font;
    }

    void Blend(const Run& run, const tevfont::PlacedGlyph* glyphs) {
        platform::raster::Surface& target = device->RenderTarget();
        for (size_t i = 0; i < run.count; ++i)
            tevfont::BlendGlyph(target, *glyphs[i].glyph, glyphs[i].x, glyphs[i].y, run.color, run.clip);
    }
};

CTevDxFont::CTevDxFont() : m_impl(std::make_unique<Impl>()) {}

CTevDxFont::~CTevDxFont() {
    m_impl->runs.clear();
    m_impl->current.reset();
    Log(0, "CTevDxFont::~CTevDxFont|: Done");
}

bool CTevDxFont::InBatch() const { return m_impl->inBatch; }

long CTevDxFont::RasterizedGlyphs() const {
    long n = m_impl->evictedRasterized;
    for (auto& entry : m_impl->sized) n += entry.second.font->Rasterized();
    return n;
}

bool CTevDxFont::MakeFont(const char* face, int height, int width) {
    m_impl->current.reset();
    if (!m_impl->device) {
        m_impl->lastError = "no device";
        return false;
    }
    platform::font::FaceFile file;
    if (!m_impl->Resolve(face, file)) return false;
    m_impl->current = m_impl->Sized(file, height, width, true);
    return m_impl->current != nullptr;
}

void CTevDxFont::ReleaseFont() { m_impl->current.reset(); }

int CTevDxFont::Init(CTevDxDrawGraphics* device, int width, int height) {
    m_device = device;
    // Without a ready device there is nothing to make the font on.
    return InitOnDevice(device ? device->Device() : nullptr, width, height);
}

int CTevDxFont::InitOnDevice(platform::raster::Device* device, int width, int height) {
    m_initialised = true;
    m_impl->device = device;
    m_width = width;
    m_height = height;
    CopyName(m_face, DefaultFace());
    if (!MakeFont(m_face, m_height, m_width)) {
        Log(1, "CTevDxFont::Init|: CreateFont Failed");
        Log(1, "|: %s", m_impl->lastError.c_str());
        return -1;
    }
    // A fresh batch, as a newly made sprite would be.
    m_impl->inBatch = false;
    m_impl->runs.clear();
    m_impl->queued.clear();
    Log(0, "CTevDxFont::Init|: Succeeded");
    // Which installed font stands in for the default face.
    platform::font::FaceFile file;
    if (m_impl->Resolve(m_face, file)) Log(0, "|: %s", file.path.c_str());
    m_fontMade = true;
    return 0;
}

int CTevDxFont::DrawText(int x, int y, const char* text) { return Queue(x, y, text, m_color); }

int CTevDxFont::DrawTextColor(int x, int y, const char* text, uint32_t color) {
    return Queue(x, y, text, color) < 0 ? -1 : 0;
}

int CTevDxFont::Queue(int x, int y, const char* text, uint32_t color) {
    if (!m_initialised || !m_fontMade || !m_impl->current) return -1;
    Impl& im = *m_impl;
    // Right and bottom are computed wide so that huge positions cannot overflow.
    auto edge = [](int from, int size) {
        long long e = (long long)from + size;
        return int(e > 0x7FFFFFFF ? 0x7FFFFFFF : e < -0x7FFFFFFF ? -0x7FFFFFFF : e);
    };
    tevfont::ClipRect clip{x, y, edge(x, m_areaWidth), edge(y, m_areaHeight)};
    size_t first = im.queued.size();
    int height = tevfont::LayoutText(*im.current, x, y, text, im.queued);
    Impl::Run run{im.current, color, clip, first, im.queued.size() - first};
    if (!im.inBatch) {
        // Outside a batch the text is drawn at once, as a one-line batch.
        im.Blend(run, im.queued.data() + first);
        im.queued.resize(first);
        return height;
    }
    if (im.queued.size() > kMaxQueuedGlyphs) {
        im.queued.resize(first);
        if (!im.reportedFull) {
            Log(1, "CTevDxFont::DrawText|: too much text between Begin and End; the rest is dropped");
            im.reportedFull = true;
        }
        return height;
    }
    if (run.count) im.runs.push_back(std::move(run));
    return height;
}

int CTevDxFont::Printf(int x, int y, const char* format, ...) {
    char buffer[260];
    buffer[0] = '\0';
    if (format) {
        va_list args;
        va_start(args, format);
        std::vsnprintf(buffer, sizeof buffer, format, args);
        va_end(args);
    }
    return DrawText(x, y, buffer);
}

void CTevDxFont::SetColor(uint32_t color) { m_color = color; }

int CTevDxFont::SetFontName(const char* face) {
    CopyName(m_pendingFace, face);
    return 0;
}

int CTevDxFont::ChangeFont(const char* face, int height, int width, int) {
    ReleaseFont();
    CopyName(m_face, face);
    m_height = height;
    m_width = width;
    if (!MakeFont(m_face, m_height, m_width)) {
        Log(1, "CTevDxFont::ChangeFont|: CreateFont Failed");
        Log(1, "|: %s", m_impl->lastError.c_str());
        return -1;
    }
    return 0;
}

const char* CTevDxFont::GetFontName() { return m_face; }

int CTevDxFont::SetFontSize(int height, int width) {
    m_pendingHeight = static_cast<int8_t>(static_cast<uint8_t>(height & 0xFF));
    m_pendingWidth = static_cast<int8_t>(static_cast<uint8_t>(width & 0xFF));
    return 0;
}

int CTevDxFont::ApplyFont() {
    ReleaseFont();
    if (!MakeFont(m_pendingFace, m_pendingHeight, m_pendingWidth)) {
        Log(1, "CTevDxFont::ChangeFont|: CreateFont Failed");
        Log(1, "|: %s", m_impl->lastError.c_str());
        MakeFont(m_face, m_height, m_width);
        return -1;
    }
    CopyName(m_face, m_pendingFace);
    m_height = m_pendingHeight;
    m_width = m_pendingWidth;
    return 0;
}

int CTevDxFont::ResetFont() {
    SetFontName(DefaultFace());
    SetFontSize(10, 0);
    ApplyFont();
    return 0;
}

int CTevDxFont::SetTextArea(int width, int height) {
    m_areaWidth = width;
    m_areaHeight = height;
    return 0;
}

int CTevDxFont::Begin() {
    // Only a font that was made has a batch; a second Begin keeps the open one.
    if (!m_fontMade || !m_impl->device) return 0;
    if (!m_impl->inBatch) {
        m_impl->inBatch = true;
        m_impl->reportedFull = false;
    }
    return 0;
}

int CTevDxFont::End() {
    Impl& im = *m_impl;
    if (!im.inBatch) return 0;
    // In the order the text was given: later text lies over earlier text.
    for (const auto& run : im.runs) im.Blend(run, im.queued.data() + run.first);
    im.runs.clear();
    im.queued.clear();
    im.inBatch = false;
    return 0;
}
