#include "pe_image.h"

#include <cstring>
#include <set>

namespace pe {
namespace {

void Need(const Bytes& file, uint64_t at, uint64_t size, const std::string& what)
{
    if (at > file.size() || size > file.size() - at)
        throw Failure(what + " lies outside the file (truncated or malformed)");
}

bool PowerOfTwo(uint32_t v) { return v && !(v & (v - 1)); }

class TreeReader {
public:
    TreeReader(const Image& im, Tree& tree) : f_(im.file), section_(im.sections[im.rsrc]), tree_(tree)
    {
        ReadDirectory(0, 0);
    }

private:
    // Every part of a sound tree lies in the section, apart from the others:
    // this bounds the work, however the offsets are chained.
    void Take(uint64_t offset, uint64_t size, const char* what)
    {
        if (offset > section_.Readable() || size > section_.Readable() - offset)
            throw Failure(std::string("a resource ") + what + " lies outside the resource section (malformed)");
        used_ += size;
        if (used_ > section_.Readable())
            throw Failure("the resource tree is larger than its section: its parts overlap (malformed)");
    }
    uint64_t At(uint64_t offset) const { return section_.rawOffset + offset; }

    size_t ReadDirectory(uint32_t offset, int level)
    {
        using namespace layout;
        if (!seen_.insert(offset).second) throw Failure("the resource tree loops or shares a directory (malformed)");
        Take(offset, kDirectorySize, "directory");
        uint32_t named = Get16(f_, At(offset) + kNamedCount), count = named + Get16(f_, At(offset) + kIdCount);
        Take(offset + static_cast<uint64_t>(kDirectorySize), kEntrySize * static_cast<uint64_t>(count), "directory");
        size_t index = tree_.dirs.size();
        tree_.dirs.push_back(Directory());
        tree_.dirs[index].head.assign(f_.begin() + At(offset), f_.begin() + At(offset) + kNamedCount);
        for (uint32_t k = 0; k < count; ++k) {
            uint64_t at = At(offset) + kDirectorySize + kEntrySize * static_cast<uint64_t>(k);
            uint32_t name = Get32(f_, at + kEntryName), target = Get32(f_, at + kEntryTarget);
            if (((name & kHighBit) != 0) != (k < named))
                throw Failure("a resource directory mixes named and numbered entries (malformed)");
            Bytes label = name & kHighBit ? ReadName(name & ~kHighBit) : Bytes();
            if ((level < 2) != ((target & kHighBit) != 0))
                throw Failure("the resource tree is not three levels deep: type, name, language (malformed)");
            Target to = {level == 2, 0};
            to.child = to.leaf ? ReadLeaf(target) : ReadDirectory(target & ~kHighBit, level + 1);
            Directory& dir = tree_.dirs[index];
            if (name & kHighBit) dir.named.push_back(NamedEntry{label, to});
            else dir.ids.push_back(IdEntry{name, to});
        }
        return index;
    }

    // A name: its length, then that many UTF-16 characters.
    Bytes ReadName(uint32_t offset)
    {
        Take(offset, 2, "name");
        uint32_t length = Get16(f_, At(offset));
        Take(offset + 2ull, 2ull * length, "name");
        return Bytes(f_.begin() + At(offset), f_.begin() + At(offset) + 2 + 2 * length);
    }

    size_t ReadLeaf(uint32_t offset)
    {
        using namespace layout;
        Take(offset, kDataEntrySize, "data entry");
        uint32_t rva = Get32(f_, At(offset) + kDataRva), size = Get32(f_, At(offset) + kDataSize);
        if (rva < section_.va) throw Failure("resource data lies outside the resource section (malformed)");
        Take(rva - section_.va, size, "data block");
        Leaf leaf;
        leaf.data.assign(f_.begin() + At(rva - section_.va), f_.begin() + At(rva - section_.va) + size);
        leaf.codePage = Get32(f_, At(offset) + kDataCodePage);
        leaf.reserved = Get32(f_, At(offset) + kDataReserved);
        tree_.leaves.push_back(leaf);
        return tree_.leaves.size() - 1;
    }

