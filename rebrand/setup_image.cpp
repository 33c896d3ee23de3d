#include "setup_image.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <set>

namespace rebrand {
namespace {

const uint32_t kStringType = 6;
const uint32_t kBaseNameId = 101;
const uint32_t kLanguage = 0x0404;
const uint32_t kHighBit = 0x80000000u;
const int kResourceDir = 2, kSecurityDir = 4, kRelocationDir = 5, kDebugDir = 6;
const uint32_t kInitializedData = 0x40;
const char kNotOurs[] = "holds no package base name (string 101 in language 0x0404): not a Setup.exe of this project";

uint16_t Get16(const Bytes& b, uint64_t at) { return static_cast<uint16_t>(b[at] | b[at + 1] << 8); }
uint32_t Get32(const Bytes& b, uint64_t at) { return Get16(b, at) | static_cast<uint32_t>(Get16(b, at + 2)) << 16; }
uint64_t Get64(const Bytes& b, uint64_t at) { return Get32(b, at) | static_cast<uint64_t>(Get32(b, at + 4)) << 32; }

void Put16(Bytes& b, uint64_t at, uint32_t v)
{
    b[at] = static_cast<unsigned char>(v);
    b[at + 1] = static_cast<unsigned char>(v >> 8);
}
void Put32(Bytes& b, uint64_t at, uint64_t v)
{
    Put16(b, at, static_cast<uint32_t>(v & 0xffff));
    Put16(b, at + 2, static_cast<uint32_t>(v >> 16 & 0xffff));
}

uint64_t AlignUp(uint64_t v, uint64_t alignment) { return (v + alignment - 1) / alignment * alignment; }

void Need(const Bytes& file, uint64_t at, uint64_t size, const std::string& what)
{
    if (at > file.size() || size > file.size() - at)
        throw Refusal(what + " lies outside the file (truncated or malformed)");
}

struct Section {
    uint64_t header;  // file offset of its entry in the section table
    std::string name;
    uint32_t va, virtualSize, rawSize, rawOffset, flags;
    // What the loader maps: a virtual size of 0 stands for the raw size.
    uint64_t End() const { return static_cast<uint64_t>(va) + (virtualSize ? virtualSize : rawSize); }
    uint64_t Readable() const { return virtualSize && virtualSize < rawSize ? virtualSize : rawSize; }
    bool Holds(uint64_t rva, uint64_t size) const { return rva >= va && rva - va <= Readable() && size <= Readable() - (rva - va); }
};

struct Image {
    const Bytes& file;
    uint64_t opt = 0, dirs = 0;  // file offsets: optional header, data directories
    uint32_t dirCount = 0, sectionAlignment = 0;
    uint32_t fileAlignment = 0;
    bool plus = false;  // PE32+
    uint64_t headersEnd = 0;
    std::vector<Section> sections;
    size_t rsrc = 0;  // the resource section

