// The publisher tools' core, below their command lines: names folded and
// ordered as Windows does and written into JSON exactly, the PE model and
// the resource writer on crafted images, and version text.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "folder.h"
#include "pe_image.h"
#include "resource_writer.h"
#include "setup_resources.h"
#include "text.h"
#include "version_writer.h"

// Windows upper-cases every letter it has a capital for, past Latin-1 too,
// and orders a folder's names so; '*' and '?' match within the folded names.
TEST(Names, FoldedAndOrderedAsWindowsDoes)
{
    EXPECT_EQ(media::FoldName("a\xc4\x85\xe1\xba\xa1\xef\xbd\x81\xc3\xbf"),  // a ą ạ ａ ÿ
              std::u16string(u"A\u0104\u1EA0\uFF21\u0178"));
    EXPECT_EQ(media::FoldName("\xc3\x9f\xc4\xb1"), std::u16string(u"\u00DF\u0131"));  // ß and dotless ı stay
    EXPECT_EQ(media::FoldName("a\xff"), std::u16string(u"A\xDCFF"));  // a byte that is no UTF-8 keeps its place

    const std::vector<toolkit::FolderEntry> listed = {{"q_pl-\xc4\x84" "b.msi", false, false},
                                                      {"q_pl-\xc4\x85" "a.msi", false, false},
                                                      {"Q_PL!.MSI", true, false}, {"gone.msi", false, true}};
    media::Folder folder(listed);
    ASSERT_EQ(folder.Entries().size(), 3u);
    EXPECT_EQ(folder.Match("q_pl*.msi")->name, "Q_PL!.MSI");  // directories match as files do
    EXPECT_EQ(folder.Match("q_pl-*.msi")->name, "q_pl-\xc4\x85" "a.msi");
    EXPECT_EQ(folder.Match("Q_PL-\xc4\x85?.MSI")->name, "q_pl-\xc4\x85" "a.msi");
    EXPECT_EQ(folder.Match("gone.msi"), nullptr);
    EXPECT_EQ(folder.BrokenLinks(), std::vector<std::string>{"gone.msi"});
}

TEST(Names, WrittenIntoJsonExactly)
{
    EXPECT_EQ(toolkit::JsonString("q_\"\\\n\xc2\xad.msi"), "\"q_\\\"\\\\\\u000a\xc2\xad.msi\"");
    EXPECT_EQ(toolkit::JsonString("q_\xff\xc3.msi"), "\"q_\\udcff\\udcc3.msi\"");  // no UTF-8: lone surrogates
}