    const Bytes& f_;
    const Section& section_;
    Tree& tree_;
    uint64_t used_ = 0;
    std::set<uint32_t> seen_;
};

}  // namespace

Image::Image(const Bytes& f) : file(f)
{
    if (f.size() < 64 || f[0] != 'M' || f[1] != 'Z') throw Failure("not a PE file (no MZ header)");
    uint32_t pe = Get32(f, 0x3c);
    Need(f, pe, 24, "the PE header");
    if (std::memcmp(&f[pe], "PE\0\0", 4) != 0) throw Failure("not a PE file (no PE signature)");
    // The COFF header: NumberOfSections, then SizeOfOptionalHeader.
    uint32_t count = Get16(f, pe + 6), optSize = Get16(f, pe + 20);
    uint64_t opt = pe + 24;
    Need(f, opt, optSize, "the optional header");
    uint32_t magic = optSize >= 2 ? Get16(f, opt) : 0;
    if (magic != 0x10b && magic != 0x20b) throw Failure("not a PE32 or PE32+ image (optional header magic)");
    plus = magic == 0x20b;
    uint32_t fixed = plus ? 112 : 96;  // where the data directories start
    if (optSize < fixed) throw Failure("the optional header is too short (malformed)");
    optional = OptionalHeader{{opt + 8, 4},  {opt + 16, 4}, plus ? Field{opt + 24, 8} : Field{opt + 28, 4},
                              {opt + 32, 4}, {opt + 36, 4}, {opt + 56, 4}, {opt + 60, 4}, {opt + 64, 4},
                              {opt + fixed - 4, 4}};
    dirCount = static_cast<uint32_t>(optional.numberOfRvaAndSizes.Get(f));
    if (dirCount > (optSize - fixed) / 8) throw Failure("the data directories overrun the optional header (malformed)");
    dirs_ = opt + fixed;
    sectionAlignment = static_cast<uint32_t>(optional.sectionAlignment.Get(f));
    fileAlignment = static_cast<uint32_t>(optional.fileAlignment.Get(f));
    if (!PowerOfTwo(sectionAlignment) || !PowerOfTwo(fileAlignment) || fileAlignment > 0x10000 ||
        fileAlignment > sectionAlignment)
        throw Failure("bad alignment: powers of two, the file's at most 64 KiB and the section's (malformed)");
    uint64_t table = opt + optSize;
    Need(f, table, 40ull * count, "the section table");
    headersEnd = table + 40ull * count;
    // The loader maps this much of the file as the headers.
    uint64_t sizeOfHeaders = optional.sizeOfHeaders.Get(f);
    if (sizeOfHeaders < headersEnd || sizeOfHeaders % fileAlignment || sizeOfHeaders > f.size())
        throw Failure("SizeOfHeaders does not cover the headers alone, in whole file-alignment units (malformed)");
    for (uint32_t i = 0; i < count; ++i) {
        Section s;
        uint64_t entry = table + 40ull * i;  // the name's 8 bytes first
        s.header = SectionHeader{{entry + 8, 4}, {entry + 12, 4}, {entry + 16, 4}, {entry + 20, 4}, {entry + 36, 4}};
        s.name.assign(reinterpret_cast<const char*>(&f[entry]), 8);
        s.name = s.name.c_str();
        for (size_t k = 0; k < s.name.size(); ++k)  // it may end up in a message
            if (s.name[k] < ' ' || s.name[k] > '~') s.name[k] = '?';
        s.virtualSize = static_cast<uint32_t>(s.header.virtualSize.Get(f));
        s.va = static_cast<uint32_t>(s.header.virtualAddress.Get(f));
        s.rawSize = static_cast<uint32_t>(s.header.sizeOfRawData.Get(f));
        s.rawOffset = static_cast<uint32_t>(s.header.pointerToRawData.Get(f));
        s.flags = static_cast<uint32_t>(s.header.characteristics.Get(f));
        if (s.rawSize) Need(f, s.rawOffset, s.rawSize, "the data of section " + s.name);
        if (s.rawSize && s.rawOffset < sizeOfHeaders)
            throw Failure("section " + s.name + " starts inside the headers (SizeOfHeaders; malformed)");
        sections.push_back(s);
    }
    // The loader maps the sections one after the other, all within SizeOfImage.
    uint64_t virtualEnd = 0;
    for (const Section& s : sections) {
        if (s.va < virtualEnd) throw Failure("sections overlap or are out of order in memory (malformed)");
        virtualEnd = (s.End() + sectionAlignment - 1) / sectionAlignment * sectionAlignment;
    }
    if (optional.sizeOfImage.Get(f) < virtualEnd) throw Failure("SizeOfImage does not cover the sections (malformed)");
    uint32_t rva = DirRva(kResourceDir);
    if (!rva) throw Failure("has no resources: not a Setup.exe of this project");
    for (rsrc = 0; rsrc < count && sections[rsrc].va != rva; ++rsrc) {
    }
    if (rsrc == count) throw Failure("the resource directory does not start a section (malformed)");
}

uint64_t Image::Map(uint64_t rva, uint64_t size, const char* what) const
{
    for (size_t i = 0; i < sections.size(); ++i)
        if (sections[i].Holds(rva, size)) return sections[i].rawOffset + (rva - sections[i].va);
    throw Failure(std::string(what) + " lies outside the sections' data (malformed)");
}

std::vector<DebugEntry> Image::DebugEntries() const
{
    // Each entry 28 bytes: AddressOfRawData at 20, PointerToRawData at 24.
    const uint64_t kEntry = 28;
    std::vector<DebugEntry> entries;
    uint32_t size = DirSize(kDebugDir);
    uint64_t table = size ? Map(DirRva(kDebugDir), size, "the debug directory") : 0;
    for (uint64_t at = table; at + kEntry <= table + size; at += kEntry)
        entries.push_back(DebugEntry{Get32(file, at + 20), Get32(file, at + 24)});
    return entries;
}

std::vector<RelocationBlock> Image::RelocationBlocks() const
{
    // Each block: the page's RVA, the block's size, then 16-bit entries.
    std::vector<RelocationBlock> blocks;
    uint32_t size = DirSize(kRelocationDir);
    uint64_t table = size ? Map(DirRva(kRelocationDir), size, "the base relocations") : 0;
    for (uint64_t block = 0; block + 8 <= size;) {
        uint32_t length = Get32(file, table + block + 4);
        if (length < 8 || length % 2 || length > size - block)
            throw Failure("a base relocation block has a bad size (malformed)");
        RelocationBlock read = {Get32(file, table + block), {}};
        for (uint64_t at = table + block + 8; at < table + block + length; at += 2) read.entries.push_back(Get16(file, at));
        blocks.push_back(read);
        block += length;
    }
    return blocks;
}

const Target* Tree::Find(size_t dir, uint32_t id) const
{
    for (const IdEntry& entry : dirs[dir].ids)
        if (entry.id == id) return &entry.target;
    return nullptr;
}

const Leaf* Tree::Find(uint32_t type, uint32_t id, uint32_t language) const
{
    const Target* t = Find(0, type);
    const Target* n = t ? Find(t->child, id) : nullptr;
    const Target* l = n ? Find(n->child, language) : nullptr;
    return l ? &leaves[l->child] : nullptr;
}

Tree ReadResources(const Image& image)
{
    Tree tree;
    TreeReader reader(image, tree);
    return tree;
}

}  // namespace pe
