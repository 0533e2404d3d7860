#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "app/oreval_open.h"
#include "app/pack_writer.h"

namespace {

class PackTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = std::filesystem::temp_directory_path() /
              ("tev-pack-" + std::to_string(::getpid()) + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir);
        old = std::filesystem::current_path();
        std::filesystem::current_path(dir);
    }
    void TearDown() override {
        std::filesystem::current_path(old);
        std::filesystem::remove_all(dir);
    }
    static PackEntry Entry(const std::string& name, const std::string& text) {
        return PackEntry{name, std::vector<uint8_t>(text.begin(), text.end())};
    }
    static std::string ReadVia(OrevalOpen& pack, const char* name, int* result) {
        char* buffer = nullptr;
        *result = pack.Read(&buffer, name);
        std::string out = *result > 0 ? std::string(buffer, static_cast<size_t>(*result)) : std::string();
        delete[] buffer;
        return out;
    }
    std::filesystem::path dir, old;
};

} // namespace

TEST_F(PackTest, WithoutIndexReadsPlainFiles) {
    { std::ofstream("plain.bin", std::ios::binary) << std::string("abc\0def", 7); }
    OrevalOpen pack;
    int n = 0;
    EXPECT_EQ(ReadVia(pack, "plain.bin", &n), std::string("abc\0def", 7));
    EXPECT_EQ(n, 7);
    EXPECT_EQ(pack.FileSize("plain.bin"), 7);
    EXPECT_EQ(ReadVia(pack, "missing.bin", &n), "");
    EXPECT_EQ(n, -1);
    EXPECT_EQ(pack.FileSize("missing.bin"), -1);
}

TEST_F(PackTest, RoundTripThroughTheWriterWithTheRightKeyOnly) {
    std::string big(5000, '\0');
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7 + 3);
    std::string error;
    ASSERT_TRUE(WritePack({Entry("a.bmp", "first file"), Entry("sub/b.png", big), Entry("empty", "")}, 0, 1234, "pack", error))
        << error;
    OrevalOpen pack;
    pack.key = 1234;
    int n = 0;
    EXPECT_EQ(ReadVia(pack, "a.bmp", &n), "first file");
    EXPECT_EQ(ReadVia(pack, "sub/b.png", &n), big);
    EXPECT_EQ(n, 5000);
    ReadVia(pack, "empty", &n);
    EXPECT_EQ(n, 0);

    pack.key = 1235;
    char* buffer = nullptr;
    EXPECT_EQ(pack.Read(&buffer, "a.bmp"), -1);
    EXPECT_EQ(buffer, nullptr);  // freed and cleared on failure
}

TEST_F(PackTest, BufferMustBeNullOnEntry) {
    OrevalOpen pack;
    char dummy = 0;
    char* buffer = &dummy;
    EXPECT_EQ(pack.Read(&buffer, "x"), -1);
    EXPECT_EQ(buffer, &dummy);
}

TEST_F(PackTest, LaterArchiveOverridesEarlier) {
    std::string error;
    ASSERT_TRUE(WritePack({Entry("same", "old"), Entry("only0", "zero")}, 0, 9, "pack", error));
    ASSERT_TRUE(WritePack({Entry("same", "newer")}, 1, 9, "pack", error));
    OrevalOpen pack;
    pack.key = 9;
    int n = 0;
    EXPECT_EQ(ReadVia(pack, "same", &n), "newer");
    EXPECT_EQ(ReadVia(pack, "only0", &n), "zero");
}

TEST_F(PackTest, KeyZeroPassesOnlyAZeroChecksum) {
    std::string error;
    ASSERT_TRUE(WritePack({Entry("z", "data")}, 0, 0, "pack", error));
    OrevalOpen pack;
    pack.key = 0;
    int n = 0;
    EXPECT_EQ(ReadVia(pack, "z", &n), "data");  // seed 0, stored check 0
    pack.key = 5;
    ReadVia(pack, "z", &n);
    EXPECT_EQ(n, -1);
}

TEST_F(PackTest, DamagedArchivesFailCleanly) {
    std::string error;
    ASSERT_TRUE(WritePack({Entry("f", "0123456789")}, 0, 77, "pack", error));
    {
        // Flip one byte of the data: the checksum catches it.
        std::fstream f("pack0000.dat", std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(4);
        f.put('\x55');
    }
    OrevalOpen pack;
    pack.key = 77;
    int n = 0;
    ReadVia(pack, "f", &n);
    EXPECT_EQ(n, -1);
    // Archive cut short.
    std::filesystem::resize_file("pack0000.dat", 3);
    ReadVia(pack, "f", &n);
    EXPECT_EQ(n, -1);
    // Index with a cut-off last entry, or nothing but garbage.
    { std::ofstream("pack0000.ind", std::ios::binary | std::ios::app) << std::string("\x01\x02\x03", 3); }
    OrevalOpen again;
    EXPECT_NE(again.Find("f"), nullptr);
    { std::ofstream("pack0000.ind", std::ios::binary | std::ios::trunc) << std::string(40, '\xFF'); }
    OrevalOpen garbage;
    EXPECT_EQ(garbage.Find("f"), nullptr);
}
