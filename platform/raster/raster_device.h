// The software device that stands in for the fixed-function 3D pipeline the
// draw service was designed around: 32-bit ARGB surfaces, pre-transformed
// vertices drawn as triangle strips or lists, one texture stage that
// multiplies the texture by the vertex colour, a sampler with point or
// bilinear filtering and the usual address modes, and frame-buffer blending.
//
// Rasterization follows the Direct3D 9 rules exactly: pixel centres sit at
// integer coordinates and the top-left fill rule decides pixels on an edge,
// so a quad from x - 0.5 to x + w - 0.5 covers exactly w columns and two
// quads that share an edge neither overlap nor leave a gap.
//
// State numbers and values use Direct3D 9's numbering so that the values a
// plug-in passes through the draw service's pass-through slots keep their
// meaning. Depth is accepted and ignored: depth testing always passes and
// nothing reads depth, so no depth buffer is kept.
//
// Deterministic: the same calls produce the same pixels on every machine.
// A device is used from one thread at a time; surfaces may be built on any
// thread and handed over.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform::raster {

// A picture of 0xAARRGGBB pixels, rows top to bottom, no padding.
// New surfaces are transparent black.
class Surface {
public:
    Surface() = default;
    Surface(int width, int height, uint32_t fill = 0);

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    bool Empty() const { return m_width <= 0 || m_height <= 0; }
    // Pixels per row (always Width()).
    int Pitch() const { return m_width; }
    uint32_t* Pixels() { return m_pixels.data(); }
    const uint32_t* Pixels() const { return m_pixels.data(); }
    uint32_t* Row(int y) { return m_pixels.data() + static_cast<size_t>(y) * m_width; }
    const uint32_t* Row(int y) const { return m_pixels.data() + static_cast<size_t>(y) * m_width; }

    // Reads 0 and ignores writes outside the surface.
    uint32_t At(int x, int y) const;
    void Set(int x, int y, uint32_t color);
    void Fill(uint32_t color);

private:
    int m_width = 0;
    int m_height = 0;
    std::vector<uint32_t> m_pixels;
};

// D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1: 28 bytes.
struct Vertex {
    float x, y, z, rhw;   // screen pixels; z and rhw are carried, not used
    uint32_t color;       // 0xAARRGGBB
    float u, v;           // normalised texture coordinates
};
static_assert(sizeof(Vertex) == 28, "vertex layout is shared with callers' arrays");

// Render states (D3DRENDERSTATETYPE numbers).
namespace rs {
enum : uint32_t {
    ZEnable = 7,
    ZWriteEnable = 14,
    AlphaTestEnable = 15,
    SrcBlend = 19,
    DestBlend = 20,
    CullMode = 22,
    ZFunc = 23,
    AlphaRef = 24,
    AlphaFunc = 25,
    AlphaBlendEnable = 27,
    BlendOp = 171,
};
}

// Blend factors (D3DBLEND).
namespace blend {
enum : uint32_t {
    Zero = 1,
    One = 2,
    SrcColor = 3,
    InvSrcColor = 4,
    SrcAlpha = 5,
    InvSrcAlpha = 6,
    DestAlpha = 7,
    InvDestAlpha = 8,
    DestColor = 9,
    InvDestColor = 10,
    SrcAlphaSat = 11,
};
}

// Blend operations (D3DBLENDOP).
namespace blendop {
enum : uint32_t { Add = 1, Subtract = 2, RevSubtract = 3, Min = 4, Max = 5 };
}

// Comparison functions (D3DCMPFUNC), for the alpha test.
namespace cmp {
enum : uint32_t { Never = 1, Less, Equal, LessEqual, Greater, NotEqual, GreaterEqual, Always };
}

// Sampler states of sampler 0 (D3DSAMPLERSTATETYPE numbers).
namespace samp {
enum : uint32_t {
    AddressU = 1,
    AddressV = 2,
    AddressW = 3,
    BorderColor = 4,
    MagFilter = 5,
    MinFilter = 6,
    MipFilter = 7,
};
}

