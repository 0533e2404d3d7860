// The draw service as the launcher and plug-ins use it, on the null window.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/pack_writer.h"
#include "bmp_builder.h"
#include "draw/tev_dx_draw.h"
#include "platform/backend.h"
#include "platform/image/image_codec.h"
#include "platform/run_options.h"

using platform::raster::Vertex;
using namespace bmptest;

namespace {

class DrawService : public ::testing::Test {
protected:
    void SetUp() override {
        platform::SelectBackends(platform::BackendKind::Null);
        m_old = std::filesystem::current_path();
        m_dir = std::filesystem::temp_directory_path() /
                ("tev_draw_test_" + std::to_string(getpid()) + "_" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(m_dir);
        std::filesystem::create_directories(m_dir);
        std::filesystem::current_path(m_dir);
        CTevDebugOut log;
        log.Init();
        draw = std::make_unique<CTevDxDraw>();
        draw->SetScreenSize(320, 240);
        draw->Initialize(nullptr);
    }
    void TearDown() override {
        draw.reset();
        std::filesystem::current_path(m_old);
        std::filesystem::remove_all(m_dir);
    }
    void Ready() { draw->InitializeAfterUser(); }

    std::string LogText() {
        std::ifstream in("report.html", std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    bool Logged(const std::string& text) { return LogText().find(text) != std::string::npos; }

    platform::raster::Surface& Back() { return draw->Graphics().Device()->BackBuffer(); }
    uint32_t Pixel(int x, int y) { return Back().At(x, y); }
    const Vertex* Last() { return draw->Drawer().LastVertices(); }

    // A w x h 24-bit picture where pixel (x, y) is 0xFF000000 | x << 8 | y.
    void WriteCoordBmp(const std::string& name, int w, int h) {
        std::vector<uint32_t> px(static_cast<size_t>(w) * h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) px[static_cast<size_t>(y) * w + x] = 0xFF000000u | (x << 8) | y;
        ASSERT_TRUE(WriteFile(name, Bmp24(w, h, px)));
    }

    std::unique_ptr<CTevDxDraw> draw;
    std::filesystem::path m_old, m_dir;
};

void ExpectVertex(const Vertex& v, float x, float y, const char* what) {
    EXPECT_NEAR(v.x, x, 1e-3) << what;
    EXPECT_NEAR(v.y, y, 1e-3) << what;
}

} // namespace

TEST_F(DrawService, WithoutADeviceLoadersFailAndDrawingDoesNothing) {
    EXPECT_EQ(draw->SetBlendMode(0), -1);
    EXPECT_EQ(draw->CreateTexture(0, "x.bmp", 0), -1);
    EXPECT_TRUE(Logged(": Inited() Error"));
    EXPECT_EQ(draw->CreateBlankTexture(0, 8, 8, 0), -1);
    EXPECT_EQ(draw->ReleaseTexture(0), -1);
    EXPECT_EQ(draw->SetRenderState(27, 0), -1);
    EXPECT_EQ(draw->Clear(), 0);
    EXPECT_EQ(draw->draw2d.FillRect(0, 0, 10, 10, 0xFFFFFFFFu), 0);
    EXPECT_EQ(draw->draw2d.Draw(0, 0, 0, 0, 0, 8, 8, 0), 0);
    EXPECT_EQ(draw->SaveScreenshot("s.bmp"), 0);
    EXPECT_FALSE(std::filesystem::exists("s.bmp"));
    EXPECT_TRUE(draw->BeginFrame());
    EXPECT_TRUE(draw->EndFrame());
}

TEST_F(DrawService, DeviceCreationLogAndSettings) {
    Ready();
    EXPECT_EQ(draw->Graphics().state, CTevDxDrawGraphics::kReady);
    EXPECT_EQ(Back().Width(), 320);
    EXPECT_EQ(Back().Height(), 240);
    EXPECT_TRUE(draw->CanRenderToTexture());
    for (const char* line : {"D3DDISPLAYMODE: Width=", ": CPU Information", "CPU Vender: ", "MMX: ", ": OS : [ ",
                             ": VGA Information", ": CreateDevice Succeeded.",
                             ": CheckDeviceFormat Succeeded. Can Use Texture for RenderTarget."})
        EXPECT_TRUE(Logged(line)) << line;
    int w, h;
    CTevDxDrawGraphics::StandardBackBufferSize(300, 200, w, h);
    EXPECT_EQ(w * 1000 + h, 320240);
    CTevDxDrawGraphics::StandardBackBufferSize(1025, 10, w, h);
    EXPECT_EQ(w * 1000 + h, 1200900);
    CTevDxDrawGraphics::StandardBackBufferSize(640, 481, w, h);
    EXPECT_EQ(w * 1000 + h, 800600);
    EXPECT_EQ(draw->SetSamplerState(5, 2), 0);
    EXPECT_EQ(draw->Graphics().Device()->GetSamplerState(platform::raster::samp::MagFilter), 1u);
    EXPECT_EQ(draw->SetSamplerState(2, 2), 0);
    EXPECT_EQ(draw->Graphics().Device()->GetSamplerState(platform::raster::samp::MagFilter), 2u);
}

TEST_F(DrawService, QuadVertexListsFollowTheHalfPixelRules) {
    Ready();
    WriteCoordBmp("s.bmp", 64, 32);
    ASSERT_EQ(draw->CreateTexture(1, "s.bmp", 0), 0);
    CTevDxDraw2d& d = draw->Drawer();
    d.Draw(1, 100, 50, 16, 8, 32, 16, 0);
    ExpectVertex(Last()[0], 99.5f, 49.5f, "draw tl");
    ExpectVertex(Last()[1], 131.5f, 49.5f, "draw tr");
    ExpectVertex(Last()[2], 99.5f, 65.5f, "draw bl");
    ExpectVertex(Last()[3], 131.5f, 65.5f, "draw br");
    EXPECT_FLOAT_EQ(Last()[0].u, 0.25f);
    EXPECT_FLOAT_EQ(Last()[0].v, 0.25f);
    EXPECT_FLOAT_EQ(Last()[3].u, 0.75f);
    EXPECT_FLOAT_EQ(Last()[3].v, 0.75f);
    d.Draw(1, 100, 50, 16, 8, 32, 16, 3);
    EXPECT_FLOAT_EQ(Last()[0].u, 0.75f);
    EXPECT_FLOAT_EQ(Last()[0].v, 0.75f);
    EXPECT_FLOAT_EQ(Last()[1].u, 0.25f);
    EXPECT_FLOAT_EQ(Last()[2].v, 0.25f);
    d.DrawCenter(1, 100, 50, 16, 8, 32, 16, 0);
    ExpectVertex(Last()[0], 83.5f, 41.5f, "center tl");
    ExpectVertex(Last()[3], 115.5f, 57.5f, "center br");
    d.FillRectCenterColors(100, 50, 20, 10, 1, 2, 3, 4);
    ExpectVertex(Last()[0], 89.5f, 44.5f, "fill center tl");
    ExpectVertex(Last()[3], 109.5f, 54.5f, "fill center br");
    EXPECT_EQ(Last()[2].color, 3u);
    d.FillTriangleColors(0, 0, 10, 0, 0, 10, 5, 6, 7);
    EXPECT_EQ(d.LastVertexCount(), 3);
    ExpectVertex(Last()[0], -0.5f, -0.5f, "tri 0");
    ExpectVertex(Last()[1], 9.5f, -0.5f, "tri 1");
    ExpectVertex(Last()[2], -0.5f, 9.5f, "tri 2");
    d.DrawRotate(1, 100, 50, 40, 20, 0, 0, 64, 32, 0.0, 0);
    ExpectVertex(Last()[0], 79.5f, 39.5f, "rot0 tl");
    ExpectVertex(Last()[3], 119.5f, 59.5f, "rot0 br");
    d.DrawRotate(1, 100, 50, 40, 20, 0, 0, 64, 32, M_PI / 2, 0);
    ExpectVertex(Last()[0], 109.5f, 29.5f, "rot90 tl");
    ExpectVertex(Last()[1], 109.5f, 69.5f, "rot90 tr");
    ExpectVertex(Last()[2], 89.5f, 29.5f, "rot90 bl");
    ExpectVertex(Last()[3], 89.5f, 69.5f, "rot90 br");
    TevMatrix m{};
    m.m[0][0] = m.m[1][1] = m.m[2][2] = m.m[3][3] = 1;
    m.m[3][0] = 30;
    m.m[3][1] = 40;
    d.DrawTransform(1, 999, -999, 0, 0, 32, 16, m, 0);
    ExpectVertex(Last()[0], 30, 40, "xf 0");
    ExpectVertex(Last()[1], 62, 40, "xf 1");
    ExpectVertex(Last()[2], 30, 56, "xf 2");
    ExpectVertex(Last()[3], 62, 56, "xf 3");
    EXPECT_EQ(d.Draw(300, 0, 0, 0, 0, 1, 1, 0), -1);
    EXPECT_EQ(d.DrawRotate(32, 0, 0, 1, 1, 0, 0, 1, 1, 0, 0), -1);
}

TEST_F(DrawService, ThickLines) {
    Ready();
    CTevDxDraw2d& d = draw->Drawer();
    d.DrawLineColors(10, 10, 20, 20, 4, 1, 2, 3, 4);
    ExpectVertex(Last()[0], 10.914f, 8.086f, "line 0");
    ExpectVertex(Last()[1], 20.914f, 18.086f, "line 1");
    ExpectVertex(Last()[2], 8.086f, 10.914f, "line 2");
    ExpectVertex(Last()[3], 18.086f, 20.914f, "line 3");
    // Horizontal, width 2 given as 258 (low byte): x -0.5 ... 9.5, y -1.5 ... 0.5.
    d.DrawLine(0, 0, 10, 0, 258, 0xFFFFFFFFu);
    float minX = 1e9f, maxX = -1e9f, minY = 1e9f, maxY = -1e9f;
    for (int i = 0; i < 4; ++i) {
        minX = std::min(minX, Last()[i].x);
        maxX = std::max(maxX, Last()[i].x);
        minY = std::min(minY, Last()[i].y);
        maxY = std::max(maxY, Last()[i].y);
    }
    EXPECT_NEAR(minX, -0.5f, 1e-4);
    EXPECT_NEAR(maxX, 9.5f, 1e-4);
    EXPECT_NEAR(minY, -1.5f, 1e-4);
    EXPECT_NEAR(maxY, 0.5f, 1e-4);
    // That line lights rows -1 and 0 of columns 0 ... 9: on screen, row 0.
    int lit = 0;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 16; ++x) lit += Pixel(x, y) != 0;
    EXPECT_EQ(lit, 10);
    draw->Clear();
    d.DrawLine(5, 5, 5, 5, 3, 0xFFFFFFFFu);   // zero length: nothing
    int any = 0;
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 12; ++x) any += Pixel(x, y) != 0;
    EXPECT_EQ(any, 0);
}

TEST_F(DrawService, StripsKeepTheirVerticesAndLimit) {
    Ready();
    CTevDxDraw2d& d = draw->Drawer();
    d.BeginStrip();
    d.AddStripVertex(10, 10, 0xFFFFFFFFu);
    EXPECT_FLOAT_EQ(d.m_strip[0].x, 10.0f);
    d.AddStripVertexUV(10, 10, 4, 4, 0xFFFFFFFFu);
    EXPECT_FLOAT_EQ(d.m_strip[1].x, 9.5f);
    EXPECT_FLOAT_EQ(d.m_strip[1].u, 0.0f);   // no strip texture
    WriteCoordBmp("s.bmp", 8, 4);
    draw->CreateTexture(2, "s.bmp", 0);
    d.BeginStripTextured(258);   // slot 2
    d.AddStripVertexUV(0, 0, 4, 2, 0xFFFFFFFFu);
    EXPECT_FLOAT_EQ(d.m_strip[0].u, 0.5f);
    EXPECT_FLOAT_EQ(d.m_strip[0].v, 0.5f);
    d.BeginStrip();
    for (int i = 0; i < kTevStripMax; ++i) ASSERT_EQ(d.AddStripVertex((i % 2) * 300, i / 2 % 200, 0xFF0000FFu), 0);
    EXPECT_EQ(d.AddStripVertex(0, 0, 0), -1);
    EXPECT_EQ(d.StripCount(), kTevStripMax);
    uint64_t before = draw->Graphics().Device()->PixelsDrawn();
    d.EndStrip();
    uint64_t once = draw->Graphics().Device()->PixelsDrawn() - before;
    EXPECT_GT(once, 0u);
    d.EndStrip();   // the count is kept: the same strip again
    EXPECT_EQ(draw->Graphics().Device()->PixelsDrawn() - before, 2 * once);
    d.BeginStrip();
    d.AddStripVertex(0, 0, 0xFFFFFFFFu);
    d.AddStripVertex(50, 0, 0xFFFFFFFFu);
    before = draw->Graphics().Device()->PixelsDrawn();
    d.EndStrip();   // two vertices: nothing
    EXPECT_EQ(draw->Graphics().Device()->PixelsDrawn(), before);
}

TEST_F(DrawService, SpritesCopyPicturePixelsExactly) {
    Ready();
    draw->SetBlendMode(0);
    WriteCoordBmp("c.bmp", 100, 50);   // not a power of two
    ASSERT_EQ(draw->CreateTexture(4, "c.bmp", 0), 0);
    ASSERT_EQ(draw->IsTextureReady(4), 1);
    int w = 0, h = 0;
    draw->GetTextureSize(4, &w, &h);
    EXPECT_EQ(w, 100);
    EXPECT_EQ(h, 50);
    EXPECT_EQ(draw->Graphics().slots[4].textureWidth, 128);
    draw->draw2d.Draw(4, 20, 30, 37, 11, 40, 25, 0);
    for (int y = 0; y < 25; ++y)
        for (int x = 0; x < 40; ++x)
            ASSERT_EQ(Pixel(20 + x, 30 + y), 0xFF000000u | ((37 + x) << 8) | (11 + y)) << x << "," << y;
    EXPECT_EQ(Pixel(19, 30), 0u);
    EXPECT_EQ(Pixel(60, 30), 0u);
    EXPECT_EQ(Pixel(20, 55), 0u);
    // Mirrored left-right.
    draw->Clear();
    draw->draw2d.Draw(4, 0, 0, 10, 0, 5, 1, 1);
    for (int x = 0; x < 5; ++x) EXPECT_EQ(Pixel(x, 0), 0xFF000000u | ((14 - x) << 8)) << x;
    // Stretched twice: every texel covers 2 x 2 pixels.
    draw->Clear();
    draw->draw2d.DrawStretch(4, 0, 0, 8, 8, 2, 3, 4, 4, 0);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) ASSERT_EQ(Pixel(x, y), 0xFF000000u | ((2 + x / 2) << 8) | (3 + y / 2));
}

