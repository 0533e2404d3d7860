#include "tools/toolkit/picture.h"

#include <algorithm>
#include <cmath>
#include <set>

namespace tevtools {

PixelFont PixelFont::Parse(const std::string& text, const std::string& fileName) {
    PixelFont font;
    Glyph* current = nullptr;
    std::string currentName;
    Where where{fileName, 0};
    auto finish = [&]() {
        if (current && static_cast<int>(current->rows.size()) != font.height)
            where.Fail("glyph '" + currentName + "' has " + std::to_string(current->rows.size()) + " rows, not " +
                       std::to_string(font.height));
    };
    for (const SourceLine& line : SplitLines(text)) {
        where.line = line.number;
        // Glyph rows are read raw: "#####" is ink, not a comment.
        std::string raw = line.text;
        while (!raw.empty() && (raw.back() == ' ' || raw.back() == '\t')) raw.pop_back();
        std::vector<std::string> t = !raw.empty() && raw.find_first_not_of("#.") == std::string::npos
                                         ? std::vector<std::string>{raw}
                                         : Tokenize(line.text);
        if (t.empty()) continue;
        if (t[0] == "height" && t.size() == 2) {
            font.height = static_cast<int>(ParseInt(t[1], where));
            if (font.height < 1 || font.height > 64) where.Fail("font height out of range");
        } else if (t[0] == "glyph" && t.size() == 2) {
            if (font.height == 0) where.Fail("'height' must come before the first glyph");
            finish();
            currentName = t[1];
            if (font.glyphs.count(currentName)) where.Fail("glyph '" + currentName + "' defined twice");
            current = &font.glyphs[currentName];
        } else if (current && t.size() == 1 && t[0].find_first_not_of("#.") == std::string::npos) {
            if (static_cast<int>(current->rows.size()) >= font.height) where.Fail("too many rows in a glyph");
            if (!current->rows.empty() && static_cast<int>(t[0].size()) != current->width)
                where.Fail("rows of a glyph must have the same width");
            current->width = static_cast<int>(t[0].size());
            current->rows.push_back(t[0]);
        } else {
            where.Fail("cannot read font line '" + line.text + "'");
        }
    }
    where.line = 0;
    finish();
    if (font.height == 0) where.Fail("no font height given");
    return font;
}

bool RegionDrawn(const Image& image, uint32_t background, int x, int y, int w, int h) {
    for (int j = y; j < y + h; ++j)
        for (int i = x; i < x + w; ++i)
            if (image.Inside(i, j) && (image.At(i, j) & 0xFFFFFF) != (background & 0xFFFFFF)) return true;
    return false;
}

namespace {

uint32_t Blend(uint32_t under, uint32_t over) {
    uint32_t a = over >> 24;
    if (a == 255) return over;
    if (a == 0) return under;
    auto mix = [a](uint32_t u, uint32_t o) { return (o * a + u * (255 - a) + 127) / 255; };
    uint32_t r = mix((under >> 16) & 0xFF, (over >> 16) & 0xFF);
    uint32_t g = mix((under >> 8) & 0xFF, (over >> 8) & 0xFF);
    uint32_t b = mix(under & 0xFF, over & 0xFF);
    return 0xFF000000u | (r << 16) | (g << 8) | b;
}

uint32_t Lerp(uint32_t c1, uint32_t c2, double t) {
    t = std::clamp(t, 0.0, 1.0);
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        double a = (c1 >> shift) & 0xFF, b = (c2 >> shift) & 0xFF;
        out |= static_cast<uint32_t>(std::lround(a + (b - a) * t)) << shift;
    }
    return out;
}

class Painter {
public:
    Painter(const std::string& fileName, const PixelFont* font) : font_(font) { where_.file = fileName; }

