// What a separately built plug-in relies on: the position of every virtual
// operation it calls and where it finds the drawer and the font.
#include <gtest/gtest.h>

#include <cstring>

#include "draw/tev_dx_draw.h"
#include "plugin_api/tev_draw.h"

namespace {

// Index in the virtual table of a virtual member function (Itanium C++
// ABI: the pointer holds 1 + the byte offset of the entry).
template <typename F>
long SlotOf(F f) {
    struct Raw {
        uintptr_t ptr;
        ptrdiff_t adj;
    } raw;
    static_assert(sizeof(F) == sizeof(Raw));
    std::memcpy(&raw, &f, sizeof raw);
    EXPECT_EQ(raw.ptr % sizeof(void*), 1u) << "not a virtual function";
    return static_cast<long>((raw.ptr - 1) / sizeof(void*));
}

// The destructor takes two entries (complete, deleting): operation slot s
// (s >= 1) is entry s + 1.
constexpr long Entry(long slot) { return slot + 1; }

} // namespace

TEST(PluginLayout, DrawInterfaceSlotOrder) {
    EXPECT_EQ(SlotOf(&ITevDraw::Initialize), Entry(1));
    EXPECT_EQ(SlotOf(&ITevDraw::Finalize), Entry(2));
    EXPECT_EQ(SlotOf(&ITevDraw::OnEvent), Entry(3));
    EXPECT_EQ(SlotOf(&ITevDraw::InitializeAfterUser), Entry(4));
    EXPECT_EQ(SlotOf(&ITevDraw::BeginFrame), Entry(5));
    EXPECT_EQ(SlotOf(&ITevDraw::EndFrame), Entry(6));
    EXPECT_EQ(SlotOf(&ITevDraw::Idle), Entry(7));
    EXPECT_EQ(SlotOf(&ITevDraw::SetScreenSize), Entry(8));
    EXPECT_EQ(SlotOf(&ITevDraw::SetFullScreen), Entry(9));
    EXPECT_EQ(SlotOf(&ITevDraw::SetCustomSizeFullScreen), Entry(10));
    EXPECT_EQ(SlotOf(&ITevDraw::SetDepth32), Entry(11));
    EXPECT_EQ(SlotOf(&ITevDraw::CreateBlankTexture), Entry(12));
    EXPECT_EQ(SlotOf(&ITevDraw::CreateTextureFromPack), Entry(13));
    EXPECT_EQ(SlotOf(&ITevDraw::CreateTexture), Entry(14));
    EXPECT_EQ(SlotOf(&ITevDraw::ReleaseTexture), Entry(15));
    EXPECT_EQ(SlotOf(&ITevDraw::GetTextureSize), Entry(16));
    EXPECT_EQ(SlotOf(&ITevDraw::CreateTextureBG), Entry(17));
    EXPECT_EQ(SlotOf(&ITevDraw::IsTextureLoading), Entry(18));
    EXPECT_EQ(SlotOf(&ITevDraw::IsTextureReady), Entry(19));
    EXPECT_EQ(SlotOf(&ITevDraw::SetTextureColors), Entry(20));
    EXPECT_EQ(SlotOf(&ITevDraw::SetTextureColor), Entry(21));
    EXPECT_EQ(SlotOf(&ITevDraw::SetRenderState), Entry(22));
    EXPECT_EQ(SlotOf(&ITevDraw::SetBlendMode), Entry(23));
    EXPECT_EQ(SlotOf(&ITevDraw::NoOperation), Entry(24));
    EXPECT_EQ(SlotOf(&ITevDraw::SaveScreenshot), Entry(25));
    EXPECT_EQ(SlotOf(&ITevDraw::Clear), Entry(26));
    EXPECT_EQ(SlotOf(&ITevDraw::SetClearColor), Entry(27));
    EXPECT_EQ(SlotOf(&ITevDraw::EndRenderToTexture), Entry(28));
    EXPECT_EQ(SlotOf(&ITevDraw::BeginRenderToTexture), Entry(29));
    EXPECT_EQ(SlotOf(&ITevDraw::PrintText), Entry(30));
    EXPECT_EQ(SlotOf(&ITevDraw::SetTextColor), Entry(31));
    EXPECT_EQ(SlotOf(&ITevDraw::CanRenderToTexture), Entry(32));
    EXPECT_EQ(SlotOf(&ITevDraw::SetPresentEnabled), Entry(33));
    EXPECT_EQ(SlotOf(&ITevDraw::SetTextureFolder), Entry(34));
    EXPECT_EQ(SlotOf(&ITevDraw::SetSamplerState), Entry(35));
    EXPECT_EQ(SlotOf(&ITevDraw::SaveTexture), Entry(36));
}

