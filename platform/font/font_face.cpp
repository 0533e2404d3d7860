#include "platform/font/font_face.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H
#include FT_SIZES_H

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>

#include "platform/font/cp932.h"

namespace platform::font {
namespace {

// UTF-8 with ASCII letters folded: Windows face names ignore case. (Folding
// the CP932 bytes themselves would change trail bytes.)
std::string Folded(const char* cp932) {
    std::string out = Cp932ToUtf8(cp932);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return out;
}

struct Alias {
    std::string target;
    // The face stands in for one whose cell is exactly its em square (the
    // Japanese gothic faces): sized that way, 12-pixel text keeps its
    // 12-pixel full-width and 6-pixel half-width characters, which the
    // games' layouts count on.
    bool cellIsEm = false;
    // Else, when > 0, the cell height in ems of the face stood in for.
    double cellPerEm = 0;
    bool pixelStrikes = false;
};

// The faces the games and the launcher ask for by their Windows names.
// The literals are CP932 like every narrow literal of the tree.
std::map<std::string, Alias>& Aliases() {
    static std::map<std::string, Alias> aliases = [] {
        std::map<std::string, Alias> m;
        const char* gothic[] = {"ＭＳ　ゴシック", "ＭＳ ゴシック", "MS Gothic"};
        const char* pgothic[] = {"ＭＳ　Ｐゴシック", "ＭＳ Ｐゴシック", "MS PGothic"};
        for (const char* n : gothic) m[Folded(n)] = {"IPAGothic", true, 0, true};
        for (const char* n : pgothic) m[Folded(n)] = {"IPAPGothic", true};
        // Arial Black's cell is 1.41 em; DejaVu's own is 1.16, so sized by
        // its own cell DejaVu came out a fifth larger than the face the
        // screens were laid out for, and labels ran into their neighbours.
        m[Folded("Arial Black")] = {"DejaVu Sans:bold", false, 1.41};
        return m;
    }();
    return aliases;
}

Rendering g_rendering = Rendering::Automatic;

// Sizes beyond this are refused: nothing on a 320 x 240 screen needs them and
// a glyph of such a size would cost a great deal of memory.
constexpr int kMaxPixels = 1024;
// GDI's own choice for a height of 0 on a 96 dpi screen.
constexpr int kDefaultCellHeight = 16;
// Up to this em size gray glyphs look blurred on the logical screen; hinted
// one-bit glyphs stay sharp (the look of embedded bitmap strikes).
constexpr int kMonochromeMaxEm = 14;

struct Library {
    FT_Library ft = nullptr;
    Library() {
        if (FT_Init_FreeType(&ft) != 0) ft = nullptr;
    }
    ~Library() {
        if (ft) FT_Done_FreeType(ft);
    }
};

std::shared_ptr<Library> SharedLibrary() {
    static std::weak_ptr<Library> weak;
    auto lib = weak.lock();
    if (!lib) {
        lib = std::make_shared<Library>();
        weak = lib;
    }
    return lib;
}

bool MatchPattern(FcPattern* pattern, FaceFile& out, std::string& error) {
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    if (!match) {
        error = "no installed font matches";
        return false;
    }
    FcChar8* file = nullptr;
    FcChar8* family = nullptr;
    int index = 0;
    bool ok = FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file && *file;
    if (ok) {
        out.path = reinterpret_cast<const char*>(file);
        if (FcPatternGetInteger(match, FC_INDEX, 0, &index) != FcResultMatch) index = 0;
        out.index = index;
        out.family = FcPatternGetString(match, FC_FAMILY, 0, &family) == FcResultMatch && family
                         ? reinterpret_cast<const char*>(family)
                         : "";
    } else {
        error = "the matching font has no file";
    }
    FcPatternDestroy(match);
    return ok;
}

} // namespace

void SetFaceAlias(const char* cp932Name, const std::string& target) {
    Aliases()[Folded(cp932Name ? cp932Name : "")] = {target};
}

void SetRendering(Rendering rendering) { g_rendering = rendering; }

bool ResolveFace(const char* cp932Name, FaceFile& out, std::string& error) {
    out = FaceFile{};
    static bool initialised = false;
    if (!initialised) {
        if (!FcInit()) {
            error = "fontconfig cannot be initialised";
            return false;
        }
        // Gives fontconfig's configuration back at exit, so leak checkers
        // see only leaks of our own.
        std::atexit(FcFini);
        initialised = true;
    }
    if (!cp932Name) cp932Name = "";
    std::string name = Cp932ToUtf8(cp932Name);
    auto alias = Aliases().find(Folded(cp932Name));
    const bool aliased = alias != Aliases().end();
    if (aliased && !alias->second.target.empty() && alias->second.target[0] == '/') {
        out.path = alias->second.target;
        out.family = name;
        return true;
    }
    FcPattern* pattern = nullptr;
    if (aliased) {
        pattern = FcNameParse(reinterpret_cast<const FcChar8*>(alias->second.target.c_str()));
    } else {
        // A plain family name: not parsed, since ':' or '-' in a face name
        // are not pattern syntax here.
        pattern = FcPatternCreate();
        if (pattern && !name.empty())
            FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(name.c_str()));
    }
    if (!pattern) {
        error = "fontconfig cannot make a pattern";
        return false;
    }
    // The text font is always of normal weight unless the alias says otherwise.
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    bool ok = MatchPattern(pattern, out, error);
    FcPatternDestroy(pattern);
    if (ok && aliased) {
        out.cellIsEm = alias->second.cellIsEm;
        out.cellPerEm = alias->second.cellPerEm;
        out.pixelStrikes = alias->second.pixelStrikes;
    }
    return ok;
}