    Picture Run(const std::string& source) {
        std::vector<SourceLine> lines = SplitLines(source);
        for (size_t i = 0; i < lines.size(); ++i) {
            where_.line = lines[i].number;
            std::vector<std::string> t = Tokenize(lines[i].text);
            if (t.empty()) continue;
            if (t[0] == "pixels") {
                size_t first = i + 1;
                size_t last = first;
                while (last < lines.size() && Trim(lines[last].text) != "end") ++last;
                if (last == lines.size()) where_.Fail("'pixels' without 'end'");
                Pixels(t, lines, first, last);
                i = last;
                continue;
            }
            Command(t);
        }
        where_.line = 0;
        if (pic_.image.width == 0) where_.Fail("no 'size' given");
        for (const SpriteRegion& s : pic_.sprites)
            if (!RegionDrawn(pic_.image, pic_.background, s.x, s.y, s.w, s.h))
                where_.Fail("sprite '" + s.name + "' is empty");
        for (const auto& [x, y] : keeps_)
            if ((pic_.image.At(x, y) & 0xFFFFFF) != (pic_.background & 0xFFFFFF))
                where_.Fail("pixel (" + std::to_string(x) + ", " + std::to_string(y) + ") must stay background");
        return std::move(pic_);
    }

private:
    static std::string Trim(const std::string& s) {
        size_t a = s.find_first_not_of(" \t"), b = s.find_last_not_of(" \t");
        return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
    }

    void Need(const std::vector<std::string>& t, size_t n) const {
        if (t.size() < n) where_.Fail("'" + t[0] + "' needs " + std::to_string(n - 1) + " arguments");
    }
    int I(const std::string& s) const {
        long v = ParseInt(s, where_);
        if (v < -20000 || v > 20000) where_.Fail("number out of range: " + s);
        return static_cast<int>(v);
    }
    double R(const std::string& s) const { return ParseReal(s, where_); }
    uint32_t C(const std::string& s) const {
        uint32_t c = 0;
        if (TryParseColour(s, c)) return c;
        if (s == "background" || s == "key") return pic_.background;
        auto it = colours_.find(s);
        if (it == colours_.end()) where_.Fail("unknown colour '" + s + "'");
        return it->second;
    }

    void Plot(int x, int y, uint32_t c) {
        x += ox_;
        y += oy_;
        if (x < clipX0_ || y < clipY0_ || x >= clipX1_ || y >= clipY1_) return;
        if (!pic_.image.Inside(x, y)) return;
        uint32_t& p = pic_.image.At(x, y);
        p = Blend(p, c);
    }
    bool IsBackground(int x, int y) const {
        x += ox_;
        y += oy_;
        return pic_.image.Inside(x, y) && (pic_.image.At(x, y) & 0xFFFFFF) == (pic_.background & 0xFFFFFF);
    }
    bool InClip(int x, int y) const {
        x += ox_;
        y += oy_;
        return x >= clipX0_ && y >= clipY0_ && x < clipX1_ && y < clipY1_ && pic_.image.Inside(x, y);
    }

    // The part of [start, start + len) (local coordinates) that can land
    // inside the clip box, so huge shapes cost no more than the sheet.
    void VisibleX(int start, int len, int& a, int& b) const {
        a = std::max(0, clipX0_ - ox_ - start);
        b = std::min(len, clipX1_ - ox_ - start);
    }
    void VisibleY(int start, int len, int& a, int& b) const {
        a = std::max(0, clipY0_ - oy_ - start);
        b = std::min(len, clipY1_ - oy_ - start);
    }
    template <typename F>
    void ForBox(int x, int y, int w, int h, F f) {
        int i0, i1, j0, j1;
        VisibleX(x, w, i0, i1);
        VisibleY(y, h, j0, j1);
        for (int j = j0; j < j1; ++j)
            for (int i = i0; i < i1; ++i) f(i, j);
    }

    void Size(int w, int h) {
        if (w < 1 || h < 1 || w > 8192 || h > 8192) where_.Fail("size out of range");
        pic_.image = Image(w, h, pic_.background);
        ResetClip();
    }
    void ResetClip() {
        ox_ = oy_ = 0;
        clipX0_ = clipY0_ = 0;
        clipX1_ = pic_.image.width;
        clipY1_ = pic_.image.height;
    }

