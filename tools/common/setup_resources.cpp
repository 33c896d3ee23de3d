#include "setup_resources.h"

#include <zlib.h>

#include <cstdio>
#include <cstring>

#include "text.h"

namespace setup {
namespace {

using pe::Bytes;
using pe::Get16;
using pe::Get32;
using pe::Failure;

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
    if (depth > 4) throw Failure("the version block nests too deep (malformed)");
    if (limit - at < 6) throw Failure("the version block is truncated (malformed)");
    size_t length = Get16(data, at), valueLength = Get16(data, at + 2);
    if (length < 6 || length > limit - at) throw Failure("a version block entry overruns its parent (malformed)");
    size_t end = at + length;
    VersionNode node;
    node.type = Get16(data, at + 4);
    if (node.type > 1) throw Failure("a version block entry is neither text nor binary (malformed)");
    size_t key = at + 6;
    while (key + 2 <= end && Get16(data, key) != 0) key += 2;
    if (key + 2 > end) throw Failure("a version block key is not terminated (malformed)");
    node.key = Utf16(data, at + 6, (key - at - 6) / 2);
    size_t value = Align4(key + 2), valueBytes = node.type == 1 ? 2 * valueLength : valueLength;
    if (valueBytes > 0 && (value > end || valueBytes > end - value))
        throw Failure("a version block value overruns its entry (malformed)");
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
            throw Failure("the string table block of string 101 is truncated (malformed)");
        end = begin + 2 + 2u * Get16(block, begin);
    }
}

std::u16string ReadBaseName(const pe::Tree& tree)
{
    const pe::Leaf* block = tree.Find(kStringType, kBaseNameBlock, kLanguage);
    if (!block) throw Failure(kNotOurs);
    size_t begin, end;
    LocateBaseName(block->data, begin, end);
    return Utf16(block->data, begin + 2, (end - begin - 2) / 2);
}

void LocateExecutionLevel(const Bytes& manifest, size_t& begin, size_t& end)
{
    size_t element = Find(manifest, "<requestedExecutionLevel", 0);
    size_t close = Find(manifest, ">", element);
    size_t attribute = Find(manifest, " level=", element);
    if (attribute >= close) throw Failure("the application manifest names no execution level");
    begin = attribute + 7;
    char quote = begin < close ? static_cast<char>(manifest[begin]) : 0;
    if (quote != '"' && quote != '\'') throw Failure("the application manifest's execution level is not quoted");
    ++begin;
    for (end = begin; end < close && manifest[end] != quote; ++end) {
    }
    if (end >= close) throw Failure("the application manifest's execution level is not quoted");
}

std::string ReadExecutionLevel(const pe::Tree& tree)
{
    const pe::Leaf* manifest = tree.Find(kManifestType, kManifestId, kLanguage);
    if (!manifest) return std::string();
    size_t begin, end;
    LocateExecutionLevel(manifest->data, begin, end);
    return std::string(manifest->data.begin() + begin, manifest->data.begin() + end);
}

