#include <cmath>
#include <cstring>

#include "draw/tev_dx_draw.h"

using platform::raster::Vertex;

namespace {

inline Vertex V(float x, float y, uint32_t color, float u = 0.0f, float v = 0.0f) {
    return Vertex{x, y, 0.5f, 1.0f, color, u, v};
}

} // namespace

ITevDraw2d::~ITevDraw2d() = default;

CTevDxDraw2d::CTevDxDraw2d() {
    std::memset(m_strip, 0, sizeof m_strip);
    for (int i = 0; i < kTevStripMax; ++i) m_index[i] = i;
}

CTevDxDraw2d::~CTevDxDraw2d() { Log(0, "CTevDxDraw2d::~CTevDxDraw2d|: Done"); }

// One draw call: the slot's texture (none for -1 or an empty slot) bound
// for the call only.
void CTevDxDraw2d::Submit(const Vertex* v, int count, int slot) {
    if (count <= 4) {
        std::memcpy(m_last, v, sizeof(Vertex) * static_cast<size_t>(count));
        m_lastCount = count;
    }
    platform::raster::Device* device = m_graphics ? m_graphics->Device() : nullptr;
    if (!device) return;
    std::shared_ptr<platform::raster::Surface> texture;
    if (slot >= 0) texture = m_graphics->TextureOf(slot);
    device->SetTexture(texture.get());
    device->DrawTriangleStrip(v, count);
    device->SetTexture(nullptr);
}

// Texture coordinates of a source rectangle in picture pixels, with the
// slot's corner colours, into the four quad vertices.
void CTevDxDraw2d::QuadUV(int slot, int sx, int sy, int sw, int sh, int flip, Vertex* v) {
    int w = 0, h = 0;
    if (m_graphics) m_graphics->ImageSizeOf(slot, w, h);
    float uA = 0, uB = 0, vA = 0, vB = 0;
    if (w > 0 && h > 0) {
        uA = static_cast<float>(sx) / static_cast<float>(w);
        uB = static_cast<float>(sx + sw) / static_cast<float>(w);
        vA = static_cast<float>(sy) / static_cast<float>(h);
        vB = static_cast<float>(sy + sh) / static_cast<float>(h);
    }
    if (flip & 1) std::swap(uA, uB);
    if (flip & 2) std::swap(vA, vB);
    const uint32_t* c = m_graphics ? m_graphics->slots[slot].colors : nullptr;
    const uint32_t white[4] = {0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu};
    if (!c) c = white;
    v[0].color = c[0];
    v[0].u = uA;
    v[0].v = vA;
    v[1].color = c[1];
    v[1].u = uB;
    v[1].v = vA;
    v[2].color = c[2];
    v[2].u = uA;
    v[2].v = vB;
    v[3].color = c[3];
    v[3].u = uB;
    v[3].v = vB;
}

int CTevDxDraw2d::DrawTexturedQuad(int index, float left, float top, float right, float bottom, int sx, int sy,
                                   int sw, int sh, int flip) {
    index &= 0xFF;
    if (index >= kTevTextureSlots) return -1;
    Vertex v[4] = {V(left, top, 0), V(right, top, 0), V(left, bottom, 0), V(right, bottom, 0)};
    QuadUV(index, sx, sy, sw, sh, flip, v);
    Submit(v, 4, index);
    return 0;
}

int CTevDxDraw2d::Draw(int index, int x, int y, int sx, int sy, int w, int h, int flip) {
    const float left = static_cast<float>(x) - 0.5f, top = static_cast<float>(y) - 0.5f;
    return DrawTexturedQuad(index, left, top, left + static_cast<float>(w), top + static_cast<float>(h), sx, sy, w, h,
                            flip);
}

int CTevDxDraw2d::DrawCenter(int index, int cx, int cy, int sx, int sy, int w, int h, int flip) {
    const float x = static_cast<float>(cx) - 0.5f, y = static_cast<float>(cy) - 0.5f;
    const float hw = static_cast<float>(w) * 0.5f, hh = static_cast<float>(h) * 0.5f;
    return DrawTexturedQuad(index, x - hw, y - hh, x + hw, y + hh, sx, sy, w, h, flip);
}

