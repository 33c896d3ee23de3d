// Writes a new Setup.exe from a built one: its resource section rebuilt
// around a new package base name, icon, version strings or execution level,
// and the header fields that describe the section updated. Everything else
// stays as it was, byte for byte.
#ifndef REBRAND_RESOURCE_WRITER_H
#define REBRAND_RESOURCE_WRITER_H

#include <string>
#include <utility>
#include <vector>

#include "pe_image.h"

namespace rebrand {

using pe::Bytes;
using pe::Failure;

// One image of an icon: its icon group entry (width, height, colour count,
// reserved, planes, bit count, size in bytes) and its data.
struct IconImageData {
    unsigned char entry[12];
    Bytes data;
};

struct Changes {
    bool setBaseName = false;
    std::string baseName;  // printable ASCII, checked by the caller
    bool setIcon = false;
    std::vector<IconImageData> icon;
    std::string executionLevel;  // "" keeps the manifest's
    // Version block strings (CompanyName ...) to set, and the fixed versions.
    std::vector<std::pair<std::u16string, std::u16string> > versionStrings;
    bool setFileVersion = false, setProductVersion = false;
    uint16_t fileVersion[4] = {0, 0, 0, 0}, productVersion[4] = {0, 0, 0, 0};
};

// A copy of the image with the changes made. Sections after the resources may
// only be the base relocations, which move along. Throws Failure, for
// instance for a signed image.
Bytes Rebrand(const Bytes& image, const Changes& changes);

}  // namespace rebrand

#endif
