// setup-rebrand's icon file reader on arbitrary files: what it accepts is a
// set of images that lie in the file, describe themselves, and whose group
// entries give their sizes, and their dimensions, planes and bits as the images do.
#include "fuzz_support.h"

#include "icon_file.h"
#include "setup_resources.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<rebrand::IconImageData> images;
    try {
        images = rebrand::ReadIconFile(rebrand::Bytes(data, data + size));
    } catch (const toolkit::Failure&) {
        return 0;
    }
    size_t total = 0;
    for (const rebrand::IconImageData& image : images) {
        const unsigned char* e = image.entry;
        uint32_t length = e[8] | e[9] << 8 | e[10] << 16 | static_cast<uint32_t>(e[11]) << 24;
        FUZZ_CHECK(length == image.data.size() && !image.data.empty(), "entry says %u, image has %zu", length,
                   image.data.size());
        const setup::IconImage described = setup::DescribeIconImage(image.data, "image");  // a Failure fails
        FUZZ_CHECK((e[0] ? e[0] : 256u) == described.width && (e[1] ? e[1] : 256u) == described.height && e[4] == 1 &&
                       e[5] == 0 && e[6] <= 32 && e[7] == 0,
                   "entry %ux%u, planes %u, bits %u for a %ux%u image", e[0], e[1], e[4], e[6], described.width,
                   described.height);
        total += image.data.size();
    }
    FUZZ_CHECK(!images.empty() && total <= size);
    return 0;
}