namespace {

// A resource tree as the tests craft it: a directory's named and numbered
// children, or on the fourth level the data.
struct Node {
    std::vector<std::u16string> names;
    std::vector<Node> named;
    std::vector<uint32_t> ids;
    std::vector<Node> numbered;
    pe::Bytes data;
};

void Put(pe::Bytes& b, size_t at, uint64_t value, int width)
{
    if (b.size() < at + width) b.resize(at + width);
    for (int i = 0; i < width; ++i) b[at + i] = static_cast<unsigned char>(value >> (8 * i));
}

// Lays node out at the end of section, which starts at va: a directory, its
// entries' names and what they lead to, each after the other; its offset.
uint32_t Lay(pe::Bytes& section, const Node& node, uint32_t va, int level)
{
    section.resize((section.size() + 7) & ~size_t(7));
    size_t at = section.size();
    if (level == 3) {
        Put(section, at, va + at + 16, 4);
        Put(section, at + 4, node.data.size(), 4);
        section.resize(at + 16);
        section.insert(section.end(), node.data.begin(), node.data.end());
        return static_cast<uint32_t>(at);
    }
    size_t count = node.names.size() + node.ids.size();
    Put(section, at + 12, node.names.size(), 2);
    Put(section, at + 14, node.ids.size(), 2);
    section.resize(at + 16 + 8 * count);
    for (size_t k = 0; k < count; ++k) {
        bool named = k < node.names.size();
        size_t entry = at + 16 + 8 * k;
        if (named) {
            const std::u16string& name = node.names[k];
            Put(section, entry, 0x80000000u | section.size(), 4);
            Put(section, section.size(), name.size(), 2);
            for (char16_t c : name) Put(section, section.size(), c, 2);
        } else {
            Put(section, entry, node.ids[k - node.names.size()], 4);
        }
        uint32_t child = Lay(section, named ? node.named[k] : node.numbered[k - node.names.size()], va, level + 1);
        Put(section, entry + 4, level < 2 ? 0x80000000u | child : child, 4);
    }
    return static_cast<uint32_t>(at);
}

// A PE32 or PE32+ image of a code section and the resources, laid out as
// linkers do: 512-byte file alignment, 4 KiB in memory, 16 data directories.
pe::Bytes Crafted(bool plus, const Node& resources)
{
    pe::Bytes section;
    Lay(section, resources, 0x2000, 0);
    uint32_t raw = (section.size() + 511) & ~511u;
    pe::Bytes f(0x400);
    f[0] = 'M', f[1] = 'Z';
    Put(f, 0x3c, 0x80, 4);
    Put(f, 0x80, 0x4550, 4);
    Put(f, 0x84, plus ? 0x8664 : 0x14c, 2);
    Put(f, 0x86, 2, 2);  // sections
    size_t opt = 0x98, dirs = opt + (plus ? 112 : 96);
    Put(f, 0x94, dirs + 128 - opt, 2);
    Put(f, opt, plus ? 0x20b : 0x10b, 2);
    Put(f, opt + 16, 0x1000, 4);  // the entry point
    Put(f, opt + (plus ? 24 : 28), 0x400000, plus ? 8 : 4);
    Put(f, opt + 32, 0x1000, 4);
    Put(f, opt + 36, 0x200, 4);
    Put(f, opt + 56, 0x2000 + ((raw + 0xfff) & ~0xfffu), 4);
    Put(f, opt + 60, 0x200, 4);
    Put(f, dirs - 4, 16, 4);
    Put(f, dirs + 16, 0x2000, 4);
    Put(f, dirs + 20, section.size(), 4);
    const struct {
        const char* name;
        uint32_t va, size, raw, at;
    } sections[] = {{".text", 0x1000, 0x10, 0x200, 0x200}, {".rsrc", 0x2000, static_cast<uint32_t>(section.size()), raw, 0x400}};
    for (size_t i = 0; i < 2; ++i) {
        size_t entry = dirs + 128 + 40 * i;
        std::memcpy(&f[entry], sections[i].name, std::strlen(sections[i].name));
        Put(f, entry + 8, sections[i].size, 4);
        Put(f, entry + 12, sections[i].va, 4);
        Put(f, entry + 16, sections[i].raw, 4);
        Put(f, entry + 20, sections[i].at, 4);
        Put(f, entry + 36, 0x40000040, 4);
    }
    section.resize(raw);
    f.insert(f.end(), section.begin(), section.end());
    return f;
}

std::vector<uint32_t> Ids(const pe::Directory& dir)
{
    std::vector<uint32_t> ids;
    for (const pe::IdEntry& entry : dir.ids) ids.push_back(entry.id);
    return ids;
}

Node Data(const pe::Bytes& data)
{
    Node leaf;
    leaf.data = data;
    return leaf;
}

// A directory of one numbered child.
Node Holding(uint32_t id, const Node& child)
{
    Node node;
    node.ids.push_back(id);
    node.numbered.push_back(child);
    return node;
}

// Strings 96 to 111, all empty but string 101.
pe::Bytes StringBlock(const std::u16string& string101)
{
    pe::Bytes block(32);
    Put(block, 10, string101.size(), 2);
    for (char16_t c : string101) block.insert(block.begin() + block.size() - 20, {static_cast<unsigned char>(c), 0});
    return block;
}

// The root of a Setup.exe's resources as the tests craft them: a named
// type first, the base name, and icon group 128 of one icon, beside a named
// one and one of no group.
Node SetupResources()
{
    Node root;
    root.names = {u"QUEL"};
    root.named = {Holding(1, Holding(0x409, Data({'q', 'u', 'e', 'l'})))};
    root.ids = {3, 6, 14};
    pe::Bytes group = {0, 0, 1, 0, 1, 0, 16, 16, 0, 0, 1, 0, 32, 0, 4, 0, 0, 0, 5, 0};
    Node icons = Holding(5, Holding(setup::kLanguage, Data({1, 2, 3, 4})));
    icons.ids.push_back(9);  // an icon of no group, which stays
    icons.numbered.push_back(Holding(setup::kLanguage, Data({9, 9})));
    icons.names = {u"SPARE"};
    icons.named = {Holding(0x409, Data({9}))};
    root.numbered = {icons,
                     Holding(setup::kBaseNameBlock, Holding(setup::kLanguage, Data(StringBlock(u"old")))),
                     Holding(setup::kIconGroupId, Holding(setup::kLanguage, Data(group)))};
    return root;
}

}  // namespace

