#include "platform/raster/raster_device.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

namespace platform::raster {

// ---------------------------------------------------------------- Surface

Surface::Surface(int width, int height, uint32_t fill) {
    if (width > 0 && height > 0) {
        m_width = width;
        m_height = height;
        m_pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height), fill);
    }
}

uint32_t Surface::At(int x, int y) const {
    if (x < 0 || y < 0 || x >= m_width || y >= m_height) return 0;
    return m_pixels[static_cast<size_t>(y) * m_width + x];
}

void Surface::Set(int x, int y, uint32_t color) {
    if (x < 0 || y < 0 || x >= m_width || y >= m_height) return;
    m_pixels[static_cast<size_t>(y) * m_width + x] = color;
}

void Surface::Fill(uint32_t color) { std::fill(m_pixels.begin(), m_pixels.end(), color); }

// ---------------------------------------------------------------- helpers

namespace {

// Vertex positions are snapped to 1/256 pixel, like hardware sub-pixel
// precision; coverage is then decided in exact integer arithmetic.
constexpr int kSubBits = 8;
constexpr int64_t kSub = 1 << kSubBits;
// Beyond this many pixels from the origin a triangle is dropped rather than
// risk overflowing the edge arithmetic (far outside any guard band).
constexpr double kCoordLimit = 1 << 20;

inline int64_t FloorDiv(int64_t a, int64_t b) {   // b > 0
    int64_t q = a / b;
    if ((a % b != 0) && (a < 0)) --q;
    return q;
}
inline int64_t CeilDiv(int64_t a, int64_t b) {    // b > 0
    int64_t q = a / b;
    if ((a % b != 0) && (a > 0)) ++q;
    return q;
}

// round(x / 255) for 0 <= x <= 255 * 255.
inline uint32_t Div255(uint32_t x) {
    x += 128;
    return (x + (x >> 8)) >> 8;
}

// ARGB spread to four 16-bit lanes: 0x00AA00RR00GG00BB.
inline uint64_t Spread(uint32_t c) {
    uint64_t v = c;
    return (v & 0xFFu) | ((v & 0xFF00u) << 8) | ((v & 0xFF0000u) << 16) | ((v & 0xFF000000u) << 24);
}
inline uint32_t Gather(uint64_t v) {
    return static_cast<uint32_t>((v & 0xFFu) | ((v >> 8) & 0xFF00u) | ((v >> 16) & 0xFF0000u) |
                                 ((v >> 24) & 0xFF000000u));
}
// Div255 on every lane; each lane must hold at most 255 * 255.
inline uint64_t Div255Lanes(uint64_t x) {
    constexpr uint64_t kMask = 0x00FF00FF00FF00FFull;
    x += 0x0080008000800080ull;
    return ((x + ((x >> 8) & kMask)) >> 8) & kMask;
}

inline uint32_t Modulate(uint32_t t, uint32_t c) {
    if (c == 0xFFFFFFFFu) return t;
    uint32_t a = Div255((t >> 24) * (c >> 24));
    uint32_t r = Div255(((t >> 16) & 0xFF) * ((c >> 16) & 0xFF));
    uint32_t g = Div255(((t >> 8) & 0xFF) * ((c >> 8) & 0xFF));
    uint32_t b = Div255((t & 0xFF) * (c & 0xFF));
    return (a << 24) | (r << 16) | (g << 8) | b;
}

inline int WrapIndex(int64_t i, int size, uint32_t mode, bool& border) {
    if (i >= 0 && i < size) return static_cast<int>(i);
    switch (mode) {
    case address::Clamp:
        return i < 0 ? 0 : size - 1;
    case address::Border:
        border = true;
        return 0;
    case address::Mirror: {
        int64_t period = 2 * static_cast<int64_t>(size);
        int64_t m = i % period;
        if (m < 0) m += period;
        return static_cast<int>(m < size ? m : period - 1 - m);
    }
    case address::MirrorOnce: {
        int64_t m = i < 0 ? -1 - i : i;
        return static_cast<int>(m < size ? m : size - 1);
    }
    case address::Wrap:
    default: {
        int64_t m = i % size;
        if (m < 0) m += size;
        return static_cast<int>(m);
    }
    }
}

struct Sampler {
    const Surface* tex;
    uint32_t addressU, addressV, border;
    bool linear;

    uint32_t Texel(int64_t ix, int64_t iy) const {
        bool outside = false;
        int x = WrapIndex(ix, tex->Width(), addressU, outside);
        int y = WrapIndex(iy, tex->Height(), addressV, outside);
        if (outside) return border;
        return tex->Row(y)[x];
    }