TEST_F(DrawService, NonSquarePngAddressesItsOwnPixels) {
    Ready();
    draw->SetBlendMode(0);
    std::vector<uint32_t> px(300 * 200);
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 300; ++x) px[y * 300 + x] = 0xFF000000u | ((x & 0xFF) << 8) | (y & 0xFF) | 0x10000u;
    ASSERT_TRUE(platform::image::WritePng("p.png", px.data(), 300, 200, 300, false));
    ASSERT_EQ(draw->CreateTexture(6, "p.png", 0), 0);
    int w = 0, h = 0;
    draw->GetTextureSize(6, &w, &h);
    EXPECT_EQ(w * 1000 + h, 300200);
    EXPECT_EQ(draw->Graphics().slots[6].textureWidth, 300);
    EXPECT_EQ(draw->Graphics().slots[6].textureHeight, 300);
    EXPECT_EQ(draw->Graphics().slots[6].truncColor, 0xFF000000u);
    draw->draw2d.Draw(6, 0, 0, 250, 150, 10, 10, 0);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) ASSERT_EQ(Pixel(x, y), px[(150 + y) * 300 + 250 + x]);
}

TEST_F(DrawService, ColourKeys) {
    Ready();
    draw->SetBlendMode(0);
    // Magenta top-left; one more magenta and a black pixel elsewhere.
    std::vector<uint32_t> px = {0xFFFF00FFu, 0xFF00FF00u, 0xFF000000u, 0xFFFF00FFu};
    ASSERT_TRUE(WriteFile("k.bmp", Bmp24(2, 2, px)));
    ASSERT_EQ(draw->CreateTexture(0, "k.bmp", 0x00FFFFFFu), 0);
    EXPECT_TRUE(Logged(": TruncColor 0xFFFF00FF"));
    EXPECT_EQ(draw->Graphics().slots[0].truncColor, 0xFFFF00FFu);
    auto tex = draw->Graphics().TextureOf(0);
    ASSERT_TRUE(tex);
    EXPECT_EQ(tex->At(0, 0), 0u);
    EXPECT_EQ(tex->At(1, 0), 0xFF00FF00u);
    EXPECT_EQ(tex->At(0, 1), 0xFF000000u);
    EXPECT_EQ(tex->At(1, 1), 0u);
    // An explicit key: opaque black.
    ASSERT_EQ(draw->CreateTexture(0, "k.bmp", 0xFF000000u), 0);
    tex = draw->Graphics().TextureOf(0);
    EXPECT_EQ(tex->At(0, 0), 0xFFFF00FFu);
    EXPECT_EQ(tex->At(0, 1), 0u);
    // A key without alpha matches no BMP pixel.
    ASSERT_EQ(draw->CreateTexture(0, "k.bmp", 0x00FF00FFu), 0);
    EXPECT_EQ(draw->Graphics().TextureOf(0)->At(0, 0), 0xFFFF00FFu);
    // Key 0: nothing is transparent and no TruncColor line.
    const size_t lines = LogText().size();
    ASSERT_EQ(draw->CreateTexture(0, "k.bmp", 0), 0);
    EXPECT_EQ(LogText().find("TruncColor", lines), std::string::npos);
    // PNG: opaque black becomes transparent whatever the argument.
    ASSERT_TRUE(platform::image::WritePng("k.png", px.data(), 2, 2, 2, false));
    ASSERT_EQ(draw->CreateTexture(1, "k.png", 0), 0);
    tex = draw->Graphics().TextureOf(1);
    EXPECT_EQ(tex->At(0, 1), 0u);
    EXPECT_EQ(tex->At(0, 0), 0xFFFF00FFu);
}

