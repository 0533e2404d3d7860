// Pack indexes that claim more than their archive holds.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <new>
#include <string>
#include <vector>

#include "app/oreval_open.h"
#include "app/pack_writer.h"

// The largest array the reader asked for: array new of this test program
// records its size (every array form is replaced, so the pairs still match).
static std::atomic<size_t> g_largestArray{0};

void* operator new[](std::size_t n) {
    if (n > g_largestArray) g_largestArray = n;
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept {
    if (n > g_largestArray) g_largestArray = n;
    return std::malloc(n ? n : 1);
}
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

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
        g_largestArray = 0;
        EXPECT_EQ(pack.Read(&buffer, name), -1) << name;
        EXPECT_EQ(buffer, nullptr);
        // Refused before the buffer: the claim is not allocated.
        EXPECT_LT(g_largestArray.load(), size_t(1) << 20) << name;
    }
    // The real entry still reads.
    char* buffer = nullptr;
    EXPECT_EQ(pack.Read(&buffer, "real.bin"), 100);
    ASSERT_TRUE(buffer);
    EXPECT_EQ(buffer[99], 7);
    delete[] buffer;
}