    // u, v in texel units, 32.32 fixed point.
    uint32_t Sample(int64_t fu, int64_t fv) const {
        if (!linear) return Texel(fu >> 32, fv >> 32);
        // Bilinear: taps around (u - 0.5, v - 0.5), 8-bit weights.
        int64_t su = fu - (int64_t(1) << 31);
        int64_t sv = fv - (int64_t(1) << 31);
        int64_t ix = su >> 32, iy = sv >> 32;
        uint32_t wx = static_cast<uint32_t>((su >> 24) & 0xFF);
        uint32_t wy = static_cast<uint32_t>((sv >> 24) & 0xFF);
        uint64_t c00 = Spread(Texel(ix, iy)), c10 = Spread(Texel(ix + 1, iy));
        uint64_t c01 = Spread(Texel(ix, iy + 1)), c11 = Spread(Texel(ix + 1, iy + 1));
        // Lanes stay below 65536: 255 * 256 at most.
        uint64_t top = c00 * (256 - wx) + c10 * wx;
        uint64_t bottom = c01 * (256 - wx) + c11 * wx;
        constexpr uint64_t kMask = 0x00FF00FF00FF00FFull;
        uint64_t t8 = (top + 0x0080008000800080ull) >> 8 & kMask;
        uint64_t b8 = (bottom + 0x0080008000800080ull) >> 8 & kMask;
        uint64_t mix = t8 * (256 - wy) + b8 * wy;
        return Gather((mix + 0x0080008000800080ull) >> 8 & kMask);
    }
};

inline int64_t ToFixed32(double v) {
    constexpr double kMax = 1073741824.0;   // keep 32.32 values inside int64
    if (!(v > -kMax)) v = -kMax;
    if (v > kMax) v = kMax;
    return static_cast<int64_t>(std::floor(v * 4294967296.0));
}

inline int32_t ToFixed16(double v) {
    if (!(v > -30000.0)) v = -30000.0;
    if (v > 30000.0) v = 30000.0;
    return static_cast<int32_t>(std::lround(v * 65536.0));
}

inline uint32_t Channel16(int32_t f) {
    int32_t c = (f + 32768) >> 16;
    return static_cast<uint32_t>(c < 0 ? 0 : (c > 255 ? 255 : c));
}

} // namespace

// What one draw call needs per span: the shaded source colours are written
// into a span buffer, then blended into the target row.
struct Device::Setup {
    bool textured = false;
    bool gouraud = false;
    uint32_t flatColor = 0;
    Sampler sampler{};
    // Attribute values at the span start and their steps per pixel.
    int32_t c[4] = {}, dc[4] = {};      // a, r, g, b in 16.16
    int64_t u = 0, du = 0, v = 0, dv = 0;   // texel units, 32.32
};

namespace {

std::vector<uint32_t>& SpanBuffer(size_t n) {
    thread_local std::vector<uint32_t> buffer;
    if (buffer.size() < n) buffer.resize(n);
    return buffer;
}

} // namespace

// ---------------------------------------------------------------- Device

Device::Device(int backWidth, int backHeight) : m_backBuffer(backWidth, backHeight) {}

void Device::SetRenderTarget(Surface* target) { m_target = target; }

void Device::SetRenderState(uint32_t state, uint32_t value) {
    switch (state) {
    case rs::AlphaBlendEnable: m_alphaBlendEnable = value; return;
    case rs::SrcBlend: m_srcBlend = value; return;
    case rs::DestBlend: m_destBlend = value; return;
    case rs::BlendOp: m_blendOp = value; return;
    case rs::AlphaTestEnable: m_alphaTestEnable = value; return;
    case rs::AlphaRef: m_alphaRef = value & 0xFF; return;
    case rs::AlphaFunc: m_alphaFunc = value; return;
    default: break;
    }
    for (auto& entry : m_otherStates) {
        if (entry.first == state) {
            entry.second = value;
            return;
        }
    }
    m_otherStates.emplace_back(state, value);
}

uint32_t Device::GetRenderState(uint32_t state) const {
    switch (state) {
    case rs::AlphaBlendEnable: return m_alphaBlendEnable;
    case rs::SrcBlend: return m_srcBlend;
    case rs::DestBlend: return m_destBlend;
    case rs::BlendOp: return m_blendOp;
    case rs::AlphaTestEnable: return m_alphaTestEnable;
    case rs::AlphaRef: return m_alphaRef;
    case rs::AlphaFunc: return m_alphaFunc;
    default: break;
    }
    for (const auto& entry : m_otherStates)
        if (entry.first == state) return entry.second;
    return 0;
}

void Device::SetSamplerState(uint32_t which, uint32_t value) {
    switch (which) {
    case samp::AddressU: m_addressU = value; break;
    case samp::AddressV: m_addressV = value; break;
    case samp::BorderColor: m_borderColor = value; break;
    case samp::MagFilter: m_magFilter = value; break;
    case samp::MinFilter: m_minFilter = value; break;
    default: break;
    }
}

uint32_t Device::GetSamplerState(uint32_t which) const {
    switch (which) {
    case samp::AddressU: return m_addressU;
    case samp::AddressV: return m_addressV;
    case samp::BorderColor: return m_borderColor;
    case samp::MagFilter: return m_magFilter;
    case samp::MinFilter: return m_minFilter;
    default: return 0;
    }
}

Device::States Device::SaveStates() const {
    return States{m_alphaBlendEnable, m_srcBlend,  m_destBlend, m_blendOp,     m_alphaTestEnable,
                  m_alphaRef,         m_alphaFunc, m_addressU,  m_addressV,    m_borderColor,
                  m_magFilter,        m_minFilter, m_texture};
}

void Device::RestoreStates(const States& s) {
    m_alphaBlendEnable = s.alphaBlendEnable;
    m_srcBlend = s.srcBlend;
    m_destBlend = s.destBlend;
    m_blendOp = s.blendOp;
    m_alphaTestEnable = s.alphaTestEnable;
    m_alphaRef = s.alphaRef;
    m_alphaFunc = s.alphaFunc;
    m_addressU = s.addressU;
    m_addressV = s.addressV;
    m_borderColor = s.borderColor;
    m_magFilter = s.magFilter;
    m_minFilter = s.minFilter;
    m_texture = s.texture;
}