namespace {

// One FreeType face per font file, shared by every size made from it (each
// size is an FT_Size of its own), so a game stepping through many sizes does
// not hold a file open per size.
struct OpenFace {
    std::shared_ptr<Library> lib;
    FT_Face face = nullptr;
    ~OpenFace() {
        if (face) FT_Done_Face(face);
    }
};

std::shared_ptr<OpenFace> ShareFace(const FaceFile& file, std::string& error) {
    static std::map<std::pair<std::string, int>, std::weak_ptr<OpenFace>> open;
    auto key = std::make_pair(file.path, file.index);
    if (auto shared = open[key].lock()) return shared;
    auto of = std::make_shared<OpenFace>();
    of->lib = SharedLibrary();
    if (!of->lib->ft) {
        error = "FreeType cannot be initialised";
        return nullptr;
    }
    FT_Error err = FT_New_Face(of->lib->ft, file.path.c_str(), file.index, &of->face);
    if (err != 0 || !of->face) {
        of->face = nullptr;
        char buf[64];
        std::snprintf(buf, sizeof buf, "FreeType error %d opening ", int(err));
        error = buf + file.path;
        return nullptr;
    }
    for (auto it = open.begin(); it != open.end();) it = it->second.expired() ? open.erase(it) : std::next(it);
    open[key] = of;
    return of;
}

// Hand-drawn strikes of a fixed-pitch Japanese gothic (Debian's
// xfonts-mplus). At 10 to 12 pixels outline kanji melt into blots however
// they are hinted; these are drawn pixel by pixel. Full-width characters come
// from a JIS X 0208 strike, ASCII and half-width katakana from strikes half
// as wide. Without the files the outline glyphs are used.
struct StrikeSet {
    std::shared_ptr<OpenFace> jis, latin, kana;
};

const char* const kStrikeFolders[] = {"/usr/share/fonts/X11/misc", "/usr/local/share/fonts/X11/misc"};

std::shared_ptr<OpenFace> OpenStrike(const char* name) {
    for (const char* folder : kStrikeFolders) {
        for (const char* ext : {".pcf.gz", ".pcf"}) {
            std::string path = std::string(folder) + "/" + name + ext;
            std::error_code ec;
            if (!std::filesystem::is_regular_file(path, ec)) continue;
            std::string error;
            auto f = ShareFace(FaceFile{path, 0, name}, error);
            if (!f || f->face->num_fixed_sizes < 1 || f->face->num_charmaps < 1) return nullptr;
            // The strikes' encodings (JIS rows, JIS X 0201) are not Unicode:
            // their one charmap takes those codes as they are.
            FT_Set_Charmap(f->face, f->face->charmaps[0]);
            FT_Select_Size(f->face, 0);
            return f;
        }
    }
    return nullptr;
}

// The strikes for a gothic of em size em, or null.
std::shared_ptr<StrikeSet> StrikesFor(int em) {
    struct Names {
        const char *jis, *latin, *kana;
    };
    // 11 pixels borrow the 10-pixel drawings, set in 11-pixel cells.
    static const Names k10 = {"mplus_j10r", "mplus_j10r-iso", "mplus_j10r-jisx0201"};
    static const Names k12 = {"mplus_j12r", "mplus_f12r", "mplus_f12r-jisx0201"};
    const Names* names = em == 10 || em == 11 ? &k10 : em == 12 ? &k12 : nullptr;
    if (!names) return nullptr;
    static std::map<const Names*, std::weak_ptr<StrikeSet>> open;
    if (auto shared = open[names].lock()) return shared;
    auto set = std::make_shared<StrikeSet>();
    set->jis = OpenStrike(names->jis);
    if (!set->jis) return nullptr;
    set->latin = OpenStrike(names->latin);
    set->kana = OpenStrike(names->kana);
    open[names] = set;
    return set;
}

// Loads the strike's drawing of a character into its face's slot; null when
// the strikes lack it.
FT_GlyphSlot StrikeGlyph(const StrikeSet& set, uint32_t cp) {
    const OpenFace* f = nullptr;
    uint32_t code = 0;
    if (cp >= 0x21 && cp <= 0x7E) {
        f = set.latin.get();
        code = cp;
    } else if (cp >= 0xFF61 && cp <= 0xFF9F) {
        f = set.kana.get();
        code = cp - 0xFF61 + 0xA1;
    } else if (uint16_t jis = JisX0208Of(cp)) {
        f = set.jis.get();
        code = jis;
    }
    if (!f) return nullptr;
    FT_UInt index = FT_Get_Char_Index(f->face, code);
    if (index == 0 || FT_Load_Glyph(f->face, index, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO) != 0) return nullptr;
    return f->face->glyph->bitmap.pixel_mode == FT_PIXEL_MODE_MONO ? f->face->glyph : nullptr;
}

// Copies a one-bit or gray bitmap as coverage. trim: drop the blank rows and
// columns around the ink (the strikes draw every glyph in a full cell).
bool CopyBitmap(const FT_Bitmap& bm, int left, int top, bool trim, Glyph& out) {
    out.left = left;
    out.top = top;
    if (bm.pixel_mode != FT_PIXEL_MODE_MONO && bm.pixel_mode != FT_PIXEL_MODE_GRAY) return bm.rows == 0;
    int w = int(bm.width), h = int(bm.rows);
    std::vector<uint8_t> cov(size_t(w) * h, 0);
    for (int y = 0; y < h; ++y) {
        const unsigned char* row = bm.buffer + std::ptrdiff_t(y) * bm.pitch;
        uint8_t* dst = &cov[size_t(y) * w];
        if (bm.pixel_mode == FT_PIXEL_MODE_MONO) {
            for (int x = 0; x < w; ++x) dst[x] = (row[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
        } else {
            int levels = bm.num_grays > 1 ? bm.num_grays - 1 : 255;
            for (int x = 0; x < w; ++x) dst[x] = uint8_t(row[x] * 255 / levels);
        }
    }
    int x0 = 0, y0 = 0, x1 = w, y1 = h;
    if (trim) {
        x0 = w, y0 = h, x1 = 0, y1 = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (cov[size_t(y) * w + x]) {
                    x0 = std::min(x0, x), x1 = std::max(x1, x + 1);
                    y0 = std::min(y0, y), y1 = std::max(y1, y + 1);
                }
        if (x0 >= x1) return true;   // a blank drawing (a space)
    }
    out.width = x1 - x0;
    out.height = y1 - y0;
    out.left += x0;
    out.top -= y0;
    out.coverage.resize(size_t(out.width) * out.height);
    for (int y = 0; y < out.height; ++y)
        std::copy_n(&cov[size_t(y + y0) * w + x0], out.width, &out.coverage[size_t(y) * out.width]);
    return true;
}

} // namespace

struct ScaledFace::Impl {
    std::shared_ptr<OpenFace> shared;
    std::shared_ptr<StrikeSet> strikes;
    int halfAdvance = 0;   // with strikes: half-width characters' pitch
    FT_Face face = nullptr;
    FT_Size size = nullptr;
    bool monochrome = false;
    // Makes this object's size the face's active one before any use.
    FT_Face Active() const {
        FT_Activate_Size(size);
        return face;
    }
    ~Impl() {
        if (size) FT_Done_Size(size);
    }
};

ScaledFace::~ScaledFace() = default;

std::unique_ptr<ScaledFace> ScaledFace::Open(const FaceFile& file, int height, int width, std::string& error) {
    if (height < -kMaxPixels || height > kMaxPixels || width < -kMaxPixels || width > kMaxPixels) {
        error = "size out of range";
        return nullptr;
    }
    auto impl = std::make_unique<Impl>();
    impl->shared = ShareFace(file, error);
    if (!impl->shared) return nullptr;
    FT_Face face = impl->face = impl->shared->face;
    if (!FT_IS_SCALABLE(face) || face->units_per_EM == 0) {
        error = "not a scalable font: " + file.path;
        return nullptr;
    }
    FT_Select_Charmap(face, FT_ENCODING_UNICODE);

    // Windows measures a logical font by the OS/2 table's win metrics (the
    // cell) and its average width; fonts without one fall back to hhea.
    const double upem = face->units_per_EM;
    double asc = face->ascender, desc = -face->descender, avg = 0;
    auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (os2 && os2->version != 0xFFFF) {
        if (os2->usWinAscent + os2->usWinDescent > 0) {
            asc = os2->usWinAscent;
            desc = os2->usWinDescent;
        }
        avg = os2->xAvgCharWidth;
    }
    if (asc + desc <= 0) {
        asc = upem * 0.8;
        desc = upem * 0.2;
    }
    const double cellPerEm = file.cellIsEm ? 1.0 : file.cellPerEm;
    if (cellPerEm > 0) {
        double cellUnits = upem * cellPerEm;
        asc = asc * cellUnits / (asc + desc);
        desc = cellUnits - asc;
    }
    // Fonts made for East Asian text average over their full-width glyphs;
    // Windows' average width of such faces is that of the Latin letters.
    if (FT_Get_Char_Index(face, 'x')) {
        if (FT_Load_Char(face, 'x', FT_LOAD_NO_SCALE) == 0) {
            double xAdv = face->glyph->advance.x;
            if (avg <= 0 || avg > xAdv * 1.5) avg = xAdv;
        }
    }
    if (avg <= 0) avg = upem / 2;

    int cell = height > 0 ? height : height == 0 ? kDefaultCellHeight : 0;
    int yPpem = cell ? int(std::lround(cell * upem / (asc + desc))) : -height;
    yPpem = std::max(yPpem, 1);
    int avgWidth = width != 0 ? std::abs(width) : std::max(1, int(std::lround(avg * yPpem / upem)));
    int xPpem = width != 0 ? std::max(1, int(std::lround(std::abs(width) * upem / avg))) : yPpem;
    if (xPpem > kMaxPixels * 4) {
        error = "size out of range";
        return nullptr;
    }
    FT_Error err = FT_New_Size(face, &impl->size);
    if (err == 0) err = FT_Activate_Size(impl->size);
    if (err == 0) err = FT_Set_Pixel_Sizes(face, FT_UInt(xPpem), FT_UInt(yPpem));
    if (err != 0) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "FreeType error %d at size %dx%d", int(err), xPpem, yPpem);
        error = buf;
        return nullptr;
    }