    explicit Image(const Bytes& f) : file(f) {}
    uint32_t DirRva(int i) const { return i < static_cast<int>(dirCount) ? Get32(file, dirs + 8 * i) : 0; }
    uint32_t DirSize(int i) const { return i < static_cast<int>(dirCount) ? Get32(file, dirs + 8 * i + 4) : 0; }
    // File offset of size bytes at rva, all in one section's data.
    uint64_t Map(uint64_t rva, uint64_t size, const char* what) const
    {
        for (size_t i = 0; i < sections.size(); ++i)
            if (sections[i].Holds(rva, size)) return sections[i].rawOffset + (rva - sections[i].va);
        throw Refusal(std::string(what) + " lies outside the sections' data (malformed)");
    }
};

bool PowerOfTwo(uint32_t v) { return v && !(v & (v - 1)); }

void ReadHeaders(Image& im)
{
    const Bytes& f = im.file;
    if (f.size() < 64 || f[0] != 'M' || f[1] != 'Z') throw Refusal("not a PE file (no MZ header)");
    uint32_t pe = Get32(f, 0x3c);
    Need(f, pe, 24, "the PE header");
    if (std::memcmp(&f[pe], "PE\0\0", 4) != 0) throw Refusal("not a PE file (no PE signature)");
    uint32_t count = Get16(f, pe + 6), optSize = Get16(f, pe + 20);
    im.opt = pe + 24;
    Need(f, im.opt, optSize, "the optional header");
    uint32_t magic = optSize >= 2 ? Get16(f, im.opt) : 0;
    if (magic != 0x10b && magic != 0x20b) throw Refusal("not a PE32 or PE32+ image (optional header magic)");
    im.plus = magic == 0x20b;
    uint32_t fixed = im.plus ? 112 : 96;
    if (optSize < fixed) throw Refusal("the optional header is too short (malformed)");
    im.dirCount = Get32(f, im.opt + fixed - 4);
    if (im.dirCount > (optSize - fixed) / 8) throw Refusal("the data directories overrun the optional header (malformed)");
    im.dirs = im.opt + fixed;
    im.sectionAlignment = Get32(f, im.opt + 32);
    im.fileAlignment = Get32(f, im.opt + 36);
    if (!PowerOfTwo(im.sectionAlignment) || !PowerOfTwo(im.fileAlignment) || im.fileAlignment > 0x10000 ||
        im.fileAlignment > im.sectionAlignment)
        throw Refusal("bad alignment: powers of two, the file's at most 64 KiB and the section's (malformed)");
    uint64_t table = im.opt + optSize;
    Need(f, table, 40ull * count, "the section table");
    im.headersEnd = table + 40ull * count;
    for (uint32_t i = 0; i < count; ++i) {
        Section s;
        s.header = table + 40ull * i;
        s.name.assign(reinterpret_cast<const char*>(&f[s.header]), 8);
        s.name = s.name.c_str();
        for (size_t k = 0; k < s.name.size(); ++k)  // it may end up in a message
            if (s.name[k] < ' ' || s.name[k] > '~') s.name[k] = '?';
        s.virtualSize = Get32(f, s.header + 8);
        s.va = Get32(f, s.header + 12);
        s.rawSize = Get32(f, s.header + 16);
        s.rawOffset = Get32(f, s.header + 20);
        s.flags = Get32(f, s.header + 36);
        if (s.rawSize) Need(f, s.rawOffset, s.rawSize, "the data of section " + s.name);
        im.sections.push_back(s);
    }
    uint32_t rva = im.DirRva(kResourceDir);
    if (!rva) throw Refusal("has no resources: not a Setup.exe of this project");
    for (im.rsrc = 0; im.rsrc < count && im.sections[im.rsrc].va != rva; ++im.rsrc) {
    }
    if (im.rsrc == count) throw Refusal("the resource directory does not start a section (malformed)");
}

// The resource tree: directories of types, names and languages, then data.
struct Entry {
    uint32_t name;  // an id, or kHighBit for a named entry
    Bytes label;    // a named entry's name: length, then UTF-16 characters
    bool leaf;      // on the last level (languages), whose entries lead to data
    size_t child;   // index into Tree::dirs, or Tree::leaves for a leaf
};
struct Directory {
    Bytes head;  // characteristics, time stamp, version
    uint16_t named;
    std::vector<Entry> entries;
};
struct Leaf {
    Bytes data;
    uint32_t codePage, reserved;
};
struct Tree {
    std::vector<Directory> dirs;  // the root first, then depth first
    std::vector<Leaf> leaves;
};

class TreeReader {
public:
    explicit TreeReader(const Image& im) : f_(im.file), section_(im.sections[im.rsrc]) { ReadDirectory(0, 0); }
    Tree tree;

private:
    // Every part of a sound tree lies in the section, apart from the others:
    // this bounds the work, however the offsets are chained.
    void Take(uint64_t offset, uint64_t size, const char* what)
    {
        if (offset > section_.Readable() || size > section_.Readable() - offset)
            throw Refusal(std::string("a resource ") + what + " lies outside the resource section (malformed)");
        used_ += size;
        if (used_ > section_.Readable())
            throw Refusal("the resource tree is larger than its section: its parts overlap (malformed)");
    }
    uint64_t At(uint64_t offset) const { return section_.rawOffset + offset; }