int CTevDxDraw2d::DrawStretch(int index, int x, int y, int dw, int dh, int sx, int sy, int sw, int sh, int flip) {
    const float left = static_cast<float>(x) - 0.5f, top = static_cast<float>(y) - 0.5f;
    return DrawTexturedQuad(index, left, top, left + static_cast<float>(dw), top + static_cast<float>(dh), sx, sy, sw,
                            sh, flip);
}

int CTevDxDraw2d::DrawStretchCenter(int index, int cx, int cy, int dw, int dh, int sx, int sy, int sw, int sh,
                                    int flip) {
    const float x = static_cast<float>(cx) - 0.5f, y = static_cast<float>(cy) - 0.5f;
    const float hw = static_cast<float>(dw) * 0.5f, hh = static_cast<float>(dh) * 0.5f;
    return DrawTexturedQuad(index, x - hw, y - hh, x + hw, y + hh, sx, sy, sw, sh, flip);
}

int CTevDxDraw2d::DrawRotate(int index, int cx, int cy, int dw, int dh, int sx, int sy, int sw, int sh, double angle,
                             int flip) {
    index &= 0xFF;
    if (index >= kTevTextureSlots) return -1;
    // Rotation about z, then the move to the centre; corners as row vectors.
    const float a = static_cast<float>(angle);
    const float c = std::cos(a), s = std::sin(a);
    const float tx = static_cast<float>(cx) - 0.5f, ty = static_cast<float>(cy) - 0.5f;
    const float hw = static_cast<float>(dw) * 0.5f, hh = static_cast<float>(dh) * 0.5f;
    const float px[4] = {-hw, hw, -hw, hw}, py[4] = {-hh, -hh, hh, hh};
    Vertex v[4];
    for (int i = 0; i < 4; ++i) v[i] = V(px[i] * c - py[i] * s + tx, px[i] * s + py[i] * c + ty, 0);
    QuadUV(index, sx, sy, sw, sh, flip, v);
    Submit(v, 4, index);
    return 0;
}

int CTevDxDraw2d::DrawTransform(int index, int, int, int sx, int sy, int w, int h, TevMatrix m, int flip) {
    index &= 0xFF;
    if (index >= kTevTextureSlots) return -1;
    const float fw = static_cast<float>(w), fh = static_cast<float>(h);
    const float px[4] = {0, fw, 0, fw}, py[4] = {0, 0, fh, fh};
    Vertex v[4];
    for (int i = 0; i < 4; ++i) {
        float x = px[i] * m.m[0][0] + py[i] * m.m[1][0] + m.m[3][0];
        float y = px[i] * m.m[0][1] + py[i] * m.m[1][1] + m.m[3][1];
        v[i] = V(x, y, 0);
    }
    QuadUV(index, sx, sy, w, h, flip, v);
    Submit(v, 4, index);
    return 0;
}

// ------------------------------------------------------------------ strips

int CTevDxDraw2d::BeginStrip() {
    m_stripCount = 0;
    m_stripTexture = -1;
    return 0;
}

int CTevDxDraw2d::BeginStripTextured(int index) {
    m_stripCount = 0;
    m_stripTexture = index & 0xFF;
    return 0;
}

int CTevDxDraw2d::AddStripVertex(int x, int y, uint32_t color) {
    if (m_stripCount >= kTevStripMax) return -1;
    m_strip[m_stripCount++] = V(static_cast<float>(x), static_cast<float>(y), color);
    return 0;
}

int CTevDxDraw2d::AddStripVertexUV(int x, int y, int u, int v, uint32_t color) {
    if (m_stripCount >= kTevStripMax) return -1;
    float fu = 0, fv = 0;
    if (m_stripTexture >= 0 && m_stripTexture < kTevTextureSlots && m_graphics) {
        int w = 0, h = 0;
        m_graphics->ImageSizeOf(m_stripTexture, w, h);
        if (w > 0 && h > 0) {
            fu = static_cast<float>(u) / static_cast<float>(w);
            fv = static_cast<float>(v) / static_cast<float>(h);
        }
    }
    m_strip[m_stripCount++] =
        V(static_cast<float>(x) - 0.5f, static_cast<float>(y) - 0.5f, color, fu, fv);
    return 0;
}

int CTevDxDraw2d::EndStrip() {
    if (m_stripCount < 3) return 0;
    const int slot = m_stripTexture >= 0 && m_stripTexture < kTevTextureSlots ? m_stripTexture : -1;
    Submit(m_strip, m_stripCount, slot);
    return 0;
}