TEST_F(DrawService, NamesFoldersAndFailures) {
    Ready();
    WriteCoordBmp("a.BMP", 4, 4);
    EXPECT_EQ(draw->CreateTexture(3, "a.BMP", 0), 0);
    EXPECT_TRUE(Logged(": Succeeded. tex[3] texfile a.BMP"));
    EXPECT_EQ(draw->IsTextureReady(3), 0);

    std::filesystem::create_directories("img");
    WriteCoordBmp("img/x.bmp", 4, 4);
    draw->SetTextureFolder("img/");
    EXPECT_EQ(draw->CreateTexture(3, "x.bmp", 0), 0);
    EXPECT_EQ(draw->IsTextureReady(3), 1);
    EXPECT_TRUE(Logged(": Succeeded. tex[3] texfile img/x.bmp"));
    draw->SetTextureFolder("img");
    EXPECT_EQ(draw->CreateTexture(3, "x.bmp", 0), 0);
    EXPECT_EQ(draw->IsTextureReady(3), 0);
    EXPECT_TRUE(Logged(": Failed. tex[3] texfile imgx.bmp"));
    EXPECT_TRUE(Logged(": Open Error"));
    draw->SetTextureFolder("");

    // Not a BMP inside, a PNG name without the signature, a broken PNG body.
    std::ofstream("n.bmp") << "hello, not a picture";
    EXPECT_EQ(draw->CreateTexture(3, "n.bmp", 0), 0);
    EXPECT_TRUE(Logged(": Not Bitmap"));
    std::ofstream("n.png") << "this file is long enough but is no PNG at all";
    const size_t before = LogText().size();
    EXPECT_EQ(draw->CreateTexture(3, "n.png", 0), 0);
    std::string tail = LogText().substr(before);
    EXPECT_NE(tail.find(": Failed. tex[3] texfile n.png"), std::string::npos);
    EXPECT_EQ(tail.find("D3DX"), std::string::npos);
    std::vector<unsigned char> png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    png.resize(40, 0x55);
    ASSERT_TRUE(WriteFile("b.png", png));
    EXPECT_EQ(draw->CreateTexture(3, "b.png", 0), 0);
    EXPECT_TRUE(Logged(": D3DXERR_INVALIDDATA"));
    EXPECT_EQ(draw->IsTextureReady(3), 0);

    EXPECT_EQ(draw->CreateTexture(32, "x.bmp", 0), -1);
    EXPECT_TRUE(Logged(": TextureNumber Error"));
    EXPECT_EQ(draw->CreateTexture(300, "x.bmp", 0), -1);
    EXPECT_EQ(draw->SetTextureColor(300, 0), -1);
    EXPECT_EQ(draw->IsTextureReady(300), 0);
    int w = 7;
    EXPECT_EQ(draw->GetTextureSize(300, &w, nullptr), 0);
    EXPECT_EQ(w, 7);
    EXPECT_EQ(draw->GetTextureSize(3, nullptr, nullptr), 0);
}

