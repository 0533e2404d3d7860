// Pack indexes that claim more than their archive holds.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/oreval_open.h"
#include "app/pack_writer.h"

namespace {

class PackRegression : public ::testing::Test {
protected:
    void SetUp() override {
        dir = std::filesystem::temp_directory_path() / ("tev-pack-regression-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
        old = std::filesystem::current_path();
        std::filesystem::current_path(dir);
    }
    void TearDown() override {
        std::filesystem::current_path(old);
        std::filesystem::remove_all(dir);
    }
    static void WriteIndexEntry(FILE* f, int32_t offset, int32_t size, const char* name) {
        const int32_t fields[3] = {offset, size, 0};
        std::fwrite(fields, 4, 3, f);
        std::fwrite(name, 1, std::strlen(name) + 1, f);
    }
    std::filesystem::path dir, old;
};

} // namespace

TEST_F(PackRegression, SizeBeyondTheArchiveFailsWithoutTakingThatMemory) {
    std::string error;
    ASSERT_TRUE(WritePack({{"real.bin", std::vector<uint8_t>(100, 7)}}, 0, 5, "pack", error)) << error;
    // A second index entry claims 2 GiB from near the archive's end.
    FILE* f = std::fopen("pack0000.ind", "ab");
    ASSERT_TRUE(f);
    WriteIndexEntry(f, 90, 0x7FFFFFFF, "huge.bin");
    WriteIndexEntry(f, 0x7FFFFFF0, 16, "far.bin");
    std::fclose(f);

    OrevalOpen pack;
    pack.key = 5;
    for (const char* name : {"huge.bin", "far.bin"}) {
        ASSERT_TRUE(pack.Find(name)) << name;
        char* buffer = nullptr;
        EXPECT_EQ(pack.Read(&buffer, name), -1) << name;
        EXPECT_EQ(buffer, nullptr);
    }
    // The real entry still reads.
    char* buffer = nullptr;
    EXPECT_EQ(pack.Read(&buffer, "real.bin"), 100);
    ASSERT_TRUE(buffer);
    EXPECT_EQ(buffer[99], 7);
    delete[] buffer;
}