    size_t ReadDirectory(uint32_t offset, int level)
    {
        if (!seen_.insert(offset).second) throw Refusal("the resource tree loops or shares a directory (malformed)");
        Take(offset, 16, "directory");
        uint32_t named = Get16(f_, At(offset) + 12), count = named + Get16(f_, At(offset) + 14);
        Take(offset + 16ull, 8ull * count, "directory");
        size_t index = tree.dirs.size();
        tree.dirs.push_back(Directory());
        tree.dirs[index].head.assign(f_.begin() + At(offset), f_.begin() + At(offset) + 12);
        tree.dirs[index].named = static_cast<uint16_t>(named);
        for (uint32_t k = 0; k < count; ++k) {
            uint64_t at = At(offset) + 16 + 8ull * k;
            Entry e;
            e.name = Get32(f_, at);
            uint32_t target = Get32(f_, at + 4);
            if (((e.name & kHighBit) != 0) != (k < named))
                throw Refusal("a resource directory mixes named and numbered entries (malformed)");
            if (e.name & kHighBit) {
                uint32_t label = e.name & ~kHighBit;
                Take(label, 2, "name");
                uint32_t length = Get16(f_, At(label));
                Take(label + 2ull, 2ull * length, "name");
                e.label.assign(f_.begin() + At(label), f_.begin() + At(label) + 2 + 2 * length);
                e.name = kHighBit;
            }
            if ((level < 2) != ((target & kHighBit) != 0))
                throw Refusal("the resource tree is not three levels deep: type, name, language (malformed)");
            e.leaf = level == 2;
            e.child = e.leaf ? ReadLeaf(target) : ReadDirectory(target & ~kHighBit, level + 1);
            tree.dirs[index].entries.push_back(e);
        }
        return index;
    }

    size_t ReadLeaf(uint32_t offset)
    {
        Take(offset, 16, "data entry");
        uint32_t rva = Get32(f_, At(offset)), size = Get32(f_, At(offset) + 4);
        if (rva < section_.va) throw Refusal("resource data lies outside the resource section (malformed)");
        Take(rva - section_.va, size, "data block");
        Leaf leaf;
        leaf.data.assign(f_.begin() + At(rva - section_.va), f_.begin() + At(rva - section_.va) + size);
        leaf.codePage = Get32(f_, At(offset) + 8);
        leaf.reserved = Get32(f_, At(offset) + 12);
        tree.leaves.push_back(leaf);
        return tree.leaves.size() - 1;
    }

