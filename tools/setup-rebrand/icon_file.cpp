#include "icon_file.h"

#include <algorithm>
#include <cstring>

#include "setup_resources.h"

namespace rebrand {

std::vector<IconImageData> ReadIconFile(const Bytes& file)
{
    using pe::Get16;
    using pe::Get32;
    if (file.size() < 6 || Get16(file, 0) != 0 || Get16(file, 2) != 1)
        throw Failure("is not an icon file (no icon directory)");
    uint32_t count = Get16(file, 4);
    uint64_t directoryEnd = 6 + 16ull * count;
    if (count == 0) throw Failure("is an icon file without images");
    if (file.size() < directoryEnd) throw Failure("is an icon file whose directory is truncated");

    std::vector<IconImageData> images;
    std::vector<std::pair<uint64_t, uint64_t> > spans;
    for (uint32_t i = 0; i < count; ++i) {
        uint64_t at = 6 + 16ull * i;
        uint32_t size = Get32(file, at + 8), offset = Get32(file, at + 12);
        std::string what = "image " + std::to_string(i + 1) + " of the icon file";
        if (size == 0 || offset < directoryEnd || offset > file.size() || size > file.size() - offset)
            throw Failure(what + " lies outside the file (truncated or malformed)");
        spans.push_back(std::make_pair(static_cast<uint64_t>(offset), static_cast<uint64_t>(offset) + size));
        IconImageData image;
        image.data.assign(file.begin() + offset, file.begin() + offset + size);
        setup::IconImage described = setup::DescribeIconImage(image.data, what);
        // The group entry is the directory entry without its offset, with what
        // the image says of itself: 256 pixels are written 0.
        unsigned width = file[at] ? file[at] : 256, height = file[at + 1] ? file[at + 1] : 256;
        if (width != described.width || height != described.height)
            throw Failure(what + " is " + std::to_string(described.width) + "x" + std::to_string(described.height) +
                          " pixels, and its directory entry says " + std::to_string(width) + "x" +
                          std::to_string(height) + " (malformed)");
        std::memcpy(image.entry, &file[at], 12);
        // Colours, reserved, planes, bits. Windows decodes a PNG image to 32-bit
        // ARGB, whatever its own depth, and icon editors write 32 for it.
        unsigned bits = described.png ? 32 : described.bits;
        const unsigned char fields[6] = {static_cast<unsigned char>(bits < 8 ? 1u << bits : 0), 0, 1, 0,
                                         static_cast<unsigned char>(bits), 0};
        std::memcpy(image.entry + 2, fields, sizeof fields);
        images.push_back(image);
    }
    std::sort(spans.begin(), spans.end());
    for (size_t i = 1; i < spans.size(); ++i)
        if (spans[i].first < spans[i - 1].second) throw Failure("the icon file's images overlap (malformed)");
    return images;
}

}  // namespace rebrand