// ------------------------------------------------------- untextured shapes

int CTevDxDraw2d::FillRectColors(int x, int y, int w, int h, uint32_t tl, uint32_t tr, uint32_t bl, uint32_t br) {
    const float left = static_cast<float>(x) - 0.5f, top = static_cast<float>(y) - 0.5f;
    const float right = left + static_cast<float>(w), bottom = top + static_cast<float>(h);
    Vertex v[4] = {V(left, top, tl), V(right, top, tr), V(left, bottom, bl), V(right, bottom, br)};
    Submit(v, 4, -1);
    return 0;
}

int CTevDxDraw2d::FillRect(int x, int y, int w, int h, uint32_t color) {
    return FillRectColors(x, y, w, h, color, color, color, color);
}

int CTevDxDraw2d::FillRectCenterColors(int cx, int cy, int w, int h, uint32_t tl, uint32_t tr, uint32_t bl,
                                       uint32_t br) {
    const float x = static_cast<float>(cx) - 0.5f, y = static_cast<float>(cy) - 0.5f;
    const float hw = static_cast<float>(w) * 0.5f, hh = static_cast<float>(h) * 0.5f;
    Vertex v[4] = {V(x - hw, y - hh, tl), V(x + hw, y - hh, tr), V(x - hw, y + hh, bl), V(x + hw, y + hh, br)};
    Submit(v, 4, -1);
    return 0;
}

int CTevDxDraw2d::FillRectCenter(int cx, int cy, int w, int h, uint32_t color) {
    return FillRectCenterColors(cx, cy, w, h, color, color, color, color);
}

int CTevDxDraw2d::DrawLineColors(int x1, int y1, int x2, int y2, int width, uint32_t c0, uint32_t c1, uint32_t c2,
                                 uint32_t c3) {
    const double t = static_cast<double>(width & 0xFF);
    const double dx = x2 - x1, dy = y2 - y1;
    const double length = std::sqrt(dx * dx + dy * dy);
    const double a = std::atan2(static_cast<double>(y1 - y2), static_cast<double>(x2 - x1));
    const double mx = (x1 + x2) * 0.5 - 0.5, my = (y1 + y2) * 0.5 - 0.5;
    const double ex = std::cos(a), ey = -std::sin(a);   // along the line
    const double nx = -std::sin(a), ny = -std::cos(a);  // its left side on the screen
    const double hl = length * 0.5, ht = t * 0.5;
    auto at = [&](double along, double side, uint32_t color) {
        return V(static_cast<float>(mx + ex * along + nx * side), static_cast<float>(my + ey * along + ny * side),
                 color);
    };
    Vertex v[4] = {at(-hl, ht, c0), at(hl, ht, c1), at(-hl, -ht, c2), at(hl, -ht, c3)};
    Submit(v, 4, -1);
    return 0;
}

int CTevDxDraw2d::DrawLine(int x1, int y1, int x2, int y2, int width, uint32_t color) {
    return DrawLineColors(x1, y1, x2, y2, width, color, color, color, color);
}

int CTevDxDraw2d::FillTriangleColors(int x0, int y0, int x1, int y1, int x2, int y2, uint32_t c0, uint32_t c1,
                                     uint32_t c2) {
    Vertex v[3] = {V(static_cast<float>(x0) - 0.5f, static_cast<float>(y0) - 0.5f, c0),
                   V(static_cast<float>(x1) - 0.5f, static_cast<float>(y1) - 0.5f, c1),
                   V(static_cast<float>(x2) - 0.5f, static_cast<float>(y2) - 0.5f, c2)};
    Submit(v, 3, -1);
    return 0;
}

int CTevDxDraw2d::FillTriangle(int x0, int y0, int x1, int y1, int x2, int y2, uint32_t color) {
    return FillTriangleColors(x0, y0, x1, y1, x2, y2, color, color, color);
}

int CTevDxDraw2d::SetBlendMode(int flags) {
    if (m_graphics) m_graphics->ApplyBlendMode(flags);
    return 0;
}

int CTevDxDraw2d::SetClearColor(uint32_t color) {
    if (m_graphics) m_graphics->clearColor = color;
    return 0;
}
