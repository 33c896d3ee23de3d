#include "setup_resources.h"

#include <cstdio>
#include <cstring>

namespace setup {
namespace {

using pe::Bytes;
using pe::Get16;
using pe::Get32;
using pe::Refusal;

const char kNotOurs[] = "holds no package base name (string 101 in language 0x0404): not a Setup.exe of this project";

std::u16string Utf16(const Bytes& data, size_t begin, size_t count)
{
    std::u16string text;
    for (size_t i = 0; i < count; ++i) text += static_cast<char16_t>(Get16(data, begin + 2 * i));
    return text;
}

size_t Align4(size_t at) { return (at + 3) & ~static_cast<size_t>(3); }

// One node at [at, at + its length) of data, which the caller has bounded by
// limit; children follow the value, each on a 4-byte boundary.
VersionNode ParseNode(const Bytes& data, size_t at, size_t limit, int depth)
{
    if (depth > 4) throw Refusal("the version block nests too deep (malformed)");
    if (limit - at < 6) throw Refusal("the version block is truncated (malformed)");
    size_t length = Get16(data, at), valueLength = Get16(data, at + 2);
    if (length < 6 || length > limit - at) throw Refusal("a version block entry overruns its parent (malformed)");
    size_t end = at + length;
    VersionNode node;
    node.type = Get16(data, at + 4);
    if (node.type > 1) throw Refusal("a version block entry is neither text nor binary (malformed)");
    size_t key = at + 6;
    while (key + 2 <= end && Get16(data, key) != 0) key += 2;
    if (key + 2 > end) throw Refusal("a version block key is not terminated (malformed)");
    node.key = Utf16(data, at + 6, (key - at - 6) / 2);
    size_t value = Align4(key + 2), valueBytes = node.type == 1 ? 2 * valueLength : valueLength;
    if (valueBytes > 0 && (value > end || valueBytes > end - value))
        throw Refusal("a version block value overruns its entry (malformed)");
    node.value.assign(data.begin() + (valueBytes ? value : at), data.begin() + (valueBytes ? value + valueBytes : at));
    for (size_t child = Align4(value + valueBytes); child < end; child = Align4(child + Get16(data, child)))
        node.children.push_back(ParseNode(data, child, end, depth + 1));
    return node;
}

// XML attribute and element names as they stand in the manifest's text.
size_t Find(const Bytes& text, const char* what, size_t from)
{
    size_t length = std::strlen(what);
    for (size_t at = from; at + length <= text.size(); ++at)
        if (std::memcmp(&text[at], what, length) == 0) return at;
    return text.size();
}

// Word i (0: the major version) of the version whose two DWORDs start at at.
uint16_t VersionWord(const Bytes& fixed, size_t at, int i) { return Get16(fixed, at + 4 * (i / 2) + (i % 2 ? 0 : 2)); }

}  // namespace

void LocateBaseName(const Bytes& block, size_t& begin, size_t& end)
{
    end = 0;
    for (uint32_t i = 0; i <= kBaseNameId % 16; ++i) {
        begin = end;
        if (block.size() < begin + 2 || block.size() - begin - 2 < 2u * Get16(block, begin))
            throw Refusal("the string table block of string 101 is truncated (malformed)");
        end = begin + 2 + 2u * Get16(block, begin);
    }
}

std::u16string ReadBaseName(const pe::Tree& tree)
{
    const pe::Leaf* block = tree.Find(kStringType, kBaseNameBlock, kLanguage);
    if (!block) throw Refusal(kNotOurs);
    size_t begin, end;
    LocateBaseName(block->data, begin, end);
    return Utf16(block->data, begin + 2, (end - begin - 2) / 2);
}

void LocateExecutionLevel(const Bytes& manifest, size_t& begin, size_t& end)
{
    size_t element = Find(manifest, "<requestedExecutionLevel", 0);
    size_t close = Find(manifest, ">", element);
    size_t attribute = Find(manifest, " level=", element);
    if (attribute >= close) throw Refusal("the application manifest names no execution level");
    begin = attribute + 7;
    char quote = begin < close ? static_cast<char>(manifest[begin]) : 0;
    if (quote != '"' && quote != '\'') throw Refusal("the application manifest's execution level is not quoted");
    ++begin;
    for (end = begin; end < close && manifest[end] != quote; ++end) {
    }
    if (end >= close) throw Refusal("the application manifest's execution level is not quoted");
}

std::string ReadExecutionLevel(const pe::Tree& tree)
{
    const pe::Leaf* manifest = tree.Find(kManifestType, kManifestId, kLanguage);
    if (!manifest) return std::string();
    size_t begin, end;
    LocateExecutionLevel(manifest->data, begin, end);
    return std::string(manifest->data.begin() + begin, manifest->data.begin() + end);
}

IconImage DescribeIconImage(const Bytes& data, const std::string& what)
{
    static const unsigned char kPng[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    IconImage image = {0, 0, 0, false};
    if (data.size() >= 33 && std::memcmp(data.data(), kPng, 8) == 0 && std::memcmp(&data[12], "IHDR", 4) == 0) {
        // Big-endian width and height, then bit depth and colour type.
        image.width = static_cast<unsigned>(data[16] << 24 | data[17] << 16 | data[18] << 8 | data[19]);
        image.height = static_cast<unsigned>(data[20] << 24 | data[21] << 16 | data[22] << 8 | data[23]);
        static const unsigned kChannels[] = {1, 0, 3, 1, 2, 0, 4};
        unsigned type = data[25];
        image.bits = data[24] * (type < 7 ? kChannels[type] : 0);
        image.png = true;
        if (image.width == 0 || image.height == 0 || image.width > 1024 || image.height > 1024 || image.bits == 0)
            throw Refusal(what + " is a PNG image with a bad header (malformed)");
        return image;
    }
    // A BITMAPINFOHEADER; the height counts the colour bitmap and the mask.
    if (data.size() < 40 || Get32(data, 0) != 40) throw Refusal(what + " is neither a bitmap nor a PNG image (malformed)");
    uint32_t width = Get32(data, 4), height = Get32(data, 8), planes = Get16(data, 12), bits = Get16(data, 14);
    uint32_t colours = Get32(data, 32);
    if (width == 0 || width > 1024 || height != 2 * width || planes != 1 ||
        (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) ||
        (bits <= 8 && colours > (1u << bits)) || (bits > 8 && colours > 256))
        throw Refusal(what + " has a bad bitmap header (malformed)");
    uint64_t palette = 4ull * (colours ? colours : bits <= 8 ? 1u << bits : 0);
    uint64_t colourRow = (static_cast<uint64_t>(width) * bits + 31) / 32 * 4, maskRow = (width + 31) / 32 * 4;
    if (data.size() < 40 + palette + (colourRow + maskRow) * width)
        throw Refusal(what + " is shorter than its bitmap (truncated)");
    image.width = width;
    image.height = width;
    image.bits = bits;
    return image;
}

std::vector<uint32_t> IconGroupIds(const Bytes& group)
{
    if (group.size() < 6 || group.size() < 6 + 14ull * Get16(group, 4))
        throw Refusal("icon group 128 is truncated (malformed)");
    std::vector<uint32_t> ids;
    for (uint32_t i = 0; i < Get16(group, 4); ++i) ids.push_back(Get16(group, 6 + 14 * i + 12));
    return ids;
}

std::vector<IconImage> ReadIcons(const pe::Tree& tree)
{
    std::vector<IconImage> images;
    const pe::Leaf* group = tree.Find(kIconGroupType, kIconGroupId, kLanguage);
    if (!group) return images;
    for (uint32_t id : IconGroupIds(group->data)) {
        const pe::Leaf* icon = tree.Find(kIconType, id, kLanguage);
        if (!icon) throw Refusal("icon group 128 names icon " + std::to_string(id) + ", which is missing (malformed)");
        images.push_back(DescribeIconImage(icon->data, "icon " + std::to_string(id)));
    }
    return images;
}

VersionNode ParseVersion(const Bytes& data) { return ParseNode(data, 0, data.size(), 0); }

const Bytes* FindVersionBlock(const pe::Tree& tree)
{
    const pe::Leaf* leaf = tree.Find(kVersionType, kVersionId, kLanguage);
    return leaf ? &leaf->data : nullptr;
}

const VersionNode* StringTable(const VersionNode& root)
{
    for (size_t i = 0; i < root.children.size(); ++i)
        if (root.children[i].key == u"StringFileInfo" && !root.children[i].children.empty())
            return &root.children[i].children[0];
    return nullptr;
}

VersionInfo ReadVersionInfo(const VersionNode& root)
{
    const Bytes& fixed = root.value;
    if (root.key != u"VS_VERSION_INFO" || fixed.size() < 52 || Get32(fixed, 0) != 0xfeef04bd)
        throw Refusal("the version block has no fixed file information (malformed)");
    VersionInfo info;
    for (int i = 0; i < 4; ++i) {
        info.fileVersion[i] = VersionWord(fixed, 8, i);
        info.productVersion[i] = VersionWord(fixed, 16, i);
    }
    const VersionNode* table = StringTable(root);
    for (size_t i = 0; table && i < table->children.size(); ++i) {
        const VersionNode& s = table->children[i];
        std::u16string value = Utf16(s.value, 0, s.value.size() / 2);
        while (!value.empty() && value.back() == 0) value.pop_back();
        info.strings.push_back(std::make_pair(s.key, value));
    }
    return info;
}

}  // namespace setup