TEST_F(DrawService, BlankTexturesAndRenderToTexture) {
    Ready();
    ASSERT_EQ(draw->CreateBlankTexture(0, 200, 100, 0), 0);
    int w = 0, h = 0;
    draw->GetTextureSize(0, &w, &h);
    EXPECT_EQ(w * 1000 + h, 256256);
    EXPECT_TRUE(Logged(": Succeeded. tex[0] is blank texture, 0x0 trunc"));
    EXPECT_EQ(CTevDxDrawGraphics::TextureSide(1), 2);
    EXPECT_EQ(CTevDxDrawGraphics::TextureSide(3), 4);
    EXPECT_EQ(CTevDxDrawGraphics::TextureSide(8192), 8192);
    EXPECT_EQ(CTevDxDrawGraphics::TextureSide(9000), 9000);
    EXPECT_EQ(draw->CreateBlankTexture(1, 100000, 4, 0), -1);

    // Draw into an empty slot (made 1024 x 1024), then use it as a sprite.
    draw->SetClearColor(0xFF000080u);
    EXPECT_EQ(draw->BeginRenderToTexture(9), 0);
    draw->GetTextureSize(9, &w, &h);
    EXPECT_EQ(w * 10000 + h, 10241024);
    draw->Clear();
    draw->SetBlendMode(0);
    draw->draw2d.FillRect(2, 2, 4, 4, 0xFFFF0000u);
    EXPECT_EQ(draw->EndRenderToTexture(), 0);
    EXPECT_EQ(Pixel(3, 3), 0u);   // the back buffer was not touched
    draw->draw2d.Draw(9, 100, 100, 0, 0, 8, 8, 0);
    EXPECT_EQ(Pixel(100, 100), 0xFF000080u);
    EXPECT_EQ(Pixel(103, 103), 0xFFFF0000u);
    // Releasing the slot that is the target keeps drawing safe.
    draw->BeginRenderToTexture(9);
    draw->ReleaseTexture(9);
    draw->draw2d.FillRect(0, 0, 4, 4, 0xFFFFFFFFu);
    draw->EndRenderToTexture();
    EXPECT_EQ(draw->IsTextureReady(9), 0);

    // Saving pictures.
    draw->SaveScreenshot("shot.bmp");
    std::vector<unsigned char> bytes;
    ASSERT_TRUE(platform::image::ReadFile("shot.bmp", bytes));
    platform::image::Image img;
    ASSERT_TRUE(platform::image::DecodeBmp(bytes.data(), bytes.size(), img));
    EXPECT_EQ(img.width * 1000 + img.height, 320240);
    EXPECT_EQ(img.pixels[103 * 320 + 103], 0xFFFF0000u);
    draw->SaveTexture(0, "tex.bmp");
    ASSERT_TRUE(platform::image::ReadFile("tex.bmp", bytes));
    ASSERT_TRUE(platform::image::DecodeBmp(bytes.data(), bytes.size(), img));
    EXPECT_EQ(img.width, 256);
}