    void Poly(uint32_t c, const std::vector<double>& xs, const std::vector<double>& ys) {
        double minY = *std::min_element(ys.begin(), ys.end()), maxY = *std::max_element(ys.begin(), ys.end());
        size_t n = xs.size();
        int y0 = std::max(static_cast<int>(std::floor(minY)), clipY0_ - oy_);
        int y1 = std::min(static_cast<int>(std::ceil(maxY)), clipY1_ - oy_);
        for (int y = y0; y <= y1; ++y) {
            double cy = y + 0.5;
            std::vector<double> cross;
            for (size_t i = 0; i < n; ++i) {
                double x0 = xs[i], y0 = ys[i], x1 = xs[(i + 1) % n], y1 = ys[(i + 1) % n];
                if ((y0 <= cy && y1 > cy) || (y1 <= cy && y0 > cy)) cross.push_back(x0 + (cy - y0) / (y1 - y0) * (x1 - x0));
            }
            std::sort(cross.begin(), cross.end());
            for (size_t k = 0; k + 1 < cross.size(); k += 2) {
                int xa = std::max(static_cast<int>(std::ceil(cross[k] - 0.5)), clipX0_ - ox_);
                for (int x = xa; x + 0.5 < cross[k + 1] && x < clipX1_ - ox_; ++x) Plot(x, y, c);
            }
        }
    }

    void Line(int x0, int y0, int x1, int y1, uint32_t c, int t) {
        int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0), sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
        int err = dx + dy;
        std::set<std::pair<int, int>> done;
        for (;;) {
            for (int j = 0; j < t; ++j)
                for (int i = 0; i < t; ++i) {
                    int px = x0 + i - t / 2, py = y0 + j - t / 2;
                    // Blended colours must not darken a pixel twice.
                    if (!done.emplace(px, py).second) continue;
                    Plot(px, py, c);
                }
            if (x0 == x1 && y0 == y1) break;
            int e2 = 2 * err;
            if (e2 >= dy) { err += dy; x0 += sx; }
            if (e2 <= dx) { err += dx; y0 += sy; }
        }
    }

    void Text(const std::vector<std::string>& t) {
        Need(t, 4);
        if (!font_) where_.Fail("'text' needs a font (--font)");
        Options o = Options::Parse(t, 4);
        o.CheckKnown({"scale", "sx", "sy", "fill", "fill2", "outline", "ow", "shadow", "spacing", "align", "w"}, where_);
        int scale = static_cast<int>(o.Int("scale", 1, where_));
        int sx = static_cast<int>(o.Int("sx", scale, where_)), sy = static_cast<int>(o.Int("sy", scale, where_));
        int spacing = static_cast<int>(o.Int("spacing", 1, where_));
        int ow = o.Has("outline") ? static_cast<int>(o.Int("ow", 1, where_)) : 0;
        if (sx < 1 || sy < 1 || sx > 32 || sy > 32 || ow < 0 || ow > 8 || spacing < -4 || spacing > 16)
            where_.Fail("text scale, spacing or outline out of range");
        uint32_t fill = C(o.Get("fill", "#FFFFFF"));
        uint32_t fill2 = o.Has("fill2") ? C(o.Get("fill2", "")) : fill;
        std::vector<const Glyph*> glyphs;
        const std::string& s = t[3];
        for (size_t i = 0; i < s.size(); ++i) {
            std::string name(1, s[i]);
            if (s[i] == '{') {
                size_t close = s.find('}', i);
                if (close == std::string::npos) where_.Fail("unclosed '{' in text");
                name = s.substr(i, close - i + 1);
                i = close;
            } else if (s[i] == ' ') {
                name = "space";
            }
            auto it = font_->glyphs.find(name);
            if (it == font_->glyphs.end()) where_.Fail("the font has no glyph '" + name + "'");
            glyphs.push_back(&it->second);
        }
        int width = 0;
        for (size_t i = 0; i < glyphs.size(); ++i) width += glyphs[i]->width * sx + (i ? spacing * sx : 0);
        int height = font_->height * sy;
        int x = I(t[1]), y = I(t[2]);
        std::string align = o.Get("align", "left");
        int boxW = static_cast<int>(o.Int("w", width, where_));
        if (align == "center") x += (boxW - width) / 2;
        else if (align == "right") x += boxW - width;
        else if (align != "left") where_.Fail("align must be left, center or right");

        // Ink mask with a margin for the outline and the shadow.
        int shadowOff = o.Has("shadow") ? std::max(1, ow) : 0;
        int m = ow + shadowOff;
        int mw = width + 2 * m, mh = height + 2 * m;
        if (static_cast<long long>(mw) * mh > 16 << 20) where_.Fail("text too large");
        std::vector<uint8_t> ink(static_cast<size_t>(mw) * mh, 0);
        int pen = 0;
        for (size_t gi = 0; gi < glyphs.size(); ++gi) {
            const Glyph& g = *glyphs[gi];
            if (gi) pen += spacing * sx;
            for (int r = 0; r < font_->height; ++r)
                for (int c = 0; c < g.width; ++c)
                    if (g.rows[r][c] == '#')
                        for (int j = 0; j < sy; ++j)
                            for (int i = 0; i < sx; ++i) ink[(m + r * sy + j) * mw + m + pen + c * sx + i] = 1;
            pen += g.width * sx;
        }
        std::vector<uint8_t> grown = ink;
        if (ow > 0) {
            for (int j = 0; j < mh; ++j)
                for (int i = 0; i < mw; ++i) {
                    bool any = false;
                    for (int dj = -ow; dj <= ow && !any; ++dj)
                        for (int di = -ow; di <= ow && !any; ++di) {
                            int a = i + di, b = j + dj;
                            any = a >= 0 && b >= 0 && a < mw && b < mh && ink[b * mw + a];
                        }
                    grown[j * mw + i] = any;
                }
        }
        if (shadowOff) {
            uint32_t sc = C(o.Get("shadow", ""));
            for (int j = 0; j < mh; ++j)
                for (int i = 0; i < mw; ++i)
                    if (grown[j * mw + i]) Plot(x - m + i + shadowOff, y - m + j + shadowOff, sc);
        }
        if (ow > 0) {
            uint32_t oc = C(o.Get("outline", ""));
            for (int j = 0; j < mh; ++j)
                for (int i = 0; i < mw; ++i)
                    if (grown[j * mw + i] && !ink[j * mw + i]) Plot(x - m + i, y - m + j, oc);
        }
        for (int j = 0; j < mh; ++j) {
            uint32_t c = Lerp(fill, fill2, height > 1 ? double(j - m) / (height - 1) : 0.0);
            for (int i = 0; i < mw; ++i)
                if (ink[j * mw + i]) Plot(x - m + i, y - m + j, c);
        }
    }

