// Inside the draw service: the font's glyph cache, line layout and blending.
// Kept apart from CTevDxFont so the rules can be checked on their own.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/font/font_face.h"
#include "platform/raster/raster_device.h"

namespace tevfont {

// One face at one size, with the glyphs it has rasterized so far. Characters
// the face lacks come from the fallback face of the same size (the default
// Japanese face), set on its baseline.
class SizedFont {
public:
    SizedFont(std::unique_ptr<platform::font::ScaledFace> face, std::shared_ptr<SizedFont> fallback);

    const platform::font::FaceMetrics& Metrics() const { return m_face->Metrics(); }
    // The glyph for a character, rasterized on first use and kept. Never null.
    const platform::font::Glyph& GlyphFor(uint32_t codepoint);
    long Rasterized() const { return m_rasterized; }

private:
    std::unique_ptr<platform::font::ScaledFace> m_face;
    std::shared_ptr<SizedFont> m_fallback;
    std::unordered_map<uint32_t, platform::font::Glyph> m_glyphs;
    long m_rasterized = 0;
};

struct ClipRect {
    int left = 0, top = 0, right = 0, bottom = 0;   // right and bottom excluded
};

// A glyph bitmap placed on the target: (x, y) is its top-left pixel.
struct PlacedGlyph {
    const platform::font::Glyph* glyph;
    int x, y;
};

// Lays out CP932 text as a Windows DrawText call with tabs expanded: the
// first cell's top-left corner at (x, y), a new line for CR, LF or CR LF,
// tab stops every eight average widths from x, no wrapping. Appends the
// visible glyphs and returns the height of the text (lines times the cell
// height; 0 for an empty text).
int LayoutText(SizedFont& font, int x, int y, const char* text, std::vector<PlacedGlyph>& out);

// Blends a coverage glyph in colour (0xAARRGGBB) into target within clip, as
// a sprite with source-alpha / inverse-source-alpha blending does: every
// channel, alpha included, is src * a + dst * (1 - a) with a = coverage *
// colour alpha.
void BlendGlyph(platform::raster::Surface& target, const platform::font::Glyph& glyph, int x, int y,
                uint32_t color, const ClipRect& clip);

} // namespace tevfont