    std::unique_ptr<ScaledFace> sf(new ScaledFace);
    FaceMetrics& m = sf->m_metrics;
    m.ascent = int(std::lround(asc * yPpem / upem));
    m.descent = cell ? cell - m.ascent : int(std::lround(desc * yPpem / upem));
    if (m.descent < 0) {   // a font whose cell is all ascent
        m.ascent = cell;
        m.descent = 0;
    }
    m.cellHeight = m.ascent + m.descent;
    m.averageWidth = avgWidth;
    impl->monochrome = g_rendering == Rendering::Monochrome ||
                       (g_rendering == Rendering::Automatic && std::min(xPpem, yPpem) <= kMonochromeMaxEm);
    if (file.pixelStrikes && impl->monochrome && xPpem == yPpem) {
        impl->strikes = StrikesFor(yPpem);
        impl->halfAdvance = yPpem / 2;
    }
    sf->m_impl = std::move(impl);
    return sf;
}

bool ScaledFace::HasGlyph(uint32_t codepoint) const {
    return FT_Get_Char_Index(m_impl->face, codepoint) != 0;   // size-independent
}

bool ScaledFace::Rasterize(uint32_t codepoint, Glyph& out) const {
    out = Glyph{};
    FT_Face face = m_impl->Active();
    FT_UInt index = FT_Get_Char_Index(face, codepoint);   // 0: the missing-glyph box
    // Small sizes: one-bit glyphs fitted by the auto-hinter, which keeps
    // letters like 'e' open at 10 pixels where the fonts' own hints do not.
    // Larger sizes: gray with light hinting (shapes kept, rows aligned).
    FT_Int32 flags = m_impl->monochrome ? FT_LOAD_TARGET_MONO | FT_LOAD_FORCE_AUTOHINT : FT_LOAD_TARGET_LIGHT;
    if (FT_Load_Glyph(face, index, flags) != 0) return false;
    FT_GlyphSlot slot = face->glyph;
    // The pen moves as the outline's does, so the layout is the same with or
    // without the strikes (11-pixel cells hold 10-pixel drawings), except
    // that half-width characters keep the drawings' own pitch at 11 pixels:
    // five, not six, so "%c / %d" labels laid out for the gothic's narrow
    // cells still fit.
    out.advance = int((slot->advance.x + 32) >> 6);
    if (m_impl->strikes && (codepoint < 0x80 || (codepoint >= 0xFF61 && codepoint <= 0xFF9F)))
        out.advance = std::min(out.advance, m_impl->halfAdvance);
    if (m_impl->strikes && index != 0) {
        if (FT_GlyphSlot drawn = StrikeGlyph(*m_impl->strikes, codepoint)) {
            int advance = out.advance;
            bool ok = CopyBitmap(drawn->bitmap, drawn->bitmap_left, drawn->bitmap_top, true, out);
            out.advance = advance;
            return ok;
        }
    }
    if (slot->format != FT_GLYPH_FORMAT_BITMAP &&
        FT_Render_Glyph(slot, m_impl->monochrome ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) != 0)
        return false;
    return CopyBitmap(slot->bitmap, slot->bitmap_left, slot->bitmap_top, false, out);
}

} // namespace platform::font