    const Bytes& f_;
    const Section& section_;
    uint64_t used_ = 0;
    std::set<uint32_t> seen_;
};

const Entry* FindId(const Tree& tree, size_t dir, uint32_t id)
{
    for (size_t i = 0; i < tree.dirs[dir].entries.size(); ++i)
        if (tree.dirs[dir].entries[i].name == id) return &tree.dirs[dir].entries[i];
    return nullptr;
}

// The leaf of string 101's block; with onlyOne, refused if other languages
// have that block too, as Windows might load one of those instead.
Leaf& BaseNameBlock(Tree& tree, bool onlyOne)
{
    const Entry* type = FindId(tree, 0, kStringType);
    const Entry* block = type ? FindId(tree, type->child, kBaseNameId / 16 + 1) : nullptr;
    const Entry* language = block ? FindId(tree, block->child, kLanguage) : nullptr;
    if (!language) throw Refusal(kNotOurs);
    if (onlyOne && tree.dirs[block->child].entries.size() > 1)
        throw Refusal("holds string 101 in more languages than 0x0404, and Windows may load another one: "
                      "not a Setup.exe of this project");
    return tree.leaves[language->child];
}

// Where string 101 (length, then UTF-16 characters) lies in its block.
void LocateString(const Bytes& block, size_t& begin, size_t& end)
{
    end = 0;
    for (uint32_t i = 0; i <= kBaseNameId % 16; ++i) {
        begin = end;
        if (block.size() < begin + 2 || block.size() - begin - 2 < 2u * Get16(block, begin))
            throw Refusal("the string table block of string 101 is truncated (malformed)");
        end = begin + 2 + 2u * Get16(block, begin);
    }
}

// Directories, entry names, data entries, then the data 8-byte aligned: the
// layout of the GNU linker, so the same name gives the same section.
Bytes Layout(const Tree& tree, uint32_t va)
{
    std::vector<uint64_t> dirAt, labelAt, leafAt, dataAt;
    uint64_t size = 0;
    for (size_t i = 0; i < tree.dirs.size(); ++i) {
        dirAt.push_back(size);
        size += 16 + 8 * tree.dirs[i].entries.size();
    }
    for (size_t i = 0; i < tree.dirs.size(); ++i)
        for (size_t k = 0; k < tree.dirs[i].entries.size(); ++k) {
            labelAt.push_back(size);
            size += tree.dirs[i].entries[k].label.size();
        }
    size = AlignUp(size, 4);
    for (size_t i = 0; i < tree.leaves.size(); ++i, size += 16) leafAt.push_back(size);
    for (size_t i = 0; i < tree.leaves.size(); ++i) {
        dataAt.push_back(size = AlignUp(size, 8));
        size += tree.leaves[i].data.size();
    }
    if (va + size > 0xffffffffu) throw Refusal("the rebuilt resources do not fit in the address space");

    Bytes out(static_cast<size_t>(size));
    size_t label = 0;
    for (size_t i = 0; i < tree.dirs.size(); ++i) {
        const Directory& dir = tree.dirs[i];
        std::memcpy(&out[dirAt[i]], dir.head.data(), 12);
        Put16(out, dirAt[i] + 12, dir.named);
        Put16(out, dirAt[i] + 14, static_cast<uint32_t>(dir.entries.size() - dir.named));
        for (size_t k = 0; k < dir.entries.size(); ++k, ++label) {
            const Entry& e = dir.entries[k];
            uint64_t at = dirAt[i] + 16 + 8 * k;
            Put32(out, at, e.name == kHighBit ? kHighBit | labelAt[label] : e.name);
            if (!e.label.empty()) std::memcpy(&out[labelAt[label]], e.label.data(), e.label.size());
            Put32(out, at + 4, e.leaf ? leafAt[e.child] : kHighBit | dirAt[e.child]);
        }
    }
    for (size_t i = 0; i < tree.leaves.size(); ++i) {
        Put32(out, leafAt[i], va + dataAt[i]);
        Put32(out, leafAt[i] + 4, tree.leaves[i].data.size());
        Put32(out, leafAt[i] + 8, tree.leaves[i].codePage);
        Put32(out, leafAt[i] + 12, tree.leaves[i].reserved);
        if (!tree.leaves[i].data.empty())
            std::memcpy(&out[dataAt[i]], tree.leaves[i].data.data(), tree.leaves[i].data.size());
    }
    return out;
}

// What the rebuild relies on: nothing but the header fields it updates
// refers to the resource section, or to the sections after it, by address
// or file offset.
void CheckRebuildable(const Image& im)
{
    const Bytes& f = im.file;
    const Section& rsrc = im.sections[im.rsrc];
    if (im.DirRva(kSecurityDir) || im.DirSize(kSecurityDir))
        throw Refusal("is signed, and a new base name would break its signature: rebrand the unsigned "
                      "Setup.exe, then sign the result");
    uint64_t virtualEnd = 0, rawEnd = im.headersEnd;
    for (size_t i = 0; i < im.sections.size(); ++i) {
        const Section& s = im.sections[i];
        if (s.va < virtualEnd) throw Refusal("sections overlap or are out of order in memory (malformed)");
        virtualEnd = AlignUp(s.End(), im.sectionAlignment);
        if (!s.rawSize) continue;
        if (s.rawOffset < rawEnd) throw Refusal("sections overlap or are out of order in the file (malformed)");
        rawEnd = static_cast<uint64_t>(s.rawOffset) + s.rawSize;
    }
    if (f.size() > rawEnd)
        throw Refusal("has data after its last section (debug symbols or an appended payload); "
                      "only stripped, unsigned executables can be rebranded");
    if (Get32(f, im.opt + 56) < virtualEnd) throw Refusal("SizeOfImage does not cover the sections (malformed)");

    uint32_t relocations = im.DirRva(kRelocationDir), relocationSize = im.DirSize(kRelocationDir);
    for (size_t i = im.rsrc + 1; i < im.sections.size(); ++i)
        if (!relocationSize || !im.sections[i].Holds(relocations, relocationSize))
            throw Refusal("section " + im.sections[i].name +
                          " follows the resource section; only base relocations can be moved to make room");
    for (int d = 0; d < static_cast<int>(im.dirCount) && d < 16; ++d) {
        uint64_t end = static_cast<uint64_t>(im.DirRva(d)) + im.DirSize(d);
        bool moves = d == kRelocationDir && im.DirRva(d) >= rsrc.End();
        if (d != kResourceDir && d != kSecurityDir && !moves && end > rsrc.va)
            throw Refusal("data directory " + std::to_string(d) + " lies in or after the resource section");
    }
    if (Get32(f, im.opt + 16) >= rsrc.va) throw Refusal("the entry point lies in or after the resource section");

    uint32_t debugSize = im.DirSize(kDebugDir);
    uint64_t debug = debugSize ? im.Map(im.DirRva(kDebugDir), debugSize, "the debug directory") : 0;
    for (uint64_t at = debug; at + 28 <= debug + debugSize; at += 28)
        if (Get32(f, at + 20) >= rsrc.va || (Get32(f, at + 24) && Get32(f, at + 24) >= rsrc.rawOffset))
            throw Refusal("debug data lies in or after the resource section");

    // No relocation may patch those sections, or point into them.
    uint64_t base = im.plus ? Get64(f, im.opt + 24) : Get32(f, im.opt + 28);
    uint64_t table = relocationSize ? im.Map(relocations, relocationSize, "the base relocations") : 0;
    for (uint64_t block = 0; block + 8 <= relocationSize;) {
        uint32_t page = Get32(f, table + block), size = Get32(f, table + block + 4);
        if (size < 8 || size % 2 || size > relocationSize - block)
            throw Refusal("a base relocation block has a bad size (malformed)");
        for (uint64_t at = table + block + 8; at < table + block + size; at += 2) {
            unsigned type = Get16(f, at) >> 12, width = type == 3 ? 4 : type == 10 ? 8 : 0;
            uint64_t site = static_cast<uint64_t>(page) + (Get16(f, at) & 0xfff);
            if (type == 0) continue;
            if (!width) throw Refusal("has base relocations of type " + std::to_string(type) + ", which are not supported");
            if (site + width > rsrc.va) throw Refusal("a base relocation patches the resource section or what follows");
            for (size_t i = 0; i < im.rsrc; ++i) {
                if (!im.sections[i].Holds(site, width)) continue;
                uint64_t value = im.sections[i].rawOffset + (site - im.sections[i].va);
                uint64_t target = (width == 4 ? Get32(f, value) : Get64(f, value)) - base;
                if (target >= rsrc.va && target <= 0xffffffffu)
                    throw Refusal("code or data points into the resource section or what follows");
            }
        }
        block += size;
    }
}

// The optional header's checksum: 16-bit one's complement sum of the file,
// with the checksum field itself as zero, plus the file's length.
uint32_t Checksum(const Bytes& b)
{
    uint64_t sum = 0;
    for (size_t i = 0; i < b.size(); i += 2) {
        sum += b[i] | (i + 1 < b.size() ? b[i + 1] << 8 : 0);
        sum = (sum & 0xffff) + (sum >> 16);
    }
    return static_cast<uint32_t>((sum & 0xffff) + (sum >> 16) + b.size());
}

}  // namespace

std::string ReadBaseName(const Bytes& image)
{
    Image im(image);
    ReadHeaders(im);
    TreeReader reader(im);
    const Bytes& block = BaseNameBlock(reader.tree, false).data;
    size_t begin, end;
    LocateString(block, begin, end);
    std::string name;
    for (size_t at = begin + 2; at < end; at += 2) {
        uint32_t c = Get16(block, at);
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
        name += c >= ' ' && c <= '~' && c != '\\' ? std::string(1, static_cast<char>(c)) : escaped;
    }
    return name;
}

Bytes Rebrand(const Bytes& image, const std::string& name)
{
    Image im(image);
    ReadHeaders(im);
    TreeReader reader(im);
    Bytes& block = BaseNameBlock(reader.tree, true).data;
    CheckRebuildable(im);
    if (name.size() > 0xffff) throw Refusal("the base name is too long for a string table");
    size_t begin, end;
    LocateString(block, begin, end);
    Bytes entry(2 + 2 * name.size());
    Put16(entry, 0, static_cast<uint32_t>(name.size()));
    for (size_t i = 0; i < name.size(); ++i) entry[2 + 2 * i] = static_cast<unsigned char>(name[i]);
    block.erase(block.begin() + begin, block.begin() + end);
    block.insert(block.begin() + begin, entry.begin(), entry.end());

    const Section& rsrc = im.sections[im.rsrc];
    Bytes section = Layout(reader.tree, rsrc.va);
    uint64_t raw = AlignUp(section.size(), im.fileAlignment);
    uint64_t oldImage = Get32(image, im.opt + 56);
    uint64_t newImage = oldImage + AlignUp(rsrc.va + section.size(), im.sectionAlignment)
                        - AlignUp(rsrc.End(), im.sectionAlignment);
    if (newImage > 0xffffffffu || image.size() - rsrc.rawSize + raw > 0xffffffffu)
        throw Refusal("the rebuilt image would be too large");
    uint64_t moveBy = newImage - oldImage, shiftBy = raw - rsrc.rawSize;  // modulo 2^64: may shrink

    Bytes out(image.begin(), image.begin() + rsrc.rawOffset);
    out.insert(out.end(), section.begin(), section.end());
    out.resize(rsrc.rawOffset + raw);
    out.insert(out.end(), image.begin() + rsrc.rawOffset + rsrc.rawSize, image.end());

    Put32(out, rsrc.header + 8, section.size());
    Put32(out, rsrc.header + 16, raw);
    for (size_t i = im.rsrc + 1; i < im.sections.size(); ++i) {
        Put32(out, im.sections[i].header + 12, im.sections[i].va + moveBy);
        if (im.sections[i].rawSize) Put32(out, im.sections[i].header + 20, im.sections[i].rawOffset + shiftBy);
    }
    Put32(out, im.dirs + 8 * kResourceDir + 4, section.size());
    if (im.DirSize(kRelocationDir) && im.DirRva(kRelocationDir) >= rsrc.End())
        Put32(out, im.dirs + 8 * kRelocationDir, im.DirRva(kRelocationDir) + moveBy);
    Put32(out, im.opt + 56, newImage);
    // SizeOfInitializedData, where it counts the section: linkers differ.
    uint64_t initialized = Get32(image, im.opt + 8);
    if ((rsrc.flags & kInitializedData) && initialized >= rsrc.rawSize && initialized + shiftBy <= 0xffffffffu)
        Put32(out, im.opt + 8, initialized + shiftBy);
    Put32(out, im.opt + 64, 0);
    Put32(out, im.opt + 64, Checksum(out));
    return out;
}

}  // namespace rebrand
