// Font faces for the draw service's text: names resolved with fontconfig
// (the Windows faces the system names are aliased to fonts Debian ships),
// glyphs rasterized with FreeType at Windows logical-font sizes.
// Main thread only.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform::font {

struct FaceFile {
    std::string path;
    int index = 0;
    std::string family;   // what fontconfig called it (UTF-8), for the log
    bool cellIsEm = false;  // size it as a face whose cell is its em square
    // Otherwise, when > 0: size it as a face whose cell is this many ems
    // (the proportions of the face it stands in for).
    double cellPerEm = 0;
    // Hand-drawn bitmap strikes may stand in for its small sizes (a fixed
    // pitch Japanese gothic: full-width one em, half-width half of it).
    bool pixelStrikes = false;
};

// Resolves a face name given in CP932: an alias first, else fontconfig's best
// match. False (with the reason in error) when nothing usable is found.
bool ResolveFace(const char* cp932Name, FaceFile& out, std::string& error);

// Adds or replaces an alias. target is a fontconfig pattern ("IPAGothic",
// "DejaVu Sans:bold") or, when it starts with '/', a font file. The name is
// CP932 like the names plug-ins pass.
void SetFaceAlias(const char* cp932Name, const std::string& target);

struct FaceMetrics {
    int ascent = 0;         // pixels above the baseline in a cell
    int descent = 0;        // below it
    int cellHeight = 0;     // ascent + descent: the line height
    int averageWidth = 0;   // average character width (tab stops)
};

// A rasterized glyph: 8-bit coverage, one byte per pixel, rows of width.
struct Glyph {
    int width = 0, height = 0;
    int left = 0;      // from the pen position to the first column
    int top = 0;       // from the baseline up to the first row
    int advance = 0;   // pen movement in whole pixels
    std::vector<uint8_t> coverage;
};

enum class Rendering {
    Automatic,    // monochrome below a size where gray looks blurred (bitmap
                  // strikes where the face has them), gray above
    Monochrome,
    Gray,
};

// The rendering used from now on by newly opened faces (dump comparisons).
void SetRendering(Rendering rendering);

class ScaledFace {
public:
    // height > 0: cell height (ascent + descent) in pixels; < 0: em height;
    // 0: the default size. width 0: the face's own proportions; otherwise the
    // average character width in pixels (the sign is ignored).
    static std::unique_ptr<ScaledFace> Open(const FaceFile& file, int height, int width, std::string& error);
    ~ScaledFace();

    const FaceMetrics& Metrics() const { return m_metrics; }
    bool HasGlyph(uint32_t codepoint) const;
    // A character the face lacks gets its missing-glyph box. False (and an
    // empty glyph) when FreeType fails on it.
    bool Rasterize(uint32_t codepoint, Glyph& out) const;

    ScaledFace(const ScaledFace&) = delete;
    ScaledFace& operator=(const ScaledFace&) = delete;

private:
    ScaledFace() = default;
    struct Impl;
    std::unique_ptr<Impl> m_impl;
    FaceMetrics m_metrics;
};

} // namespace platform::font
