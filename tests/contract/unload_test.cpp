// Every plug-in must leave the process completely when the launcher unloads
// it, or the next play would start from the old statics. Checked for every
// plug-in in the runnable tree and every test plug-in: the loader no longer
// knows it after dlclose and nothing of it is mapped, and its dynamic symbol
// table holds nothing that makes glibc keep a library resident (unique
// symbols, thread_local destructors).
#include <elf.h>
#include <gtest/gtest.h>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>
#include "platform/library.h"
#include "tests/contract/contract_test_support.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::string> ShippedPlugins() {
    std::vector<std::string> out;
    std::error_code ec;
    for (const auto& folder : fs::directory_iterator(TEV_DIST_DIR, ec)) {
        if (!folder.is_directory())
            continue;
        for (const auto& file : fs::directory_iterator(folder.path(), ec)) {
            if (file.is_regular_file() && file.path().extension() == ".so")
                out.push_back(fs::canonical(file.path()).string());
        }
    }
    return out;
}

std::vector<std::string> TestPlugins() {
    std::vector<std::string> out;
    for (const char* name : {"full_game", "no_main_loop", "no_info", "quits_minus_one", "not_a_game", "kit_game"})
        out.push_back(fs::canonical(contracttest::PluginPath(name)).string());
    return out;
}

bool MappedInProcess(const std::string& path) {
    std::ifstream maps("/proc/self/maps");
    for (std::string line; std::getline(maps, line);) {
        if (line.size() >= path.size() && line.compare(line.size() - path.size(), path.size(), path) == 0)
            return true;
    }
    return false;
}

struct DynamicSymbols {
    bool ok = false;
    std::vector<std::string> unique;        // STB_GNU_UNIQUE definitions
    std::vector<std::string> undefined;     // names the library needs from elsewhere
};

// Reads the dynamic symbol table of a 64-bit ELF file, bounds-checked.
DynamicSymbols ReadDynamicSymbols(const std::string& path) {
    DynamicSymbols out;
    std::ifstream in(path, std::ios::binary);
    std::string image((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto fits = [&](uint64_t off, uint64_t size) { return off <= image.size() && size <= image.size() - off; };
    if (!fits(0, sizeof(Elf64_Ehdr)))
        return out;
    Elf64_Ehdr eh;
    std::memcpy(&eh, image.data(), sizeof eh);
    if (std::memcmp(eh.e_ident, ELFMAG, SELFMAG) != 0 || eh.e_ident[EI_CLASS] != ELFCLASS64 ||
        eh.e_shentsize != sizeof(Elf64_Shdr) || !fits(eh.e_shoff, uint64_t(eh.e_shnum) * sizeof(Elf64_Shdr)))
        return out;
    std::vector<Elf64_Shdr> sections(eh.e_shnum);
    std::memcpy(sections.data(), image.data() + eh.e_shoff, sections.size() * sizeof(Elf64_Shdr));
    for (const Elf64_Shdr& sh : sections) {
        if (sh.sh_type != SHT_DYNSYM || sh.sh_link >= sections.size())
            continue;
        const Elf64_Shdr& strtab = sections[sh.sh_link];
        if (!fits(sh.sh_offset, sh.sh_size) || !fits(strtab.sh_offset, strtab.sh_size))
            return out;
        for (uint64_t off = 0; off + sizeof(Elf64_Sym) <= sh.sh_size; off += sizeof(Elf64_Sym)) {
            Elf64_Sym sym;
            std::memcpy(&sym, image.data() + sh.sh_offset + off, sizeof sym);
            if (sym.st_name >= strtab.sh_size)
                continue;
            const char* base = image.data() + strtab.sh_offset + sym.st_name;
            std::string name(base, strnlen(base, strtab.sh_size - sym.st_name));
            if (ELF64_ST_BIND(sym.st_info) == STB_GNU_UNIQUE)
                out.unique.push_back(name);
            if (sym.st_shndx == SHN_UNDEF && !name.empty())
                out.undefined.push_back(name);
        }
        out.ok = true;
    }
    return out;
}

void ExpectUnloads(const std::string& path) {
    SCOPED_TRACE(path);
    ASSERT_FALSE(platform::IsLibraryResident(path.c_str())) << "loaded before the test";
    void* handle = platform::OpenLibrary(path.c_str());
    ASSERT_NE(handle, nullptr) << platform::LibraryError();
    EXPECT_TRUE(platform::IsLibraryResident(path.c_str()));
    EXPECT_TRUE(MappedInProcess(path));
    ASSERT_TRUE(platform::CloseLibrary(handle));
    EXPECT_FALSE(platform::IsLibraryResident(path.c_str()));
    EXPECT_FALSE(MappedInProcess(path));

    DynamicSymbols symbols = ReadDynamicSymbols(path);
    ASSERT_TRUE(symbols.ok);
    EXPECT_TRUE(symbols.unique.empty()) << "unique symbol: " << symbols.unique.front();
    for (const std::string& name : symbols.undefined) {
        EXPECT_NE(name, "__cxa_thread_atexit_impl");
        EXPECT_NE(name, "__cxa_thread_atexit") << "a thread_local object with a destructor";
    }
}

TEST(PluginUnload, EveryTestPluginLeavesTheProcess) {
    for (const std::string& path : TestPlugins())
        ExpectUnloads(path);
}

TEST(PluginUnload, EveryShippedPluginLeavesTheProcess) {
    const std::vector<std::string> plugins = ShippedPlugins();
    if (plugins.empty())
        GTEST_SKIP() << "no plug-in in " << TEV_DIST_DIR << " yet";
    for (const std::string& path : plugins) {
        ExpectUnloads(path);
        // A shipped plug-in shows the host its five exports only.
        void* handle = platform::OpenLibrary(path.c_str());
        ASSERT_NE(handle, nullptr);
        for (const char* name : {"SystemInit", "UserInit", "MainLoop", "CleanUp"})
            EXPECT_NE(platform::FindLibrarySymbol(handle, name), nullptr) << path << " lacks " << name;
        EXPECT_EQ(platform::FindLibrarySymbol(handle, "buttonMapper"), nullptr) << path;
        platform::CloseLibrary(handle);
        std::printf("unloads: %s\n", path.c_str());
    }
}

} // namespace
