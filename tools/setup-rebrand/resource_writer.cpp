#include "resource_writer.h"

#include <algorithm>
#include <cstring>

#include "setup_resources.h"
#include "version_writer.h"

namespace rebrand {
namespace {

using pe::Get32;
using pe::Get64;
using pe::Put16;
using pe::Put32;

const uint32_t kInitializedData = 0x40;

uint64_t AlignUp(uint64_t v, uint64_t alignment) { return (v + alignment - 1) / alignment * alignment; }

// The resource tree as the writer changes it: numbered entries are found,
// added (in the order of their ids) and taken away; named entries stay as
// they are. What is no longer reachable from the root is left out of the new
// section.
class TreeEditor {
public:
    explicit TreeEditor(pe::Tree& tree) : tree_(tree) {}

    pe::Leaf* Find(uint32_t type, uint32_t id, uint32_t language)
    {
        return const_cast<pe::Leaf*>(static_cast<const pe::Tree&>(tree_).Find(type, id, language));
    }

    void Set(uint32_t type, uint32_t id, uint32_t language, const Bytes& data, uint32_t codePage)
    {
        size_t names = Child(0, type), languages = Child(names, id);
        const pe::Target* target = tree_.Find(languages, language);
        if (!target) {
            tree_.leaves.push_back(pe::Leaf());
            target = Add(languages, language, pe::Target{true, tree_.leaves.size() - 1});
        }
        pe::Leaf& leaf = tree_.leaves[target->child];
        leaf.data = data;
        leaf.codePage = codePage;
        leaf.reserved = 0;
    }

    void Remove(uint32_t type, uint32_t id, uint32_t language)
    {
        const pe::Target* t = tree_.Find(0, type);
        const pe::Target* n = t ? tree_.Find(t->child, id) : nullptr;
        if (!n || !tree_.Find(n->child, language)) return;
        size_t names = t->child, languages = n->child;
        Drop(languages, language);
        if (!tree_.dirs[languages].Size()) Drop(names, id);
        if (!tree_.dirs[names].Size()) Drop(0, type);
    }

private:
    const pe::Target* Add(size_t dir, uint32_t id, const pe::Target& target)
    {
        std::vector<pe::IdEntry>& ids = tree_.dirs[dir].ids;
        size_t at = 0;
        while (at < ids.size() && ids[at].id < id) ++at;
        return &ids.insert(ids.begin() + at, pe::IdEntry{id, target})->target;
    }

    // The directory under entry id of dir, made if missing.
    size_t Child(size_t dir, uint32_t id)
    {
        if (const pe::Target* found = tree_.Find(dir, id)) return found->child;
        pe::Directory made;
        made.head = tree_.dirs[dir].head;
        tree_.dirs.push_back(made);
        return Add(dir, id, pe::Target{false, tree_.dirs.size() - 1})->child;
    }

    void Drop(size_t dir, uint32_t id)
    {
        std::vector<pe::IdEntry>& ids = tree_.dirs[dir].ids;
        for (size_t i = 0; i < ids.size(); ++i)
            if (ids[i].id == id) {
                ids.erase(ids.begin() + i);
                return;
            }
    }