TEST_F(DrawService, BlendModesAndCornerColours) {
    Ready();
    ASSERT_TRUE(WriteFile("w.bmp", Bmp24(2, 2, std::vector<uint32_t>(4, 0xFFFFFFFFu))));
    draw->CreateTexture(5, "w.bmp", 0);
    draw->SetTextureColor(5, 0x80FFFFFFu);
    auto drawOn = [&](int mode, uint32_t background) {
        draw->SetClearColor(background);
        draw->Clear();
        EXPECT_EQ(draw->SetBlendMode(mode), 0);
        draw->draw2d.Draw(5, 0, 0, 0, 0, 2, 2, 0);
        return Pixel(0, 0) & 0x00FFFFFFu;
    };
    EXPECT_EQ(drawOn(1, 0xFF000000u), 0x808080u);   // half transparent
    EXPECT_EQ(drawOn(3, 0xFF000000u), 0x808080u);   // bit 0 wins
    EXPECT_EQ(drawOn(6, 0xFF404040u), 0xC0C0C0u);   // bit 1: additive
    EXPECT_EQ(drawOn(2, 0xFF404040u), 0xC0C0C0u);
    EXPECT_EQ(drawOn(4, 0xFF808080u), 0x000000u);   // darken by white
    EXPECT_EQ(drawOn(0, 0xFF000000u), 0xFFFFFFu);   // opaque
    // The setting belongs to the slot: a new picture keeps it.
    ASSERT_TRUE(WriteFile("w2.bmp", Bmp24(1, 1, {0xFFFFFFFFu})));
    draw->CreateTexture(5, "w2.bmp", 0);
    EXPECT_EQ(draw->Graphics().slots[5].colors[0], 0x80FFFFFFu);
    EXPECT_EQ(drawOn(1, 0xFF000000u), 0x808080u);
    // A slot whose load failed draws its corner colours.
    draw->CreateTexture(5, "missing.bmp", 0);
    draw->SetTextureColors(5, 0xFF00FF00u, 0xFF00FF00u, 0xFF00FF00u, 0xFF00FF00u);
    EXPECT_EQ(drawOn(0, 0xFF000000u), 0x00FF00u);
    // The drawer's own blend mode and clear colour.
    draw->draw2d.SetBlendMode(2);
    EXPECT_EQ(draw->Graphics().Device()->GetRenderState(platform::raster::rs::DestBlend),
              platform::raster::blend::One);
    draw->draw2d.SetClearColor(0xFF123456u);
    draw->Clear();
    EXPECT_EQ(Pixel(5, 5), 0xFF123456u);
}