// The model reads both kinds of image by their fields' names; the writer
// keeps named entries as they were, and numbered ones in order of their ids.
TEST(PeModel, CraftedImagesOfBothKindsReadAndRebuilt)
{
    for (bool plus : {false, true}) {
        SCOPED_TRACE(plus ? "PE32+" : "PE32");
        const pe::Bytes file = Crafted(plus, SetupResources());
        pe::Image image(file);
        EXPECT_EQ(image.plus, plus);
        EXPECT_EQ(image.optional.imageBase.Get(file), 0x400000u);
        EXPECT_EQ(image.optional.sizeOfImage.Get(file), 0x3000u);
        ASSERT_EQ(image.sections.size(), 2u);
        EXPECT_EQ(image.rsrc, 1u);
        pe::Tree tree = pe::ReadResources(image);
        EXPECT_EQ(setup::ReadBaseName(tree), u"old");
        EXPECT_EQ(setup::IconGroupIds(tree.Find(setup::kIconGroupType, setup::kIconGroupId, setup::kLanguage)->data), std::vector<uint32_t>{5});

        rebrand::Changes changes;
        changes.setBaseName = true;
        changes.baseName = "Acme Widgets";
        changes.setIcon = true;
        changes.icon = {{{16, 16, 0, 0, 1, 0, 32, 0, 4, 0, 0, 0}, {7, 7, 7, 7}},
                        {{32, 32, 0, 0, 1, 0, 32, 0, 2, 0, 0, 0}, {8, 8}}};
        const pe::Bytes out = rebrand::Rebrand(file, changes);
        pe::Image after(out);
        pe::Tree rebuilt = pe::ReadResources(after);
        EXPECT_EQ(setup::ReadBaseName(rebuilt), u"Acme Widgets");
        const pe::Directory& root = rebuilt.dirs[0];
        ASSERT_EQ(root.named.size(), 1u);
        EXPECT_EQ(root.named[0].name, pe::Bytes({4, 0, 'Q', 0, 'U', 0, 'E', 0, 'L', 0}));
        const pe::Target* language = rebuilt.Find(rebuilt.Find(root.named[0].target.child, 1)->child, 0x409);
        EXPECT_EQ(rebuilt.leaves[language->child].data, pe::Bytes({'q', 'u', 'e', 'l'}));
        EXPECT_EQ(Ids(root), std::vector<uint32_t>({3, 6, 14}));
        // Icon 5 gave way to 1 and 2, in order before 9, after the named icon.
        const pe::Directory& icons = rebuilt.dirs[rebuilt.Find(0, setup::kIconType)->child];
        ASSERT_EQ(icons.named.size(), 1u);
        EXPECT_EQ(icons.named[0].name, pe::Bytes({5, 0, 'S', 0, 'P', 0, 'A', 0, 'R', 0, 'E', 0}));
        EXPECT_EQ(Ids(icons), std::vector<uint32_t>({1, 2, 9}));
        EXPECT_EQ(setup::IconGroupIds(rebuilt.Find(setup::kIconGroupType, setup::kIconGroupId, setup::kLanguage)->data), std::vector<uint32_t>({1, 2}));
        EXPECT_EQ(rebuilt.Find(setup::kIconType, 5, setup::kLanguage), nullptr);
        EXPECT_EQ(rebuilt.Find(setup::kIconType, 2, setup::kLanguage)->data, pe::Bytes({8, 8}));
        EXPECT_EQ(after.optional.imageBase.Get(out), 0x400000u);
        EXPECT_EQ(after.DirSize(pe::kResourceDir), after.sections[1].virtualSize);
    }
}

TEST(VersionText, ReadAsResourceScriptsWriteIt)
{
    const struct {
        const char* text;
        std::vector<uint16_t> version;  // empty: refused
    } cases[] = {
        {"1.2.3.4", {1, 2, 3, 4}}, {"2.3", {2, 3, 0, 0}}, {"1, 0, 0, 1", {1, 0, 0, 1}}, {"65535", {65535, 0, 0, 0}},
        {"065535.1", {65535, 1, 0, 0}}, {"65536", {}}, {"1.2.3.4.5", {}}, {"1..2", {}},
        {"1.2.", {}}, {"", {}}, {" 1", {}}, {"1 .2", {}}, {"1.2a", {}}, {"-1", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        uint16_t version[4];
        if (c.version.empty()) {
            EXPECT_THROW(rebrand::ParseVersionText("--file-version", c.text, version), toolkit::Failure);
        } else {
            rebrand::ParseVersionText("--file-version", c.text, version);
            EXPECT_EQ(std::vector<uint16_t>(version, version + 4), c.version);
        }
    }
}