TEST(PluginLayout, DrawerSlotOrder) {
    EXPECT_EQ(SlotOf(&ITevDraw2d::Draw), Entry(1));
    EXPECT_EQ(SlotOf(&ITevDraw2d::DrawCenter), Entry(2));
    EXPECT_EQ(SlotOf(&ITevDraw2d::DrawStretch), Entry(3));
    EXPECT_EQ(SlotOf(&ITevDraw2d::DrawStretchCenter), Entry(4));
    EXPECT_EQ(SlotOf(&ITevDraw2d::DrawRotate), Entry(5));
    EXPECT_EQ(SlotOf(&ITevDraw2d::DrawTransform), Entry(6));
    EXPECT_EQ(SlotOf(&ITevDraw2d::BeginStrip), Entry(7));
    EXPECT_EQ(SlotOf(&ITevDraw2d::BeginStripTextured), Entry(8));
    EXPECT_EQ(SlotOf(&ITevDraw2d::AddStripVertex), Entry(9));
    EXPECT_EQ(SlotOf(&ITevDraw2d::AddStripVertexUV), Entry(10));
    EXPECT_EQ(SlotOf(&ITevDraw2d::EndStrip), Entry(11));
    EXPECT_EQ(SlotOf(&ITevDraw2d::FillRectColors), Entry(12));
    EXPECT_EQ(SlotOf(&ITevDraw2d::FillRect), Entry(13));
    EXPECT_EQ(SlotOf(&ITevDraw2d::FillRectCenterColors), Entry(14));
    EXPECT_EQ(SlotOf(&ITevDraw2d::FillRectCenter), Entry(15));
    EXPECT_EQ(SlotOf(&ITevDraw2d::DrawLineColors), Entry(16));
    EXPECT_EQ(SlotOf(&ITevDraw2d::DrawLine), Entry(17));
    EXPECT_EQ(SlotOf(&ITevDraw2d::FillTriangleColors), Entry(18));
    EXPECT_EQ(SlotOf(&ITevDraw2d::FillTriangle), Entry(19));
    EXPECT_EQ(SlotOf(&ITevDraw2d::SetBlendMode), Entry(20));
    EXPECT_EQ(SlotOf(&ITevDraw2d::SetClearColor), Entry(21));
}

TEST(PluginLayout, FontSlotOrder) {
    EXPECT_EQ(SlotOf(&ITevFont::DrawText), Entry(1));
    EXPECT_EQ(SlotOf(&ITevFont::DrawTextColor), Entry(2));
    EXPECT_EQ(SlotOf(&ITevFont::Printf), Entry(3));
    EXPECT_EQ(SlotOf(&ITevFont::SetColor), Entry(4));
    EXPECT_EQ(SlotOf(&ITevFont::SetFontName), Entry(5));
    EXPECT_EQ(SlotOf(&ITevFont::ChangeFont), Entry(6));
    EXPECT_EQ(SlotOf(&ITevFont::GetFontName), Entry(7));
    EXPECT_EQ(SlotOf(&ITevFont::SetFontSize), Entry(8));
    EXPECT_EQ(SlotOf(&ITevFont::ApplyFont), Entry(9));
    EXPECT_EQ(SlotOf(&ITevFont::ResetFont), Entry(10));
    EXPECT_EQ(SlotOf(&ITevFont::SetTextArea), Entry(11));
    EXPECT_EQ(SlotOf(&ITevFont::Begin), Entry(12));
    EXPECT_EQ(SlotOf(&ITevFont::End), Entry(13));
}

TEST(PluginLayout, DrawerAndFontAreReachedAtFixedOffsets) {
    // A plug-in sees ITevDraw only: virtual table, the log base's file
    // name, then the references to the drawer and the font.
    EXPECT_EQ(sizeof(CTevDebugOut), 2 * sizeof(void*));
    EXPECT_EQ(sizeof(ITevDraw), 4 * sizeof(void*));
    CTevDxDraw draw;
    ITevDraw* seen = &draw;
    auto at = [&](size_t offset) {
        void* p;
        std::memcpy(&p, reinterpret_cast<const char*>(seen) + offset, sizeof p);
        return p;
    };
    EXPECT_EQ(at(2 * sizeof(void*)), static_cast<void*>(static_cast<ITevDraw2d*>(&draw.Drawer())));
    EXPECT_EQ(at(3 * sizeof(void*)), static_cast<void*>(static_cast<ITevFont*>(&draw.Font())));
    EXPECT_EQ(&seen->draw2d, &draw.Drawer());
    EXPECT_EQ(&seen->font, &draw.Font());
    // The draw object is what the service block's first entry points at.
    ITevModule* block0 = &draw;
    EXPECT_EQ(static_cast<void*>(block0), static_cast<void*>(seen));
    // The vertex the strip keeps is the 28-byte pre-transformed format.
    EXPECT_EQ(sizeof(platform::raster::Vertex), 28u);
}
