// Reader of pack archives: files looked up by name in index files
// "pack0000.ind", "pack0001.ind", ... and decoded from the matching
// "packNNNN.dat" with a key; names not in any index are read from disk.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "app/mt_random.h"

class OrevalBase {
public:
    OrevalBase();
    virtual ~OrevalBase();

protected:
    MTRandom* m_random;       // owned
    const char* m_prefix;     // "pack"
};

class OrevalOpen : public OrevalBase {
public:
    OrevalOpen();
    ~OrevalOpen() override;

    // Size of a plain file in bytes, -1 if it cannot be opened.
    int FileSize(const char* path);
    // Reads one whole file into a new buffer (delete[] by the caller).
    // *buffer must be null on entry. Returns the byte count or -1.
    int Read(char** buffer, const char* name);

    int key = 0;  // set by the caller before each read

    struct Node {
        int32_t offset = 0, size = 0, checksum = 0;
        std::string name;
        int32_t archive = 0;
        std::unique_ptr<Node> left, right;
    };
    const Node* Find(const char* name) const;

private:
    void LoadIndexes();
    void Insert(int32_t offset, int32_t size, int32_t checksum, const char* name, int32_t archive);
    bool Decode(const Node& node, char* out);

    std::unique_ptr<Node> m_root;
};