void Device::Clear(uint32_t color) { RenderTarget().Fill(color); }

void Device::DrawTriangleStrip(const Vertex* v, int count) {
    if (!v || count < 3) return;
    if (count == 4 && TryDrawRect(v)) return;
    for (int i = 0; i + 2 < count; ++i) DrawTriangle(v[i], v[i + 1], v[i + 2]);
}

void Device::DrawTriangleList(const Vertex* v, int count) {
    if (!v) return;
    for (int i = 0; i + 2 < count; i += 3) DrawTriangle(v[i], v[i + 1], v[i + 2]);
}

namespace {

struct BlendSetup {
    enum Kind { Replace, Translucent, Additive, Darken, General } kind;
    uint32_t src, dst, op;
    bool alphaTest;
    uint32_t alphaRef, alphaFunc;
};

inline bool AlphaPasses(uint32_t a, uint32_t ref, uint32_t func) {
    switch (func) {
    case cmp::Never: return false;
    case cmp::Less: return a < ref;
    case cmp::Equal: return a == ref;
    case cmp::LessEqual: return a <= ref;
    case cmp::Greater: return a > ref;
    case cmp::NotEqual: return a != ref;
    case cmp::GreaterEqual: return a >= ref;
    default: return true;
    }
}

// One factor (0 ... 255) per lane for a blend factor.
inline uint64_t FactorLanes(uint32_t factor, uint32_t s, uint32_t d) {
    auto all = [](uint32_t k) { return Spread(k * 0x01010101u); };
    switch (factor) {
    case blend::Zero: return 0;
    case blend::One: return all(255);
    case blend::SrcColor: return Spread(s);
    case blend::InvSrcColor: return Spread(~s);
    case blend::SrcAlpha: return all(s >> 24);
    case blend::InvSrcAlpha: return all(255 - (s >> 24));
    case blend::DestAlpha: return all(d >> 24);
    case blend::InvDestAlpha: return all(255 - (d >> 24));
    case blend::DestColor: return Spread(d);
    case blend::InvDestColor: return Spread(~d);
    case blend::SrcAlphaSat: {
        uint32_t f = std::min(s >> 24, 255 - (d >> 24));
        return (Spread(f * 0x010101u)) | (uint64_t(255) << 48);
    }
    default: return all(255);
    }
}

// Any factor pair and operation; the products are summed before the one
// rounding division, as the fast paths do.
uint32_t BlendGeneral(uint32_t s, uint32_t d, const BlendSetup& b) {
    const uint64_t fs = FactorLanes(b.src, s, d), fd = FactorLanes(b.dst, s, d);
    uint32_t out = 0;
    for (int i = 0; i < 4; ++i) {
        const int sc = static_cast<int>((s >> (8 * i)) & 0xFF), dc = static_cast<int>((d >> (8 * i)) & 0xFF);
        const int x = sc * static_cast<int>((fs >> (16 * i)) & 0xFF);
        const int y = dc * static_cast<int>((fd >> (16 * i)) & 0xFF);
        int r;
        switch (b.op) {
        case blendop::Subtract: r = x - y; break;
        case blendop::RevSubtract: r = y - x; break;
        case blendop::Min: r = std::min(sc, dc) * 255; break;
        case blendop::Max: r = std::max(sc, dc) * 255; break;
        default: r = x + y; break;
        }
        r = r <= 0 ? 0 : (r + 127) / 255;
        out |= static_cast<uint32_t>(std::min(r, 255)) << (8 * i);
    }
    return out;
}

#if defined(__SSE2__)
// Four pixels at a time with exactly the integer results of the scalar
// code (16-bit lanes hold every product below 65536).
// (t + (t >> 8)) >> 8 equals (t * 257) >> 16 for every t = x + 128 here.
inline __m128i Div255x8(__m128i x) {
    return _mm_mulhi_epu16(_mm_add_epi16(x, _mm_set1_epi16(128)), _mm_set1_epi16(257));
}
inline __m128i AlphaLanes(__m128i lanes) { return _mm_shufflehi_epi16(_mm_shufflelo_epi16(lanes, 0xFF), 0xFF); }

int TranslucentSse4(uint32_t* dst, const uint32_t* src, int n);

#if defined(__x86_64__) && defined(__GNUC__)
// Eight pixels at a time where the processor has AVX2; same integer maths.
#define TEV_DIV255_AVX2(x) _mm256_mulhi_epu16(_mm256_add_epi16((x), k128), k257)
#define TEV_ALPHA_AVX2(x) _mm256_shufflehi_epi16(_mm256_shufflelo_epi16((x), 0xFF), 0xFF)
__attribute__((target("avx2"))) int TranslucentAvx2(uint32_t* dst, const uint32_t* src, int n) {
    const __m256i zero = _mm256_setzero_si256(), k255 = _mm256_set1_epi16(255), opaque = _mm256_set1_epi32(255);
    const __m256i k128 = _mm256_set1_epi16(128), k257 = _mm256_set1_epi16(257);
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i s = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + i));
        const __m256i alpha = _mm256_srli_epi32(s, 24);
        if (_mm256_movemask_epi8(_mm256_cmpeq_epi32(alpha, opaque)) == -1) {
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i), s);
            continue;
        }
        if (_mm256_movemask_epi8(_mm256_cmpeq_epi32(alpha, zero)) == -1) continue;
        const __m256i d = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(dst + i));
        const __m256i slo = _mm256_unpacklo_epi8(s, zero), shi = _mm256_unpackhi_epi8(s, zero);
        const __m256i dlo = _mm256_unpacklo_epi8(d, zero), dhi = _mm256_unpackhi_epi8(d, zero);
        const __m256i alo = TEV_ALPHA_AVX2(slo), ahi = TEV_ALPHA_AVX2(shi);
        const __m256i rlo =
            _mm256_add_epi16(_mm256_mullo_epi16(slo, alo), _mm256_mullo_epi16(dlo, _mm256_sub_epi16(k255, alo)));
        const __m256i rhi =
            _mm256_add_epi16(_mm256_mullo_epi16(shi, ahi), _mm256_mullo_epi16(dhi, _mm256_sub_epi16(k255, ahi)));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i), _mm256_packus_epi16(TEV_DIV255_AVX2(rlo), TEV_DIV255_AVX2(rhi)));
    }
    return i;
}
#undef TEV_DIV255_AVX2
#undef TEV_ALPHA_AVX2
const bool kHaveAvx2 = __builtin_cpu_supports("avx2");
#else
int TranslucentAvx2(uint32_t*, const uint32_t*, int) { return 0; }
const bool kHaveAvx2 = false;
#endif

