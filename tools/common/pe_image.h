// A PE image as the publisher tools read it: headers, sections and the
// resource tree, each part checked against the file before it is used, and
// never changed. Writers (setup-rebrand) build new images from what is read.
#ifndef TOOLKIT_PE_IMAGE_H
#define TOOLKIT_PE_IMAGE_H

#include <cstdint>
#include <string>
#include <vector>

#include "failure.h"

namespace pe {

typedef std::vector<unsigned char> Bytes;

// Files the tools read are at most this long: far above any launcher.
const size_t kLargestImage = 64u << 20;

using toolkit::Failure;

// Little-endian fields; the caller has checked that they lie in the bytes.
inline uint16_t Get16(const Bytes& b, uint64_t at) { return static_cast<uint16_t>(b[at] | b[at + 1] << 8); }
inline uint32_t Get32(const Bytes& b, uint64_t at) { return Get16(b, at) | static_cast<uint32_t>(Get16(b, at + 2)) << 16; }
inline uint64_t Get64(const Bytes& b, uint64_t at) { return Get32(b, at) | static_cast<uint64_t>(Get32(b, at + 4)) << 32; }
inline void Put16(Bytes& b, uint64_t at, uint32_t v)
{
    b[at] = static_cast<unsigned char>(v);
    b[at + 1] = static_cast<unsigned char>(v >> 8);
}
inline void Put32(Bytes& b, uint64_t at, uint64_t v)
{
    Put16(b, at, static_cast<uint32_t>(v & 0xffff));
    Put16(b, at + 2, static_cast<uint32_t>(v >> 16 & 0xffff));
}

const int kResourceDir = 2, kSecurityDir = 4, kRelocationDir = 5, kDebugDir = 6;

// A little-endian header field: where it lies in the file, and its width in
// bytes (2, 4 or 8). The image it is read from holds it; Set writes it into a
// copy with the same headers.
struct Field {
    uint64_t at;
    unsigned width;
    uint64_t Get(const Bytes& b) const { return width == 8 ? Get64(b, at) : width == 4 ? Get32(b, at) : Get16(b, at); }
    void Set(Bytes& b, uint64_t value) const
    {
        for (unsigned i = 0; i < width; ++i) b[at + i] = static_cast<unsigned char>(value >> (8 * i));
    }
};

// The optional header's fields the tools read or update, by name.
struct OptionalHeader {
    Field sizeOfInitializedData, addressOfEntryPoint, imageBase, sectionAlignment, fileAlignment, sizeOfImage,
        sizeOfHeaders, checkSum, numberOfRvaAndSizes;
};

// An entry of the section table, by name.
struct SectionHeader {
    Field virtualSize, virtualAddress, sizeOfRawData, pointerToRawData, characteristics;
};

// An entry of the data directories.
struct DataDirectory {
    Field rva, size;
};

// An entry of the debug directory: where its data lies, in memory and in the file.
struct DebugEntry {
    uint32_t addressOfRawData, pointerToRawData;
};

// A block of base relocations: a page and its entries (a type in the top 4
// bits, an offset in the page below).
struct RelocationBlock {
    uint32_t page;
    std::vector<uint16_t> entries;
};

struct Section {
    SectionHeader header;  // its entry in the section table
    std::string name;
    uint32_t va, virtualSize, rawSize, rawOffset, flags;
    // What the loader maps: a virtual size of 0 stands for the raw size.
    uint64_t End() const { return static_cast<uint64_t>(va) + (virtualSize ? virtualSize : rawSize); }
    uint64_t Readable() const { return virtualSize && virtualSize < rawSize ? virtualSize : rawSize; }
    bool Holds(uint64_t rva, uint64_t size) const
    {
        return rva >= va && rva - va <= Readable() && size <= Readable() - (rva - va);
    }
};

// The headers of a PE32 or PE32+ image with a resource section, checked as
// the loader checks them: in the file, sections in order in memory and within
// SizeOfImage.
struct Image {
    explicit Image(const Bytes& file);  // throws Failure

    const Bytes& file;
    OptionalHeader optional;
    uint32_t dirCount = 0, sectionAlignment = 0, fileAlignment = 0;
    bool plus = false;  // PE32+
    uint64_t headersEnd = 0;
    std::vector<Section> sections;
    size_t rsrc = 0;  // the resource section

    // Data directory i; only the first dirCount exist.
    DataDirectory Directory(int i) const { return DataDirectory{{dirs_ + 8ull * i, 4}, {dirs_ + 8ull * i + 4, 4}}; }
    uint32_t DirRva(int i) const { return i < static_cast<int>(dirCount) ? static_cast<uint32_t>(Directory(i).rva.Get(file)) : 0; }
    uint32_t DirSize(int i) const { return i < static_cast<int>(dirCount) ? static_cast<uint32_t>(Directory(i).size.Get(file)) : 0; }
    // File offset of size bytes at rva, all in one section's data.
    uint64_t Map(uint64_t rva, uint64_t size, const char* what) const;
    // The debug directory's entries, and the base relocations' blocks, each
    // checked to lie in the sections' data; Failure where they do not.
    std::vector<DebugEntry> DebugEntries() const;
    std::vector<RelocationBlock> RelocationBlocks() const;

private:
    uint64_t dirs_ = 0;  // the data directories' file offset
};

// Where the fields of the resource section's records lie: a directory
// (characteristics, time stamp and version first, then the counts of its
// named and numbered entries) followed by its entries (a name or an id, then
// where the entry leads), and a data entry (the data's RVA, its size, its code
// page, a reserved word). The high bit of an entry's name marks a named entry
// (the rest is the name's offset), of its target a subdirectory.
namespace layout {
const uint32_t kNamedCount = 12, kIdCount = 14, kDirectorySize = 16;
const uint32_t kEntryName = 0, kEntryTarget = 4, kEntrySize = 8;
const uint32_t kDataRva = 0, kDataSize = 4, kDataCodePage = 8, kDataReserved = 12, kDataEntrySize = 16;
const uint32_t kHighBit = 0x80000000u;
}  // namespace layout

// The resource tree: directories of types, names and languages, then data.
// Where an entry leads: on the last level (languages) to data,
// Tree::leaves[child]; above it to the directory Tree::dirs[child].
struct Target {
    bool leaf;
    size_t child;
};
struct NamedEntry {
    Bytes name;  // its length, then its UTF-16 characters, as the section holds it
    Target target;
};
struct IdEntry {
    uint32_t id;
    Target target;
};
struct Directory {
    Bytes head;                     // characteristics, time stamp, version
    std::vector<NamedEntry> named;  // listed first
    std::vector<IdEntry> ids;       // then these, by ascending id
    size_t Size() const { return named.size() + ids.size(); }
};
struct Leaf {
    Bytes data;
    uint32_t codePage, reserved;
};
struct Tree {
    std::vector<Directory> dirs;  // the root first, then depth first
    std::vector<Leaf> leaves;

    // Where the entry with this id in directory dir leads, or NULL.
    const Target* Find(size_t dir, uint32_t id) const;
    // The data of resource type/id in language, or NULL.
    const Leaf* Find(uint32_t type, uint32_t id, uint32_t language) const;
};

// Reads the resource section's tree; throws Failure for a tree that is not
// three levels deep, loops, overlaps itself or leaves its section.
Tree ReadResources(const Image& image);

}  // namespace pe

#endif