    void Outline(int x, int y, int w, int h, uint32_t c, int n) {
        int i0, i1, j0, j1;
        VisibleX(x, w, i0, i1);
        VisibleY(y, h, j0, j1);
        if (i1 <= i0 || j1 <= j0) return;
        x += i0;
        y += j0;
        w = i1 - i0;
        h = j1 - j0;
        std::vector<uint8_t> drawn(static_cast<size_t>(w) * h, 0);
        for (int j = 0; j < h; ++j)
            for (int i = 0; i < w; ++i) drawn[j * w + i] = InClip(x + i, y + j) && !IsBackground(x + i, y + j);
        for (int j = 0; j < h; ++j)
            for (int i = 0; i < w; ++i) {
                if (drawn[j * w + i] || !InClip(x + i, y + j)) continue;
                bool near = false;
                for (int dj = -n; dj <= n && !near; ++dj)
                    for (int di = -n; di <= n && !near; ++di) {
                        int a = i + di, b = j + dj;
                        near = a >= 0 && b >= 0 && a < w && b < h && drawn[b * w + a];
                    }
                if (near) Plot(x + i, y + j, c);
            }
    }

    void Pixels(const std::vector<std::string>& t, const std::vector<SourceLine>& lines, size_t first, size_t last) {
        Need(t, 3);
        Options o = Options::Parse(t, 3);
        o.CheckKnown({"scale"}, where_);
        int scale = static_cast<int>(o.Int("scale", 1, where_));
        if (scale < 1 || scale > 64) where_.Fail("pixel scale out of range");
        int x0 = I(t[1]), y0 = I(t[2]);
        for (size_t li = first; li < last; ++li) {
            where_.line = lines[li].number;
            const std::string& row = lines[li].text;
            for (size_t ci = 0; ci < row.size(); ++ci) {
                char ch = row[ci];
                if (ch == '.' || ch == ' ' || ch == '\t') continue;
                auto it = palette_.find(ch);
                if (it == palette_.end()) where_.Fail(std::string("no palette entry for '") + ch + "'");
                for (int j = 0; j < scale; ++j)
                    for (int i = 0; i < scale; ++i)
                        Plot(x0 + static_cast<int>(ci) * scale + i, y0 + static_cast<int>(li - first) * scale + j, it->second);
            }
        }
    }