int TranslucentSse(uint32_t* dst, const uint32_t* src, int n) {
    int done = kHaveAvx2 ? TranslucentAvx2(dst, src, n) : 0;
    if (done) {
        dst += done;
        src += done;
        n -= done;
    }
    return done + TranslucentSse4(dst, src, n);
}

int TranslucentSse4(uint32_t* dst, const uint32_t* src, int n) {
    const __m128i zero = _mm_setzero_si128(), k255 = _mm_set1_epi16(255), opaque = _mm_set1_epi32(255);
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
        const __m128i alpha = _mm_srli_epi32(s, 24);
        if (_mm_movemask_epi8(_mm_cmpeq_epi32(alpha, opaque)) == 0xFFFF) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), s);
            continue;
        }
        if (_mm_movemask_epi8(_mm_cmpeq_epi32(alpha, zero)) == 0xFFFF) continue;
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + i));
        const __m128i slo = _mm_unpacklo_epi8(s, zero), shi = _mm_unpackhi_epi8(s, zero);
        const __m128i dlo = _mm_unpacklo_epi8(d, zero), dhi = _mm_unpackhi_epi8(d, zero);
        const __m128i alo = AlphaLanes(slo), ahi = AlphaLanes(shi);
        const __m128i rlo = _mm_add_epi16(_mm_mullo_epi16(slo, alo), _mm_mullo_epi16(dlo, _mm_sub_epi16(k255, alo)));
        const __m128i rhi = _mm_add_epi16(_mm_mullo_epi16(shi, ahi), _mm_mullo_epi16(dhi, _mm_sub_epi16(k255, ahi)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), _mm_packus_epi16(Div255x8(rlo), Div255x8(rhi)));
    }
    return i;
}

int AdditiveSse(uint32_t* dst, const uint32_t* src, int n) {
    const __m128i zero = _mm_setzero_si128();
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + i));
        const __m128i slo = _mm_unpacklo_epi8(s, zero), shi = _mm_unpackhi_epi8(s, zero);
        const __m128i plo = Div255x8(_mm_mullo_epi16(slo, AlphaLanes(slo)));
        const __m128i phi = Div255x8(_mm_mullo_epi16(shi, AlphaLanes(shi)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), _mm_adds_epu8(_mm_packus_epi16(plo, phi), d));
    }
    return i;
}

int DarkenSse(uint32_t* dst, const uint32_t* src, int n) {
    const __m128i zero = _mm_setzero_si128(), ones = _mm_set1_epi32(-1);
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i inv = _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i)), ones);
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + i));
        const __m128i rlo = Div255x8(_mm_mullo_epi16(_mm_unpacklo_epi8(d, zero), _mm_unpacklo_epi8(inv, zero)));
        const __m128i rhi = Div255x8(_mm_mullo_epi16(_mm_unpackhi_epi8(d, zero), _mm_unpackhi_epi8(inv, zero)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), _mm_packus_epi16(rlo, rhi));
    }
    return i;
}

// out = texels x one colour, per channel.
int ModulateSse(uint32_t* out, const uint32_t* tex, int n, uint32_t color) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i c = _mm_unpacklo_epi8(_mm_set1_epi32(static_cast<int>(color)), zero);
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i t = _mm_loadu_si128(reinterpret_cast<const __m128i*>(tex + i));
        const __m128i lo = Div255x8(_mm_mullo_epi16(_mm_unpacklo_epi8(t, zero), c));
        const __m128i hi = Div255x8(_mm_mullo_epi16(_mm_unpackhi_epi8(t, zero), c));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(lo, hi));
    }
    return i;
}
#else
int TranslucentSse(uint32_t*, const uint32_t*, int) { return 0; }
int AdditiveSse(uint32_t*, const uint32_t*, int) { return 0; }
int DarkenSse(uint32_t*, const uint32_t*, int) { return 0; }
int ModulateSse(uint32_t*, const uint32_t*, int, uint32_t) { return 0; }
#endif

