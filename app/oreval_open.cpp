#include "app/oreval_open.h"

#include <cstdio>
#include <cstring>
#include <vector>

OrevalBase::OrevalBase() : m_random(new MTRandom(0)), m_prefix("pack") {}
OrevalBase::~OrevalBase() { delete m_random; }

OrevalOpen::OrevalOpen() { LoadIndexes(); }
OrevalOpen::~OrevalOpen() = default;

namespace {

std::string PackFileName(const char* prefix, int n, const char* extension) {
    char name[64];
    std::snprintf(name, sizeof name, "%s%.4d.%s", prefix, n, extension);
    return name;
}

int32_t ReadInt32(const unsigned char* p) {
    return static_cast<int32_t>(p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24));
}

} // namespace

void OrevalOpen::LoadIndexes() {
    for (int n = 0; n <= 9999; ++n) {
        FILE* f = std::fopen(PackFileName(m_prefix, n, "ind").c_str(), "rb");
        if (!f) break;
        std::vector<unsigned char> bytes;
        unsigned char chunk[4096];
        size_t got;
        while ((got = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes.insert(bytes.end(), chunk, chunk + got);
        std::fclose(f);
        // Entries: offset, size, checksum (int32 LE), NUL-terminated name.
        // A cut-off last entry is ignored.
        size_t pos = 0;
        while (pos + 12 < bytes.size()) {
            const unsigned char* end = static_cast<const unsigned char*>(
                std::memchr(bytes.data() + pos + 12, 0, bytes.size() - pos - 12));
            if (!end) break;
            const char* name = reinterpret_cast<const char*>(bytes.data() + pos + 12);
            Insert(ReadInt32(&bytes[pos]), ReadInt32(&bytes[pos + 4]), ReadInt32(&bytes[pos + 8]), name, n);
            pos = static_cast<size_t>(end - bytes.data()) + 1;
        }
    }
}

void OrevalOpen::Insert(int32_t offset, int32_t size, int32_t checksum, const char* name, int32_t archive) {
    std::unique_ptr<Node>* slot = &m_root;
    while (*slot) {
        int c = std::strcmp(name, (*slot)->name.c_str());
        if (c == 0) break;
        slot = c > 0 ? &(*slot)->right : &(*slot)->left;
    }
    if (!*slot) {
        *slot = std::make_unique<Node>();
        (*slot)->name = name;
    }
    (*slot)->offset = offset;
    (*slot)->size = size;
    (*slot)->checksum = checksum;
    (*slot)->archive = archive;
}

const OrevalOpen::Node* OrevalOpen::Find(const char* name) const {
    const Node* node = m_root.get();
    while (node) {
        int c = std::strcmp(name, node->name.c_str());
        if (c == 0) return node;
        node = c > 0 ? node->right.get() : node->left.get();
    }
    return nullptr;
}

int OrevalOpen::FileSize(const char* path) {
    // Read-only access: data files may be read-only.
    FILE* f = std::fopen(path, "rb");
    if (!f) return -1;
    std::fseek(f, 0, SEEK_END);
    long size = std::ftell(f);
    std::fclose(f);
    return size < 0 || size > 0x7FFFFFFFL ? -1 : static_cast<int>(size);
}

bool OrevalOpen::Decode(const Node& node, char* out) {
    FILE* f = std::fopen(PackFileName(m_prefix, node.archive, "dat").c_str(), "rb");
    if (!f) return false;
    if (node.offset < 0 || std::fseek(f, node.offset, SEEK_SET) != 0) {
        std::fclose(f);
        return false;
    }
    uint32_t seed = (static_cast<uint32_t>(node.offset) + 1u) * static_cast<uint32_t>(key);
    m_random->Seed(seed);
    uint32_t sum = 0;
    for (int32_t i = 0; i < node.size; ++i) {
        int c = std::fgetc(f);
        if (c == EOF) {
            std::fclose(f);
            return false;
        }
        uint32_t b = (static_cast<uint32_t>(c) ^ (m_random->Next() & 0xFFu)) & 0xFFu;
        sum ^= b << (i & 31);
        out[i] = static_cast<char>(b);
    }
    std::fclose(f);
    return seed * sum == static_cast<uint32_t>(node.checksum);
}

int OrevalOpen::Read(char** buffer, const char* name) {
    if (!buffer || *buffer || !name) return -1;
    if (const Node* node = Find(name)) {
        if (node->size < 0) return -1;
        // A damaged index may claim more than the archive holds: fail before allocating it.
        const int archiveSize = FileSize(PackFileName(m_prefix, node->archive, "dat").c_str());
        if (archiveSize < 0 || node->offset < 0 || int64_t(node->offset) + node->size > archiveSize) return -1;
        *buffer = new (std::nothrow) char[node->size > 0 ? node->size : 1];
        if (!*buffer) return -1;
        if (!Decode(*node, *buffer)) {
            delete[] *buffer;
            *buffer = nullptr;
            return -1;
        }
        return node->size;
    }
    int size = FileSize(name);
    if (size < 0) return -1;
    FILE* f = std::fopen(name, "rb");
    if (!f) return -1;
    *buffer = new (std::nothrow) char[size > 0 ? size : 1];
    if (!*buffer) {
        std::fclose(f);
        return -1;
    }
    int count = 0;
    int c;
    while (count < size && (c = std::fgetc(f)) != EOF) (*buffer)[count++] = static_cast<char>(c);
    std::fclose(f);
    return count;
}
