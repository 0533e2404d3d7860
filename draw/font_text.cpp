#include "draw/font_text.h"

#include <algorithm>

#include "platform/font/cp932.h"

namespace tevfont {

using platform::font::Glyph;

SizedFont::SizedFont(std::unique_ptr<platform::font::ScaledFace> face, std::shared_ptr<SizedFont> fallback)
    : m_face(std::move(face)), m_fallback(std::move(fallback)) {}

const Glyph& SizedFont::GlyphFor(uint32_t codepoint) {
    auto found = m_glyphs.find(codepoint);
    if (found != m_glyphs.end()) return found->second;
    Glyph g;
    if (m_fallback && !m_face->HasGlyph(codepoint) && m_fallback->m_face->HasGlyph(codepoint)) {
        g = m_fallback->GlyphFor(codepoint);
        // Rows are counted from this face's baseline.
        g.top += Metrics().ascent - m_fallback->Metrics().ascent;
    } else {
        // A character neither face has gets this face's missing-glyph box.
        m_face->Rasterize(codepoint, g);
        ++m_rasterized;
    }
    return m_glyphs.emplace(codepoint, std::move(g)).first->second;
}

int LayoutText(SizedFont& font, int x, int y, const char* text, std::vector<PlacedGlyph>& out) {
    if (!text || !*text) return 0;
    const auto& m = font.Metrics();
    const long long tab = std::max(1, 8 * m.averageWidth);
    // Positions are 64-bit: text may start anywhere in the int range and run
    // past its end; what lies outside every surface is simply not placed.
    constexpr long long kFar = 1 << 30;
    auto p = reinterpret_cast<const unsigned char*>(text);
    int lines = 1;
    long long pen = x;
    long long top = y;
    for (;;) {
        uint32_t cp;
        size_t n = platform::font::DecodeCp932Char(p, cp);
        if (n == 0) break;
        p += n;
        if (cp == '\r' || cp == '\n') {
            if (cp == '\r' && *p == '\n') ++p;
            ++lines;
            pen = x;
            top += m.cellHeight;
            continue;
        }
        if (cp == '\t') {
            pen = x + ((pen - x) / tab + 1) * tab;
            continue;
        }
        if (cp < 0x20 || cp == 0x7F) continue;   // other control bytes take no room
        const Glyph& g = font.GlyphFor(cp);
        long long gx = pen + g.left, gy = top + m.ascent - g.top;
        if (g.width > 0 && g.height > 0 && gx > -kFar && gx < kFar && gy > -kFar && gy < kFar)
            out.push_back({&g, int(gx), int(gy)});
        pen += g.advance;
    }
    long long height = (long long)lines * m.cellHeight;
    return int(std::min<long long>(height, 0x7FFFFFFF));
}

void BlendGlyph(platform::raster::Surface& target, const Glyph& glyph, int x, int y, uint32_t color,
                const ClipRect& clip) {
    const int left = std::max({x, clip.left, 0});
    const int top = std::max({y, clip.top, 0});
    const int right = std::min({x + glyph.width, clip.right, target.Width()});
    const int bottom = std::min({y + glyph.height, clip.bottom, target.Height()});
    if (left >= right || top >= bottom) return;
    const uint32_t alpha = color >> 24;
    if (alpha == 0) return;
    const uint32_t sr = (color >> 16) & 0xFF, sg = (color >> 8) & 0xFF, sb = color & 0xFF;
    const uint32_t opaque = color | 0xFF000000u;
    for (int py = top; py < bottom; ++py) {
        const uint8_t* cov = &glyph.coverage[size_t(py - y) * glyph.width + size_t(left - x)];
        uint32_t* dst = target.Row(py) + left;
        for (int px = left; px < right; ++px, ++cov, ++dst) {
            uint32_t c = *cov;
            if (c == 0) continue;
            uint32_t a = alpha == 255 ? c : (c * alpha + 127) / 255;
            if (a == 255) {
                *dst = opaque;
                continue;
            }
            uint32_t d = *dst, ia = 255 - a;
            uint32_t da = d >> 24, dr = (d >> 16) & 0xFF, dg = (d >> 8) & 0xFF, db = d & 0xFF;
            da = (a * a + da * ia + 127) / 255;
            dr = (sr * a + dr * ia + 127) / 255;
            dg = (sg * a + dg * ia + 127) / 255;
            db = (sb * a + db * ia + 127) / 255;
            *dst = da << 24 | dr << 16 | dg << 8 | db;
        }
    }
}

} // namespace tevfont