void ModulateSpan(uint32_t* out, const uint32_t* tex, int n, uint32_t color) {
    int i = ModulateSse(out, tex, n, color);
    for (; i < n; ++i) out[i] = Modulate(tex[i], color);
}

void BlendSpan(uint32_t* dst, const uint32_t* src, int n, const BlendSetup& b) {
    if (b.alphaTest) {
        for (int i = 0; i < n; ++i) {
            uint32_t s = src[i];
            if (!AlphaPasses(s >> 24, b.alphaRef, b.alphaFunc)) continue;
            switch (b.kind) {
            case BlendSetup::Replace: dst[i] = s; break;
            default: dst[i] = BlendGeneral(s, dst[i], b); break;
            }
        }
        return;
    }
    switch (b.kind) {
    case BlendSetup::Replace:
        std::memmove(dst, src, static_cast<size_t>(n) * 4);   // a texture may be its own target
        return;
    case BlendSetup::Translucent:
        for (int i = TranslucentSse(dst, src, n); i < n; ++i) {
            uint32_t s = src[i];
            uint32_t a = s >> 24;
            if (a == 255) {
                dst[i] = s;
            } else if (a != 0) {   // alpha 0 leaves the target as it is
                dst[i] = Gather(Div255Lanes(Spread(s) * a + Spread(dst[i]) * (255 - a)));
            }
        }
        return;
    case BlendSetup::Additive:
        for (int i = AdditiveSse(dst, src, n); i < n; ++i) {
            uint32_t s = src[i];
            uint32_t a = s >> 24;
            if (a == 0) continue;
            // Lanes reach 510 at most: bit 8 marks the ones to saturate.
            uint64_t sum = Div255Lanes(Spread(s) * a) + Spread(dst[i]);
            uint64_t over = (sum >> 8) & 0x0001000100010001ull;
            dst[i] = Gather((sum | over * 0xFF) & 0x00FF00FF00FF00FFull);
        }
        return;
    case BlendSetup::Darken:
        for (int i = DarkenSse(dst, src, n); i < n; ++i) {
            uint32_t s = src[i];
            if (s == 0) continue;   // factor 1 on every lane keeps dst
            uint32_t d = dst[i];
            uint32_t inv = ~s;
            uint32_t a = Div255((d >> 24) * (inv >> 24));
            uint32_t r = Div255(((d >> 16) & 0xFF) * ((inv >> 16) & 0xFF));
            uint32_t g = Div255(((d >> 8) & 0xFF) * ((inv >> 8) & 0xFF));
            uint32_t bb = Div255((d & 0xFF) * (inv & 0xFF));
            dst[i] = (a << 24) | (r << 16) | (g << 8) | bb;
        }
        return;
    case BlendSetup::General:
        for (int i = 0; i < n; ++i) dst[i] = BlendGeneral(src[i], dst[i], b);
        return;
    }
}

} // namespace