namespace {

uint32_t Big32(const Bytes& data, size_t at)
{
    return static_cast<uint32_t>(data[at]) << 24 | data[at + 1] << 16 | data[at + 2] << 8 | data[at + 3];
}

// The rows of a PNG image's data, pass by pass (Adam7's seven where it is
// interlaced): how many, and the bytes of each, a filter byte first.
std::vector<std::pair<uint64_t, uint64_t> > PngRows(uint32_t width, uint32_t height, unsigned bits, bool interlaced)
{
    // Each pass's first column and row, and its steps across and down.
    static const unsigned kAdam7[7][4] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                          {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
    static const unsigned kWhole[1][4] = {{0, 0, 1, 1}};
    const unsigned(*passes)[4] = interlaced ? kAdam7 : kWhole;
    std::vector<std::pair<uint64_t, uint64_t> > rows;
    for (int i = 0; i < (interlaced ? 7 : 1); ++i) {
        const unsigned* p = passes[i];
        uint64_t columns = width > p[0] ? (width - p[0] + p[2] - 1) / p[2] : 0;
        uint64_t count = height > p[1] ? (height - p[1] + p[3] - 1) / p[3] : 0;
        if (columns && count) rows.push_back(std::make_pair(count, 1 + (columns * bits + 7) / 8));
    }
    return rows;
}

// Whether data inflates (zlib) to exactly what the rows take, each row with
// one of the five filters. Data after the stream is let be, as decoders do.
bool InflatesToRows(const std::string& data, const std::vector<std::pair<uint64_t, uint64_t> >& rows)
{
    uint64_t size = 0;
    for (const auto& pass : rows) size += pass.first * pass.second;
    z_stream stream = {};
    if (inflateInit(&stream) != Z_OK) return false;
    std::vector<unsigned char> out(static_cast<size_t>(size) + 1);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = out.data();
    stream.avail_out = static_cast<uInt>(out.size());
    bool exact = inflate(&stream, Z_FINISH) == Z_STREAM_END && stream.total_out == size;
    inflateEnd(&stream);
    uint64_t at = 0;
    for (const auto& pass : rows)
        for (uint64_t row = 0; exact && row < pass.first; ++row, at += pass.second) exact = out[at] <= 4;
    return exact;
}

// A PNG image, checked as a decoder reads it: chunks whole and their CRCs
// right, IHDR first and sound, a sound palette where its colour type needs
// one, the image data together and inflating to exactly the rows IHDR gives,
// no critical chunk but these, IEND last.
IconImage DescribePng(const Bytes& data, const std::string& what)
{
    const std::string malformed = what + " is a PNG image ";
    IconImage image = {0, 0, 0, true};
    unsigned depth = 0, type = 0;
    bool interlaced = false, palette = false, imageData = false, dataEnded = false, end = false;
    std::string compressed;
    for (size_t at = 8; !end;) {
        if (data.size() - at < 12 || Big32(data, at) > data.size() - at - 12)
            throw Failure(malformed + "cut short (truncated)");
        uint32_t length = Big32(data, at);
        std::string name(data.begin() + at + 4, data.begin() + at + 8);
        for (char c : name)
            if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')))
                throw Failure(malformed + "with a chunk type that is no four letters (malformed)");
        if (crc32(0, &data[at + 4], 4 + length) != Big32(data, at + 8 + length))
            throw Failure(malformed + "whose " + toolkit::Shown(name) + " chunk fails its CRC (malformed)");
        const unsigned char* body = &data[at + 8];
        if ((image.width == 0) != (name == "IHDR")) throw Failure(malformed + "without one IHDR chunk first (malformed)");
        if (name == "IHDR") {
            static const unsigned kChannels[] = {1, 0, 3, 1, 2, 0, 4};
            // The bit depths each colour type allows, bit n for depth n.
            static const unsigned kDepths[] = {0x10116, 0, 0x10100, 0x116, 0x10100, 0, 0x10100};
            if (length != 13) throw Failure(malformed + "with a bad IHDR chunk (malformed)");
            image.width = Big32(data, at + 8);
            image.height = Big32(data, at + 12);
            depth = body[8];
            type = body[9];
            interlaced = body[12] == 1;
            if (image.width == 0 || image.height == 0 || type > 6 || !kChannels[type] || depth > 16 ||
                !(kDepths[type] >> depth & 1) || body[10] != 0 || body[11] != 0 || body[12] > 1)
                throw Failure(malformed + "with a bad IHDR chunk (malformed)");
            image.bits = depth * kChannels[type];
        } else if (name == "PLTE") {
            // Up to 2^depth colours of three bytes, once, before the image data.
            unsigned most = type == 3 ? 1u << depth : 256;
            if (palette || imageData || length == 0 || length % 3 || length / 3 > most)
                throw Failure(malformed + "with a bad palette (PLTE; malformed)");
            palette = true;
        } else if (name == "IDAT") {
            if (dataEnded) throw Failure(malformed + "whose IDAT chunks are not together (malformed)");
            imageData = true;
            compressed.append(body, body + length);
        } else if (name == "IEND") {
            end = true;
        } else if (!(name[0] & 0x20)) {  // an upper-case first letter: a decoder must know the chunk
            throw Failure(malformed + "with a critical chunk " + toolkit::Shown(name) + " no decoder knows (malformed)");
        }
        dataEnded = imageData && name != "IDAT";
        at += 12ull + length;
    }
    if (!imageData) throw Failure(malformed + "without image data (IDAT; malformed)");
    if (type == 3 && !palette) throw Failure(malformed + "without the palette its colour type needs (malformed)");
    if (image.width > 256 || image.height > 256)
        throw Failure(what + " is larger than 256 pixels, which an icon directory cannot describe");
    if (!InflatesToRows(compressed, PngRows(image.width, image.height, image.bits, interlaced)))
        throw Failure(malformed + "whose data does not inflate to its rows (malformed)");
    return image;
}

}  // namespace

IconImage DescribeIconImage(const Bytes& data, const std::string& what)
{
    static const unsigned char kPng[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    if (data.size() >= 8 && std::memcmp(data.data(), kPng, 8) == 0) return DescribePng(data, what);
    // A BITMAPINFOHEADER; the height counts the colour bitmap and the mask.
    if (data.size() < 40 || Get32(data, 0) != 40) throw Failure(what + " is neither a bitmap nor a PNG image (malformed)");
    uint32_t width = Get32(data, 4), height = Get32(data, 8), planes = Get16(data, 12), bits = Get16(data, 14);
    uint32_t colours = Get32(data, 32);
    if (width > 256) throw Failure(what + " is larger than 256 pixels, which an icon directory cannot describe");
    if (width == 0 || height != 2 * width || planes != 1 ||
        (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) ||
        (bits <= 8 && colours > (1u << bits)) || (bits > 8 && colours > 256))
        throw Failure(what + " has a bad bitmap header (malformed)");
    uint64_t palette = 4ull * (colours ? colours : bits <= 8 ? 1u << bits : 0);
    uint64_t colourRow = (static_cast<uint64_t>(width) * bits + 31) / 32 * 4, maskRow = (width + 31) / 32 * 4;
    if (data.size() < 40 + palette + (colourRow + maskRow) * width)
        throw Failure(what + " is shorter than its bitmap (truncated)");
    IconImage image = {width, width, bits, false};
    return image;
}

std::vector<uint32_t> IconGroupIds(const Bytes& group)
{
    if (group.size() < 6 || group.size() < 6 + 14ull * Get16(group, 4))
        throw Failure("icon group 128 is truncated (malformed)");
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
        if (!icon) throw Failure("icon group 128 names icon " + std::to_string(id) + ", which is missing (malformed)");
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
        throw Failure("the version block has no fixed file information (malformed)");
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
