// What a Setup.exe of this project holds in its resources, all in language
// 0x0404 (Chinese, Traditional): the package base name (string 101), the
// application manifest, the icon and the version block.
#ifndef TOOLKIT_SETUP_RESOURCES_H
#define TOOLKIT_SETUP_RESOURCES_H

#include <string>
#include <vector>

#include "../../resources/resource_ids.h"
#include "pe_image.h"

namespace setup {

const uint32_t kLanguage = SETUP_LANGUAGE_SUB << 10 | SETUP_LANGUAGE_PRIMARY;  // 0x0404
const uint32_t kIconType = 3, kStringType = 6, kIconGroupType = 14, kVersionType = 16, kManifestType = 24;
const uint32_t kBaseNameId = IDS_PACKAGE_BASE_NAME, kIconGroupId = IDI_SETUP, kVersionId = IDV_SETUP,
               kManifestId = IDM_SETUP;
// String 101 is the sixth of block 7, which holds strings 96 to 111.
const uint32_t kBaseNameBlock = kBaseNameId / 16 + 1;

// The package base name, as its UTF-16 code units; throws Failure for an
// executable without it, which is not a Setup.exe of this project.
std::u16string ReadBaseName(const pe::Tree& tree);
// Where string 101 (its length, then its characters) lies in its block.
void LocateBaseName(const pe::Bytes& block, size_t& begin, size_t& end);

// The run level the manifest asks for (asInvoker, requireAdministrator ...),
// "" when there is no manifest. Throws Failure for a manifest without one.
std::string ReadExecutionLevel(const pe::Tree& tree);
// Where the value of requestedExecutionLevel's level attribute lies.
void LocateExecutionLevel(const pe::Bytes& manifest, size_t& begin, size_t& end);

// An icon image: its size in pixels and colour depth, PNG or bitmap.
struct IconImage {
    unsigned width, height, bits;
    bool png;
};
// The icon ids an icon group names, in its order; throws Failure for a
// truncated group.
std::vector<uint32_t> IconGroupIds(const pe::Bytes& group);
// The images of icon group 128, in the group's order.
std::vector<IconImage> ReadIcons(const pe::Tree& tree);
// An image's own description of itself (a DIB header or PNG's IHDR); throws
// Failure for data that is neither.
IconImage DescribeIconImage(const pe::Bytes& data, const std::string& what);

// The version block: a tree of nodes, each a key, a value and children.
struct VersionNode {
    std::u16string key;
    uint16_t type;  // 1: the value is text, counted in characters; 0: bytes
    pe::Bytes value;
    std::vector<VersionNode> children;
};
VersionNode ParseVersion(const pe::Bytes& data);  // throws Failure
const pe::Bytes* FindVersionBlock(const pe::Tree& tree);

// The fixed part's file and product versions, and the string table's strings.
struct VersionInfo {
    uint16_t fileVersion[4], productVersion[4];
    std::vector<std::pair<std::u16string, std::u16string> > strings;  // in the block's order
};
VersionInfo ReadVersionInfo(const VersionNode& root);  // throws Failure
// The string table node the tools read and set (the first, 040404B0 as built).
const VersionNode* StringTable(const VersionNode& root);

}  // namespace setup

#endif