namespace {

BlendSetup MakeBlend(uint32_t enable, uint32_t src, uint32_t dst, uint32_t op, uint32_t test, uint32_t ref,
                     uint32_t func) {
    BlendSetup b{BlendSetup::General, src, dst, op, test != 0 && func != cmp::Always, ref, func};
    if (!enable) {
        b.kind = BlendSetup::Replace;
    } else if (op == blendop::Add) {
        if (src == blend::One && dst == blend::Zero) b.kind = BlendSetup::Replace;
        else if (src == blend::SrcAlpha && dst == blend::InvSrcAlpha) b.kind = BlendSetup::Translucent;
        else if (src == blend::SrcAlpha && dst == blend::One) b.kind = BlendSetup::Additive;
        else if (src == blend::Zero && dst == blend::InvSrcColor) b.kind = BlendSetup::Darken;
    }
    return b;
}

// The shaded colours of n pixels from the span start: written into out, or
// straight from the texture row when nothing changes the texels.
const uint32_t* ShadeSpan(uint32_t* out, int n, Sampler* sampler, bool gouraud, uint32_t flat, const int32_t c0[4],
                          const int32_t dc[4], int64_t u, int64_t du, int64_t v, int64_t dv) {
    if (gouraud) {
        // Colours per pixel; channel values stay in range along the whole
        // span when they do at both ends (they change linearly).
        bool inRange = true;
        for (int k = 0; k < 4; ++k) {
            int64_t first = c0[k], last = c0[k] + int64_t(dc[k]) * (n - 1);
            inRange = inRange && first >= -32768 && last >= -32768 && first < (255 << 16) + 32768 &&
                      last < (255 << 16) + 32768;
        }
        int32_t a = c0[0], r = c0[1], g = c0[2], b = c0[3];
        if (inRange) {
            int i = 0;
#if defined(__SSE2__)
            // Four pixels per step: lane j holds start + j * step.
            auto lanes = [](int32_t start, int32_t step) {
                return _mm_set_epi32(start + 3 * step, start + 2 * step, start + step, start);
            };
            __m128i va = lanes(a, dc[0]), vr = lanes(r, dc[1]), vg = lanes(g, dc[2]), vb = lanes(b, dc[3]);
            const __m128i sa = _mm_set1_epi32(4 * dc[0]), sr = _mm_set1_epi32(4 * dc[1]);
            const __m128i sg = _mm_set1_epi32(4 * dc[2]), sb = _mm_set1_epi32(4 * dc[3]);
            const __m128i half = _mm_set1_epi32(32768);
            for (; i + 4 <= n; i += 4) {
                __m128i pa = _mm_slli_epi32(_mm_srli_epi32(_mm_add_epi32(va, half), 16), 24);
                __m128i pr = _mm_slli_epi32(_mm_srli_epi32(_mm_add_epi32(vr, half), 16), 16);
                __m128i pg = _mm_slli_epi32(_mm_srli_epi32(_mm_add_epi32(vg, half), 16), 8);
                __m128i pb = _mm_srli_epi32(_mm_add_epi32(vb, half), 16);
                _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i),
                                 _mm_or_si128(_mm_or_si128(pa, pr), _mm_or_si128(pg, pb)));
                va = _mm_add_epi32(va, sa);
                vr = _mm_add_epi32(vr, sr);
                vg = _mm_add_epi32(vg, sg);
                vb = _mm_add_epi32(vb, sb);
            }
            a += i * dc[0];
            r += i * dc[1];
            g += i * dc[2];
            b += i * dc[3];
#endif
            for (; i < n; ++i) {
                out[i] = (static_cast<uint32_t>((a + 32768) >> 16) << 24) | (static_cast<uint32_t>((r + 32768) >> 16) << 16) |
                         (static_cast<uint32_t>((g + 32768) >> 16) << 8) | static_cast<uint32_t>((b + 32768) >> 16);
                a += dc[0];
                r += dc[1];
                g += dc[2];
                b += dc[3];
            }
        } else {
            for (int i = 0; i < n; ++i) {
                out[i] = (Channel16(a) << 24) | (Channel16(r) << 16) | (Channel16(g) << 8) | Channel16(b);
                a += dc[0];
                r += dc[1];
                g += dc[2];
                b += dc[3];
            }
        }
        if (!sampler) return out;
    } else if (!sampler) {
        std::fill(out, out + n, flat);
        return out;
    }
    // Textured: out holds the per-pixel colours when gouraud.
    const Surface* tex = sampler->tex;
    if (!sampler->linear) {
        // Point sampling that stays inside the texture needs no addressing.
        const int64_t uEnd = u + du * (n - 1), vEnd = v + dv * (n - 1);
        const int64_t w = int64_t(tex->Width()) << 32, h = int64_t(tex->Height()) << 32;
        if (u >= 0 && uEnd >= 0 && u < w && uEnd < w && v >= 0 && vEnd >= 0 && v < h && vEnd < h) {
            if (dv == 0) {
                const uint32_t* row = tex->Row(static_cast<int>(v >> 32));
                if (du == (int64_t(1) << 32)) {   // texel for texel
                    const uint32_t* texels = row + (u >> 32);
                    if (gouraud) {
                        for (int i = 0; i < n; ++i) out[i] = Modulate(texels[i], out[i]);
                        return out;
                    }
                    if (flat == 0xFFFFFFFFu) return texels;
                    ModulateSpan(out, texels, n, flat);
                    return out;
                }
                if (gouraud) {
                    for (int i = 0; i < n; ++i, u += du) out[i] = Modulate(row[u >> 32], out[i]);
                } else if (flat == 0xFFFFFFFFu) {
                    for (int i = 0; i < n; ++i, u += du) out[i] = row[u >> 32];
                } else {
                    for (int i = 0; i < n; ++i, u += du) out[i] = Modulate(row[u >> 32], flat);
                }
                return out;
            }
            for (int i = 0; i < n; ++i, u += du, v += dv) {
                uint32_t t = tex->Row(static_cast<int>(v >> 32))[u >> 32];
                out[i] = Modulate(t, gouraud ? out[i] : flat);
            }
            return out;
        }
    }
    for (int i = 0; i < n; ++i, u += du, v += dv) out[i] = Modulate(sampler->Sample(u, v), gouraud ? out[i] : flat);
    return out;
}

inline bool PositionOk(const Vertex& v) {
    return std::fabs(v.x) < kCoordLimit && std::fabs(v.y) < kCoordLimit;   // also false for NaN
}

inline int64_t Snap(float f) { return static_cast<int64_t>(std::llround(static_cast<double>(f) * kSub)); }

inline void ChannelsOf(uint32_t c, double out[4]) {
    out[0] = c >> 24;
    out[1] = (c >> 16) & 0xFF;
    out[2] = (c >> 8) & 0xFF;
    out[3] = c & 0xFF;
}

} // namespace