// Texture address modes (D3DTEXTUREADDRESS).
namespace address {
enum : uint32_t { Wrap = 1, Mirror = 2, Clamp = 3, Border = 4, MirrorOnce = 5 };
}

// Texture filters (D3DTEXTUREFILTERTYPE). Anything but Linear (and the
// better-than-linear kinds, which act as Linear) samples the nearest texel.
namespace filter {
enum : uint32_t { None = 0, Point = 1, Linear = 2, Anisotropic = 3 };
}

class Device {
public:
    // Everything a caller may need to put back after drawing with its own
    // settings (the font's text batch does this).
    struct States {
        uint32_t alphaBlendEnable, srcBlend, destBlend, blendOp;
        uint32_t alphaTestEnable, alphaRef, alphaFunc;
        uint32_t addressU, addressV, borderColor, magFilter, minFilter;
        const Surface* texture;
    };

    // The back buffer is made at the given size, transparent black.
    // Initial states are Direct3D 9's defaults: blending off (One, Zero,
    // Add), alpha test off, wrap addressing, point filtering, no texture.
    Device(int backWidth, int backHeight);

    Surface& BackBuffer() { return m_backBuffer; }
    const Surface& BackBuffer() const { return m_backBuffer; }

    // Directs drawing and Clear into target (nullptr: the back buffer). The
    // caller keeps the surface alive while it is the target.
    void SetRenderTarget(Surface* target);
    Surface& RenderTarget() { return m_target ? *m_target : m_backBuffer; }
    bool RenderingToBackBuffer() const { return m_target == nullptr; }

    // Texture of stage 0 (nullptr: none, which samples as opaque white).
    // The caller keeps it alive while it is bound.
    void SetTexture(const Surface* texture) { m_texture = texture; }
    const Surface* Texture() const { return m_texture; }

    // Unknown states are stored and read back but change nothing.
    void SetRenderState(uint32_t state, uint32_t value);
    uint32_t GetRenderState(uint32_t state) const;
    // Unknown sampler states are ignored (read back as 0).
    void SetSamplerState(uint32_t which, uint32_t value);
    uint32_t GetSamplerState(uint32_t which) const;

    States SaveStates() const;
    void RestoreStates(const States& states);

    // Fills the whole current target with color (no blending).
    void Clear(uint32_t color);

    // Draws vertexCount - 2 triangles (a strip) or vertexCount / 3
    // triangles (a list). Fewer than 3 vertices draw nothing.
    void DrawTriangleStrip(const Vertex* vertices, int vertexCount);
    void DrawTriangleList(const Vertex* vertices, int vertexCount);

    // Pixels that passed coverage since construction (tests, benchmarks).
    uint64_t PixelsDrawn() const { return m_pixelsDrawn; }

private:
    struct Setup;
    void DrawTriangle(const Vertex& a, const Vertex& b, const Vertex& c);
    bool TryDrawRect(const Vertex* v);

    Surface m_backBuffer;
    Surface* m_target = nullptr;
    const Surface* m_texture = nullptr;
    std::vector<std::pair<uint32_t, uint32_t>> m_otherStates;
    uint32_t m_alphaBlendEnable = 0;
    uint32_t m_srcBlend = blend::One;
    uint32_t m_destBlend = blend::Zero;
    uint32_t m_blendOp = blendop::Add;
    uint32_t m_alphaTestEnable = 0;
    uint32_t m_alphaRef = 0;
    uint32_t m_alphaFunc = cmp::Always;
    uint32_t m_addressU = address::Wrap;
    uint32_t m_addressV = address::Wrap;
    uint32_t m_borderColor = 0;
    uint32_t m_magFilter = filter::Point;
    uint32_t m_minFilter = filter::Point;
    uint64_t m_pixelsDrawn = 0;
};

} // namespace platform::raster