    void Command(const std::vector<std::string>& t) {
        const std::string& op = t[0];
        if (op != "size" && op != "background" && op != "colour" && op != "pal" && pic_.image.width == 0)
            where_.Fail("'size' must come before '" + op + "'");
        if (op == "size") {
            Need(t, 3);
            Size(I(t[1]), I(t[2]));
        } else if (op == "background") {
            Need(t, 2);
            pic_.background = C(t[1]) | 0xFF000000u;
            if (pic_.image.width) std::fill(pic_.image.pixels.begin(), pic_.image.pixels.end(), pic_.background);
        } else if (op == "colour") {
            Need(t, 3);
            colours_[t[1]] = C(t[2]);
        } else if (op == "pal") {
            Need(t, 3);
            if (t[1].size() != 1 || t[1] == ".") where_.Fail("a palette entry is one character other than '.'");
            palette_[t[1][0]] = C(t[2]);
        } else if (op == "sprite") {
            Need(t, 6);
            SpriteRegion s{t[1], I(t[2]), I(t[3]), I(t[4]), I(t[5])};
            if (s.w < 1 || s.h < 1 || s.x < 0 || s.y < 0 || s.x + s.w > pic_.image.width || s.y + s.h > pic_.image.height)
                where_.Fail("sprite '" + s.name + "' does not lie inside the sheet");
            pic_.sprites.push_back(s);
            ox_ = s.x;
            oy_ = s.y;
            clipX0_ = s.x;
            clipY0_ = s.y;
            clipX1_ = s.x + s.w;
            clipY1_ = s.y + s.h;
        } else if (op == "sheet") {
            ResetClip();
        } else if (op == "rect") {
            Need(t, 6);
            int x = I(t[1]), y = I(t[2]), w = I(t[3]), h = I(t[4]);
            uint32_t c = C(t[5]);
            ForBox(x, y, w, h, [&](int i, int j) { Plot(x + i, y + j, c); });
        } else if (op == "frame") {
            Need(t, 6);
            int x = I(t[1]), y = I(t[2]), w = I(t[3]), h = I(t[4]);
            uint32_t c = C(t[5]);
            int th = t.size() > 6 ? I(t[6]) : 1;
            ForBox(x, y, w, h, [&](int i, int j) {
                if (i < th || j < th || i >= w - th || j >= h - th) Plot(x + i, y + j, c);
            });
        } else if (op == "round") {
            Need(t, 7);
            int x = I(t[1]), y = I(t[2]), w = I(t[3]), h = I(t[4]), r = I(t[5]);
            uint32_t c = C(t[6]);
            if (r < 0 || 2 * r > w || 2 * r > h) where_.Fail("corner radius does not fit the rectangle");
            ForBox(x, y, w, h, [&](int i, int j) {
                int cx = std::clamp(i, r, w - 1 - r), cy = std::clamp(j, r, h - 1 - r);
                double dx = i - cx, dy = j - cy;
                if (dx * dx + dy * dy <= (r + 0.3) * (r + 0.3)) Plot(x + i, y + j, c);
            });
        } else if (op == "vgrad" || op == "hgrad") {
            Need(t, 7);
            int x = I(t[1]), y = I(t[2]), w = I(t[3]), h = I(t[4]);
            uint32_t c1 = C(t[5]), c2 = C(t[6]);
            ForBox(x, y, w, h, [&](int i, int j) {
                double f = op == "vgrad" ? (h > 1 ? double(j) / (h - 1) : 0) : (w > 1 ? double(i) / (w - 1) : 0);
                Plot(x + i, y + j, Lerp(c1, c2, f));
            });
        } else if (op == "checker" || op == "stripes") {
            Need(t, 8);
            int x = I(t[1]), y = I(t[2]), w = I(t[3]), h = I(t[4]), s = I(t[5]);
            if (s < 1) where_.Fail("pattern size must be positive");
            uint32_t c1 = C(t[6]), c2 = C(t[7]);
            ForBox(x, y, w, h, [&](int i, int j) {
                bool second = op == "checker" ? ((i / s + j / s) & 1) : (((i + j) / s) & 1);
                Plot(x + i, y + j, second ? c2 : c1);
            });
        } else if (op == "disc" || op == "ring") {
            Need(t, op == "disc" ? 5 : 6);
            int cx = I(t[1]), cy = I(t[2]), r = I(t[3]);
            int th = op == "ring" ? I(t[4]) : r + 1;
            uint32_t c = C(t[op == "disc" ? 4 : 5]);
            if (r < 0 || r > 8192) where_.Fail("radius out of range");
            ForBox(cx - r, cy - r, 2 * r + 1, 2 * r + 1, [&](int i, int j) {
                i -= r;
                j -= r;
                double d = std::sqrt(double(i) * i + double(j) * j);
                if (d <= r + 0.3 && d > r + 0.3 - th) Plot(cx + i, cy + j, c);
            });
        } else if (op == "glow") {
            Need(t, 5);
            int cx = I(t[1]), cy = I(t[2]), r = I(t[3]);
            uint32_t c = C(t[4]);
            double power = t.size() > 5 ? R(t[5]) : 2.0;
            if (r < 1 || r > 8192 || power <= 0 || power > 16) where_.Fail("glow radius or power out of range");
            for (int j = -r; j <= r; ++j)
                for (int i = -r; i <= r; ++i) {
                    if (!InClip(cx + i, cy + j)) continue;
                    double d = std::sqrt(double(i) * i + double(j) * j) / r;
                    if (d >= 1) continue;
                    double v = std::pow(1 - d, power);
                    uint32_t px = Lerp(0xFF000000u, c | 0xFF000000u, v);
                    if ((px & 0xFFFFFF) == 0 || !InClip(cx + i, cy + j)) continue;
                    // Glows add up, so a bright core can sit inside a wide halo.
                    if (!IsBackground(cx + i, cy + j)) {
                        uint32_t old = pic_.image.At(cx + i + ox_, cy + j + oy_);
                        uint32_t sum = 0xFF000000u;
                        for (int shift = 0; shift < 24; shift += 8)
                            sum |= std::min<uint32_t>(255, ((old >> shift) & 0xFF) + ((px >> shift) & 0xFF)) << shift;
                        px = sum;
                    }
                    Plot(cx + i, cy + j, px);
                }
        } else if (op == "tri") {
            Need(t, 8);
            Poly(C(t[7]), {R(t[1]), R(t[3]), R(t[5])}, {R(t[2]), R(t[4]), R(t[6])});
        } else if (op == "poly") {
            if (t.size() < 8 || (t.size() - 2) % 2 != 0) where_.Fail("'poly' needs a colour and at least three points");
            std::vector<double> xs, ys;
            for (size_t i = 2; i + 1 < t.size(); i += 2) {
                xs.push_back(R(t[i]));
                ys.push_back(R(t[i + 1]));
            }
            Poly(C(t[1]), xs, ys);
        } else if (op == "line") {
            Need(t, 6);
            int th = t.size() > 6 ? I(t[6]) : 1;
            if (th < 1 || th > 16) where_.Fail("line width out of range");
            Line(I(t[1]), I(t[2]), I(t[3]), I(t[4]), C(t[5]), th);
        } else if (op == "text") {
            Text(t);
        } else if (op == "outline") {
            Need(t, 6);
            int n = t.size() > 6 ? I(t[6]) : 1;
            if (n < 1 || n > 8) where_.Fail("outline width out of range");
            Outline(I(t[1]), I(t[2]), I(t[3]), I(t[4]), C(t[5]), n);
        } else if (op == "keep") {
            Need(t, 3);
            int x = I(t[1]) + ox_, y = I(t[2]) + oy_;
            if (!pic_.image.Inside(x, y)) where_.Fail("'keep' outside the sheet");
            keeps_.emplace_back(x, y);
        } else {
            where_.Fail("unknown command '" + op + "'");
        }
    }

    const PixelFont* font_;
    Where where_;
    Picture pic_;
    std::map<std::string, uint32_t> colours_;
    std::map<char, uint32_t> palette_;
    std::vector<std::pair<int, int>> keeps_;
    int ox_ = 0, oy_ = 0;
    int clipX0_ = 0, clipY0_ = 0, clipX1_ = 0, clipY1_ = 0;
};

}  // namespace

Picture RunPicture(const std::string& source, const std::string& fileName, const PixelFont* font) {
    return Painter(fileName, font).Run(source);
}

}  // namespace tevtools