bool Device::TryDrawRect(const Vertex* v) {
    // Top-left, top-right, bottom-left, bottom-right with one colour and
    // texture coordinates that follow the axes: the common sprite and fill.
    if (v[0].y != v[1].y || v[2].y != v[3].y || v[0].x != v[2].x || v[1].x != v[3].x) return false;
    if (v[0].color != v[1].color || v[0].color != v[2].color || v[0].color != v[3].color) return false;
    if (v[0].u != v[2].u || v[1].u != v[3].u || v[0].v != v[1].v || v[2].v != v[3].v) return false;
    for (int i = 0; i < 4; ++i)
        if (!PositionOk(v[i])) return true;   // dropped like any far-off triangle
    int64_t x0 = Snap(v[0].x), x1 = Snap(v[1].x), y0 = Snap(v[0].y), y1 = Snap(v[2].y);
    if (x0 == x1 || y0 == y1) return true;   // no area
    Surface& target = RenderTarget();
    // Left and top edges are inclusive, right and bottom exclusive.
    int64_t left = std::min(x0, x1), right = std::max(x0, x1);
    int64_t top = std::min(y0, y1), bottom = std::max(y0, y1);
    int64_t px0 = std::max<int64_t>(CeilDiv(left, kSub), 0);
    int64_t px1 = std::min<int64_t>(CeilDiv(right, kSub) - 1, target.Width() - 1);
    int64_t py0 = std::max<int64_t>(CeilDiv(top, kSub), 0);
    int64_t py1 = std::min<int64_t>(CeilDiv(bottom, kSub) - 1, target.Height() - 1);
    if (px0 > px1 || py0 > py1) return true;

    const double fx0 = double(x0) / kSub, fx1 = double(x1) / kSub;
    const double fy0 = double(y0) / kSub, fy1 = double(y1) / kSub;
    Sampler sampler{};
    Sampler* samplerPtr = nullptr;
    double tw = 1, th = 1;
    if (m_texture && !m_texture->Empty()) {
        bool magnify = true;
        tw = m_texture->Width();
        th = m_texture->Height();
        double dudx = (double(v[1].u) - v[0].u) * tw / (fx1 - fx0);
        double dvdy = (double(v[2].v) - v[0].v) * th / (fy1 - fy0);
        magnify = std::fabs(dudx) <= 1.0 && std::fabs(dvdy) <= 1.0;
        uint32_t f = magnify ? m_magFilter : m_minFilter;
        sampler = Sampler{m_texture, m_addressU, m_addressV, m_borderColor, f >= filter::Linear};
        samplerPtr = &sampler;
    }
    const BlendSetup blendSetup = MakeBlend(m_alphaBlendEnable, m_srcBlend, m_destBlend, m_blendOp,
                                            m_alphaTestEnable, m_alphaRef, m_alphaFunc);
    const int n = static_cast<int>(px1 - px0 + 1);
    uint32_t* span = SpanBuffer(static_cast<size_t>(n)).data();
    const uint32_t color = v[0].color;
    int32_t c0[4] = {};
    const int32_t dc[4] = {};
    int64_t u = 0, du = 0;
    if (samplerPtr) {
        double dudx = (double(v[1].u) - v[0].u) * tw / (fx1 - fx0);
        du = ToFixed32(dudx);
        u = ToFixed32(double(v[0].u) * tw + (double(px0) - fx0) * dudx);
    }
    const double dvdy = samplerPtr ? (double(v[2].v) - v[0].v) * th / (fy1 - fy0) : 0.0;
    bool spanReady = false;
    for (int64_t py = py0; py <= py1; ++py) {
        uint32_t* dst = target.Row(static_cast<int>(py)) + px0;
        if (!samplerPtr) {
            if (blendSetup.kind == BlendSetup::Replace && !blendSetup.alphaTest) {
                std::fill(dst, dst + n, color);
                continue;
            }
            if (!spanReady) {
                std::fill(span, span + n, color);
                spanReady = true;
            }
        } else {
            int64_t vv = ToFixed32(double(v[0].v) * th + (double(py) - fy0) * dvdy);
            BlendSpan(dst, ShadeSpan(span, n, samplerPtr, false, color, c0, dc, u, du, vv, 0), n, blendSetup);
            continue;
        }
        BlendSpan(dst, span, n, blendSetup);
    }
    m_pixelsDrawn += static_cast<uint64_t>(n) * static_cast<uint64_t>(py1 - py0 + 1);
    return true;
}