    pe::Tree& tree_;
};

// The targets of a directory's entries, in the order of its table: the named
// entries, then the numbered ones.
std::vector<pe::Target> Targets(const pe::Directory& dir)
{
    std::vector<pe::Target> targets;
    for (const pe::NamedEntry& e : dir.named) targets.push_back(e.target);
    for (const pe::IdEntry& e : dir.ids) targets.push_back(e.target);
    return targets;
}

// The directories and the data of the tree in the order the GNU linker lays
// them out: depth first from the root.
void Walk(const pe::Tree& tree, size_t dir, std::vector<size_t>& dirs, std::vector<size_t>& leaves)
{
    dirs.push_back(dir);
    for (const pe::Target& target : Targets(tree.dirs[dir])) {
        if (target.leaf) leaves.push_back(target.child);
        else Walk(tree, target.child, dirs, leaves);
    }
}

// Directories, entry names, data entries, then the data, each 8-byte aligned:
// the layout of the GNU linker, so the same resources give the same section.
Bytes Layout(const pe::Tree& tree, uint32_t va)
{
    using namespace pe::layout;
    std::vector<size_t> dirs, leaves;
    Walk(tree, 0, dirs, leaves);
    std::vector<uint64_t> dirAt(tree.dirs.size()), leafAt(tree.leaves.size()), nameAt, dataAt;
    uint64_t size = 0;
    for (size_t i : dirs) {
        dirAt[i] = size;
        size += kDirectorySize + kEntrySize * tree.dirs[i].Size();
    }
    for (size_t i : dirs)
        for (const pe::NamedEntry& e : tree.dirs[i].named) {
            nameAt.push_back(size);
            size += e.name.size();
        }
    size = AlignUp(size, 4);
    for (size_t i : leaves) {
        leafAt[i] = size;
        size += kDataEntrySize;
    }
    for (size_t i : leaves) {
        dataAt.push_back(size = AlignUp(size, 8));
        size += tree.leaves[i].data.size();
    }
    size = AlignUp(size, 8);  // the last data is padded as the others
    if (va + size > 0xffffffffu) throw Failure("the rebuilt resources do not fit in the address space");

    Bytes out(static_cast<size_t>(size));
    size_t name = 0;
    for (size_t i : dirs) {
        const pe::Directory& dir = tree.dirs[i];
        std::memcpy(&out[dirAt[i]], dir.head.data(), dir.head.size());
        Put16(out, dirAt[i] + kNamedCount, static_cast<uint32_t>(dir.named.size()));
        Put16(out, dirAt[i] + kIdCount, static_cast<uint32_t>(dir.ids.size()));
        uint64_t at = dirAt[i] + kDirectorySize;
        for (const pe::NamedEntry& e : dir.named) {
            Put32(out, at + kEntryName, kHighBit | nameAt[name]);
            std::memcpy(&out[nameAt[name++]], e.name.data(), e.name.size());
            at += kEntrySize;
        }
        for (const pe::IdEntry& e : dir.ids) {
            Put32(out, at + kEntryName, e.id);
            at += kEntrySize;
        }
        at = dirAt[i] + kDirectorySize + kEntryTarget;
        for (const pe::Target& target : Targets(dir)) {
            Put32(out, at, target.leaf ? leafAt[target.child] : kHighBit | dirAt[target.child]);
            at += kEntrySize;
        }
    }
    for (size_t k = 0; k < leaves.size(); ++k) {
        const pe::Leaf& leaf = tree.leaves[leaves[k]];
        uint64_t at = leafAt[leaves[k]];
        Put32(out, at + kDataRva, va + dataAt[k]);
        Put32(out, at + kDataSize, leaf.data.size());
        Put32(out, at + kDataCodePage, leaf.codePage);
        Put32(out, at + kDataReserved, leaf.reserved);
        if (!leaf.data.empty()) std::memcpy(&out[dataAt[k]], leaf.data.data(), leaf.data.size());
    }
    return out;
}

// What the rebuild relies on: nothing but the header fields it updates
// refers to the resource section, or to the sections after it, by address
// or file offset.
void CheckRebuildable(const pe::Image& im)
{
    const Bytes& f = im.file;
    const pe::Section& rsrc = im.sections[im.rsrc];
    if (im.DirRva(pe::kSecurityDir) || im.DirSize(pe::kSecurityDir))
        throw Failure("is signed, and a new base name would break its signature: rebrand the unsigned "
                      "Setup.exe, then sign the result");
    // The file is spliced at the resource section: the sections' data must
    // follow one another, and nothing may come after them.
    uint64_t rawEnd = im.headersEnd;
    for (const pe::Section& s : im.sections) {
        if (!s.rawSize) continue;
        if (s.rawOffset < rawEnd) throw Failure("sections overlap or are out of order in the file (malformed)");
        rawEnd = static_cast<uint64_t>(s.rawOffset) + s.rawSize;
    }
    if (f.size() > rawEnd)
        throw Failure("has data after its last section (debug symbols or an appended payload); "
                      "only stripped, unsigned executables can be rebranded");

    uint32_t relocations = im.DirRva(pe::kRelocationDir), relocationSize = im.DirSize(pe::kRelocationDir);
    for (size_t i = im.rsrc + 1; i < im.sections.size(); ++i)
        if (!relocationSize || !im.sections[i].Holds(relocations, relocationSize))
            throw Failure("section " + im.sections[i].name +
                          " follows the resource section; only base relocations can be moved to make room");
    for (int d = 0; d < static_cast<int>(im.dirCount) && d < 16; ++d) {
        uint64_t end = static_cast<uint64_t>(im.DirRva(d)) + im.DirSize(d);
        bool moves = d == pe::kRelocationDir && im.DirRva(d) >= rsrc.End();
        if (d != pe::kResourceDir && d != pe::kSecurityDir && !moves && end > rsrc.va)
            throw Failure("data directory " + std::to_string(d) + " lies in or after the resource section");
    }
    if (im.optional.addressOfEntryPoint.Get(f) >= rsrc.va)
        throw Failure("the entry point lies in or after the resource section");

    for (const pe::DebugEntry& debug : im.DebugEntries())
        if (debug.addressOfRawData >= rsrc.va || (debug.pointerToRawData && debug.pointerToRawData >= rsrc.rawOffset))
            throw Failure("debug data lies in or after the resource section");

    // No relocation may patch those sections, or point into them.
    uint64_t base = im.optional.imageBase.Get(f);
    for (const pe::RelocationBlock& block : im.RelocationBlocks()) {
        for (uint16_t entry : block.entries) {
            unsigned type = entry >> 12, width = type == 3 ? 4 : type == 10 ? 8 : 0;
            uint64_t site = static_cast<uint64_t>(block.page) + (entry & 0xfff);
            if (type == 0) continue;
            if (!width) throw Failure("has base relocations of type " + std::to_string(type) + ", which are not supported");
            if (site + width > rsrc.va) throw Failure("a base relocation patches the resource section or what follows");
            for (size_t i = 0; i < im.rsrc; ++i) {
                if (!im.sections[i].Holds(site, width)) continue;
                uint64_t value = im.sections[i].rawOffset + (site - im.sections[i].va);
                uint64_t target = (width == 4 ? Get32(f, value) : Get64(f, value)) - base;
                if (target >= rsrc.va && target <= 0xffffffffu)
                    throw Failure("code or data points into the resource section or what follows");
            }
        }
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

void SetBaseName(TreeEditor& editor, const pe::Tree& tree, const std::string& name)
{
    const pe::Target* type = tree.Find(0, setup::kStringType);
    const pe::Target* block = type ? tree.Find(type->child, setup::kBaseNameBlock) : nullptr;
    // Windows might load another language's string 101 instead.
    if (block && tree.dirs[block->child].Size() > 1)
        throw Failure("holds string 101 in more languages than 0x0404, and Windows may load another one: "
                      "not a Setup.exe of this project");
    Bytes& data = editor.Find(setup::kStringType, setup::kBaseNameBlock, setup::kLanguage)->data;
    if (name.size() > 0xffff) throw Failure("the base name is too long for a string table");
    size_t begin, end;
    setup::LocateBaseName(data, begin, end);
    Bytes entry(2 + 2 * name.size());
    Put16(entry, 0, static_cast<uint32_t>(name.size()));
    for (size_t i = 0; i < name.size(); ++i) entry[2 + 2 * i] = static_cast<unsigned char>(name[i]);
    data.erase(data.begin() + begin, data.begin() + end);
    data.insert(data.begin() + begin, entry.begin(), entry.end());
}

// Icon group 128 and its images give way to the new ones, numbered from 1
// past the icons that stay.
void SetIcon(TreeEditor& editor, const pe::Tree& tree, const std::vector<IconImageData>& images)
{
    if (images.empty() || images.size() > 0xffff) throw Failure("an icon needs between 1 and 65535 images");
    const pe::Leaf* group = tree.Find(setup::kIconGroupType, setup::kIconGroupId, setup::kLanguage);
    if (!group) throw Failure("holds no icon group 128: not a Setup.exe of this project");
    uint32_t codePage = group->codePage;
    for (uint32_t id : setup::IconGroupIds(group->data)) editor.Remove(setup::kIconType, id, setup::kLanguage);
    Bytes newGroup(6 + 14 * images.size());
    Put16(newGroup, 2, 1);
    Put16(newGroup, 4, static_cast<uint32_t>(images.size()));
    uint32_t id = 0;
    for (size_t i = 0; i < images.size(); ++i) {
        do ++id;
        while (editor.Find(setup::kIconType, id, setup::kLanguage) != nullptr);
        if (id > 0xffff) throw Failure("no icon numbers are left for the new images");
        editor.Set(setup::kIconType, id, setup::kLanguage, images[i].data, codePage);
        std::memcpy(&newGroup[6 + 14 * i], images[i].entry, 12);
        Put16(newGroup, 6 + 14 * i + 12, id);
    }
    editor.Set(setup::kIconGroupType, setup::kIconGroupId, setup::kLanguage, newGroup, codePage);
}

void SetExecutionLevel(TreeEditor& editor, const std::string& level)
{
    pe::Leaf* manifest = editor.Find(setup::kManifestType, setup::kManifestId, setup::kLanguage);
    if (!manifest) throw Failure("holds no application manifest, so it has no execution level to set");
    size_t begin, end;
    setup::LocateExecutionLevel(manifest->data, begin, end);
    manifest->data.erase(manifest->data.begin() + begin, manifest->data.begin() + end);
    manifest->data.insert(manifest->data.begin() + begin, level.begin(), level.end());
}

}  // namespace

Bytes Rebrand(const Bytes& image, const Changes& changes)
{
    pe::Image im(image);
    pe::Tree tree = pe::ReadResources(im);
    setup::ReadBaseName(tree);  // refuses an executable that is not ours
    CheckRebuildable(im);
    const pe::Tree read = tree;
    TreeEditor editor(tree);
    if (changes.setBaseName) SetBaseName(editor, read, changes.baseName);
    if (changes.setIcon) SetIcon(editor, read, changes.icon);
    if (!changes.executionLevel.empty()) SetExecutionLevel(editor, changes.executionLevel);
    if (!changes.versionStrings.empty() || changes.setFileVersion || changes.setProductVersion) {
        pe::Leaf* version = editor.Find(setup::kVersionType, setup::kVersionId, setup::kLanguage);
        if (!version) throw Failure("holds no version block (1 in language 0x0404) to set");
        version->data = EditVersion(version->data, changes);
    }

    const pe::Section& rsrc = im.sections[im.rsrc];
    Bytes section = Layout(tree, rsrc.va);
    uint64_t raw = AlignUp(section.size(), im.fileAlignment);
    uint64_t oldImage = im.optional.sizeOfImage.Get(image);
    uint64_t newImage = oldImage + AlignUp(rsrc.va + section.size(), im.sectionAlignment)
                        - AlignUp(rsrc.End(), im.sectionAlignment);
    if (newImage > 0xffffffffu || image.size() - rsrc.rawSize + raw > 0xffffffffu)
        throw Failure("the rebuilt image would be too large");
    uint64_t moveBy = newImage - oldImage, shiftBy = raw - rsrc.rawSize;  // modulo 2^64: may shrink

    Bytes out(image.begin(), image.begin() + rsrc.rawOffset);
    out.insert(out.end(), section.begin(), section.end());
    out.resize(rsrc.rawOffset + raw);
    out.insert(out.end(), image.begin() + rsrc.rawOffset + rsrc.rawSize, image.end());

    // The header fields that describe what moved. A field takes the low bytes
    // of a sum: moveBy and shiftBy may stand for a decrease.
    rsrc.header.virtualSize.Set(out, section.size());
    rsrc.header.sizeOfRawData.Set(out, raw);
    for (size_t i = im.rsrc + 1; i < im.sections.size(); ++i) {
        im.sections[i].header.virtualAddress.Set(out, im.sections[i].va + moveBy);
        if (im.sections[i].rawSize) im.sections[i].header.pointerToRawData.Set(out, im.sections[i].rawOffset + shiftBy);
    }
    im.Directory(pe::kResourceDir).size.Set(out, section.size());
    if (im.DirSize(pe::kRelocationDir) && im.DirRva(pe::kRelocationDir) >= rsrc.End())
        im.Directory(pe::kRelocationDir).rva.Set(out, im.DirRva(pe::kRelocationDir) + moveBy);
    im.optional.sizeOfImage.Set(out, newImage);
    // SizeOfInitializedData, where it counts the section: linkers differ.
    uint64_t initialized = im.optional.sizeOfInitializedData.Get(image);
    if ((rsrc.flags & kInitializedData) && initialized >= rsrc.rawSize && initialized + shiftBy <= 0xffffffffu)
        im.optional.sizeOfInitializedData.Set(out, initialized + shiftBy);
    im.optional.checkSum.Set(out, 0);
    im.optional.checkSum.Set(out, Checksum(out));
    return out;
}

}  // namespace rebrand