TEST_F(DrawService, PackedPictures) {
    Ready();
    std::vector<uint32_t> px(4 * 4, 0xFF00FF00u);
    px[0] = 0xFFFF0000u;
    std::vector<unsigned char> bmp = Bmp24(4, 4, px);
    std::string error;
    ASSERT_TRUE(WritePack({{"packed.bmp", std::vector<uint8_t>(bmp.begin(), bmp.end())}}, 0, 1234, "pack", error))
        << error;
    EXPECT_EQ(draw->CreateTextureFromPack(7, "packed.bmp", 0x00FFFFFFu, 1234), 0);
    EXPECT_EQ(draw->IsTextureReady(7), 1);
    EXPECT_TRUE(Logged(": Succeeded. / tex[7] texfile packed.bmp"));
    auto tex = draw->Graphics().TextureOf(7);
    EXPECT_EQ(tex->At(0, 0), 0u);   // the key from its top-left pixel
    EXPECT_EQ(tex->At(1, 0), 0xFF00FF00u);
    EXPECT_EQ(draw->CreateTextureFromPack(7, "absent.bmp", 0, 1234), 0);
    EXPECT_TRUE(Logged(": Failed. / absent.bmp not found"));
    EXPECT_EQ(draw->IsTextureReady(7), 0);
    // On disk wins over the pack; an empty file is reported.
    WriteCoordBmp("disk.bmp", 3, 3);
    EXPECT_EQ(draw->CreateTextureFromPack(7, "disk.bmp", 0, 1234), 0);
    EXPECT_EQ(draw->IsTextureReady(7), 1);
    std::ofstream("empty.bmp").close();
    EXPECT_EQ(draw->CreateTextureFromPack(7, "empty.bmp", 0, 1234), 0);
    EXPECT_TRUE(Logged(": Faild filesize = 0 ? / tex[7] texfile empty.bmp"));
    EXPECT_EQ(draw->CreateTextureFromPack(40, "disk.bmp", 0, 1234), -1);
}