void Device::DrawTriangle(const Vertex& a, const Vertex& b, const Vertex& c) {
    if (!PositionOk(a) || !PositionOk(b) || !PositionOk(c)) return;
    const Vertex* vs[3] = {&a, &b, &c};
    int64_t X[3], Y[3];
    for (int i = 0; i < 3; ++i) {
        X[i] = Snap(vs[i]->x);
        Y[i] = Snap(vs[i]->y);
    }
    int64_t area = (X[1] - X[0]) * (Y[2] - Y[0]) - (Y[1] - Y[0]) * (X[2] - X[0]);
    if (area == 0) return;
    if (area < 0) {   // make the order clockwise on the screen (y down)
        std::swap(vs[1], vs[2]);
        std::swap(X[1], X[2]);
        std::swap(Y[1], Y[2]);
        area = -area;
    }
    Surface& target = RenderTarget();
    int64_t minY = std::min({Y[0], Y[1], Y[2]}), maxY = std::max({Y[0], Y[1], Y[2]});
    int64_t minX = std::min({X[0], X[1], X[2]}), maxX = std::max({X[0], X[1], X[2]});
    int64_t py0 = std::max<int64_t>(CeilDiv(minY, kSub), 0);
    int64_t py1 = std::min<int64_t>(FloorDiv(maxY, kSub), target.Height() - 1);
    int64_t bx0 = std::max<int64_t>(CeilDiv(minX, kSub), 0);
    int64_t bx1 = std::min<int64_t>(FloorDiv(maxX, kSub), target.Width() - 1);
    if (py0 > py1 || bx0 > bx1) return;

    // Edge i runs from vertex i to vertex i+1. Inside: E > 0, or E == 0 on
    // a top edge (horizontal, left to right) or a left edge (going up).
    struct Edge {
        int64_t dx, dy, x0, y0;
        int64_t bias;
    } edges[3];
    for (int i = 0; i < 3; ++i) {
        int j = (i + 1) % 3;
        Edge& e = edges[i];
        e.dx = X[j] - X[i];
        e.dy = Y[j] - Y[i];
        e.x0 = X[i];
        e.y0 = Y[i];
        bool topLeft = e.dy < 0 || (e.dy == 0 && e.dx > 0);
        e.bias = topLeft ? -1 : 0;
    }

    // Attribute planes over the snapped positions.
    const double x0 = double(X[0]) / kSub, y0 = double(Y[0]) / kSub;
    const double ex1 = double(X[1] - X[0]) / kSub, ey1 = double(Y[1] - Y[0]) / kSub;
    const double ex2 = double(X[2] - X[0]) / kSub, ey2 = double(Y[2] - Y[0]) / kSub;
    const double det = ex1 * ey2 - ex2 * ey1;
    auto plane = [&](double a0, double a1, double a2, double& ddx, double& ddy) {
        double d1 = a1 - a0, d2 = a2 - a0;
        ddx = (d1 * ey2 - d2 * ey1) / det;
        ddy = (d2 * ex1 - d1 * ex2) / det;
    };
    const bool gouraud = !(vs[0]->color == vs[1]->color && vs[0]->color == vs[2]->color);
    double col[3][4];
    for (int i = 0; i < 3; ++i) ChannelsOf(vs[i]->color, col[i]);
    double cdx[4] = {}, cdy[4] = {};
    if (gouraud)
        for (int k = 0; k < 4; ++k) plane(col[0][k], col[1][k], col[2][k], cdx[k], cdy[k]);

    Sampler sampler{};
    Sampler* samplerPtr = nullptr;
    double udx = 0, udy = 0, vdx = 0, vdy = 0, tw = 1, th = 1;
    if (m_texture && !m_texture->Empty()) {
        tw = m_texture->Width();
        th = m_texture->Height();
        plane(vs[0]->u * tw, vs[1]->u * tw, vs[2]->u * tw, udx, udy);
        plane(vs[0]->v * th, vs[1]->v * th, vs[2]->v * th, vdx, vdy);
        // Magnification when a pixel step covers at most one texel.
        double rate = std::max(std::hypot(udx, vdx), std::hypot(udy, vdy));
        uint32_t f = rate <= 1.0 ? m_magFilter : m_minFilter;
        sampler = Sampler{m_texture, m_addressU, m_addressV, m_borderColor, f >= filter::Linear};
        samplerPtr = &sampler;
    }
    const BlendSetup blendSetup = MakeBlend(m_alphaBlendEnable, m_srcBlend, m_destBlend, m_blendOp,
                                            m_alphaTestEnable, m_alphaRef, m_alphaFunc);
    uint32_t* span = SpanBuffer(static_cast<size_t>(target.Width())).data();
    const uint32_t flat = vs[0]->color;
    int32_t dc[4];
    for (int k = 0; k < 4; ++k) dc[k] = ToFixed16(cdx[k]);
    const int64_t du = ToFixed32(udx), dv = ToFixed32(vdx);

    for (int64_t py = py0; py <= py1; ++py) {
        const int64_t sy = py * kSub;
        int64_t xs = bx0, xe = bx1;
        for (const Edge& e : edges) {
            // E(px) = A * px + B, inside when E > bias.
            const int64_t A = -e.dy * kSub;
            const int64_t B = (sy - e.y0) * e.dx + e.x0 * e.dy;
            const int64_t t = e.bias - B;
            if (A > 0) {
                xs = std::max(xs, FloorDiv(t, A) + 1);
            } else if (A < 0) {
                xe = std::min(xe, CeilDiv(-t, -A) - 1);
            } else if (B <= e.bias) {
                xe = xs - 1;
            }
            if (xs > xe) break;
        }
        if (xs > xe) continue;
        const int n = static_cast<int>(xe - xs + 1);
        const double ox = double(xs) - x0, oy = double(py) - y0;
        int32_t c0[4];
        for (int k = 0; k < 4; ++k) c0[k] = ToFixed16(col[0][k] + cdx[k] * ox + cdy[k] * oy);
        int64_t u = 0, v = 0;
        if (samplerPtr) {
            u = ToFixed32(vs[0]->u * tw + udx * ox + udy * oy);
            v = ToFixed32(vs[0]->v * th + vdx * ox + vdy * oy);
        }
        uint32_t* dst = target.Row(static_cast<int>(py)) + xs;
        if (!samplerPtr && !gouraud && blendSetup.kind == BlendSetup::Replace && !blendSetup.alphaTest) {
            std::fill(dst, dst + n, flat);
        } else {
            BlendSpan(dst, ShadeSpan(span, n, samplerPtr, gouraud, flat, c0, dc, u, du, v, dv), n, blendSetup);
        }
        m_pixelsDrawn += static_cast<uint64_t>(n);
    }
}

} // namespace platform::raster