TEST_F(DrawService, BackgroundLoads) {
    Ready();
    WriteCoordBmp("bg.bmp", 64, 64);
    EXPECT_EQ(draw->CreateTextureBG(8, "bg.bmp", 0), 0);
    EXPECT_EQ(draw->CreateTextureBG(8, "bg.bmp", 0), 1);   // still held until EndFrame reaps it
    for (int i = 0; i < 2000 && draw->IsTextureLoading(8); ++i)
        usleep(5000);
    ASSERT_EQ(draw->IsTextureLoading(8), 0);
    EXPECT_EQ(draw->IsTextureReady(8), 1);
    EXPECT_EQ(draw->CreateTextureBG(8, "bg.bmp", 0), 1);   // finished, not yet reaped
    draw->BeginFrame();
    draw->EndFrame();
    EXPECT_TRUE(Logged(": Succeeded. tex[8] texfile bg.bmp"));   // written by the main thread
    int w = 0, h = 0;
    draw->GetTextureSize(8, &w, &h);
    EXPECT_EQ(w, 64);
    EXPECT_EQ(draw->CreateTextureBG(40, "bg.bmp", 0), -1);

    // Release while loading: the loader is waited for or its work dropped.
    WriteCoordBmp("big.bmp", 1500, 1000);
    for (int round = 0; round < 3; ++round) {
        EXPECT_EQ(draw->CreateTextureBG(10, "big.bmp", 0), 0);
        EXPECT_EQ(draw->ReleaseTexture(10), 0);
        EXPECT_EQ(draw->IsTextureLoading(10), 0);
        EXPECT_EQ(draw->IsTextureReady(10), 0);
    }
    // Several loaders at once, all reaped.
    for (int i = 11; i < 20; ++i) EXPECT_EQ(draw->CreateTextureBG(i, "bg.bmp", 0), 0);
    for (int k = 0; k < 2000; ++k) {
        bool busy = false;
        for (int i = 11; i < 20; ++i) busy |= draw->IsTextureLoading(i) != 0;
        if (!busy) break;
        usleep(5000);
    }
    draw->EndFrame();
    for (int i = 11; i < 20; ++i) {
        EXPECT_EQ(draw->IsTextureReady(i), 1) << i;
        EXPECT_EQ(draw->CreateTextureBG(i, "missing.bmp", 0), 0) << i;
    }
    // Destroying the service with loaders in flight is clean too.
}

TEST_F(DrawService, FramesAreDumpedAtTheLogicalSize) {
    platform::RunOptions saved = platform::Options();
    platform::Options().dumpDir = (m_dir / "frames").string();
    platform::Options().dumpEvery = 2;
    Ready();
    for (int frame = 1; frame <= 5; ++frame) {
        draw->BeginFrame();
        draw->SetClearColor(0xFF000000u | frame);
        draw->Clear();
        draw->EndFrame();
    }
    draw->SetPresentEnabled(false);
    draw->BeginFrame();
    draw->EndFrame();   // not presented: not dumped
    platform::Options() = saved;
    EXPECT_EQ(draw->Graphics().DumpedFrames(), 2);
    EXPECT_FALSE(std::filesystem::exists(m_dir / "frames" / "frame-000001.png"));
    std::vector<unsigned char> bytes;
    ASSERT_TRUE(platform::image::ReadFile((m_dir / "frames" / "frame-000004.png").c_str(), bytes));
    platform::image::Image img;
    ASSERT_TRUE(platform::image::DecodePng(bytes.data(), bytes.size(), img));
    EXPECT_EQ(img.width * 1000 + img.height, 320240);
    EXPECT_EQ(img.pixels[0], 0xFF000004u);
    EXPECT_TRUE(std::filesystem::exists(m_dir / "frames" / "frame-000002.png"));
}

TEST_F(DrawService, CustomSizeFullScreenShowsTheScreenCentredUnscaled) {
    draw->SetScreenSize(300, 200);
    draw->SetFullScreen(true);
    draw->SetCustomSizeFullScreen(true);
    Ready();
    EXPECT_TRUE(Logged(": custom size fullscreen mode"));
    ASSERT_EQ(Back().Width() * 1000 + Back().Height(), 320240);
    draw->BeginFrame();
    draw->SetClearColor(0xFF0000FFu);
    draw->Clear();
    draw->SetBlendMode(0);
    draw->draw2d.FillRect(0, 0, 1, 1, 0xFFFF0000u);
    draw->EndFrame();
    const CTevDxDrawGraphics& g = draw->Graphics();
    ASSERT_EQ(g.LastPresentedWidth() * 1000 + g.LastPresentedHeight(), 320240);
    auto shown = [&](int x, int y) { return g.LastPresentedPixels()[y * 320 + x]; };
    EXPECT_EQ(shown(10, 20), 0xFFFF0000u);     // the screen's top-left pixel
    EXPECT_EQ(shown(11, 20), 0xFF0000FFu);
    EXPECT_EQ(shown(309, 219), 0xFF0000FFu);   // its bottom-right pixel
    EXPECT_EQ(shown(310, 219), 0xFF000000u);   // outside: black
    EXPECT_EQ(shown(9, 20), 0xFF000000u);
    EXPECT_EQ(shown(10, 220), 0xFF000000u);
    // Without the custom size the whole back buffer goes out as it is.
    CTevDxDraw plain;
    plain.SetScreenSize(320, 240);
    plain.Initialize(nullptr);
    plain.InitializeAfterUser();
    plain.BeginFrame();
    plain.EndFrame();
    EXPECT_EQ(plain.Graphics().LastPresentedPixels(), plain.Graphics().Device()->BackBuffer().Pixels());
}

TEST_F(DrawService, BackgroundLoadBeforeTheDeviceAndPackedPng) {
    EXPECT_EQ(draw->CreateTextureBG(2, "x.bmp", 0), 0);
    for (int i = 0; i < 2000 && draw->IsTextureLoading(2); ++i) usleep(5000);
    draw->EndFrame();
    EXPECT_TRUE(Logged(": Inited() Error"));
    EXPECT_EQ(draw->IsTextureReady(2), 0);
    Ready();
    std::vector<uint32_t> px = {0xFF000000u, 0xFF112233u};
    ASSERT_TRUE(platform::image::WritePng("p.png", px.data(), 2, 1, 2, false));
    std::vector<unsigned char> bytes;
    ASSERT_TRUE(platform::image::ReadFile("p.png", bytes));
    std::filesystem::remove("p.png");
    std::string error;
    ASSERT_TRUE(WritePack({{"p.png", std::vector<uint8_t>(bytes.begin(), bytes.end())}}, 0, 99, "pack", error));
    EXPECT_EQ(draw->CreateTextureFromPack(3, "p.png", 0, 99), 0);
    ASSERT_EQ(draw->IsTextureReady(3), 1);
    auto tex = draw->Graphics().TextureOf(3);
    EXPECT_EQ(tex->At(0, 0), 0u);   // opaque black is transparent in PNG pictures
    EXPECT_EQ(tex->At(1, 0), 0xFF112233u);
}
