// setup-rebrand's icon file reader on arbitrary files: what it accepts is a
// set of images that lie in the file, describe themselves, and whose group
// entries give their sizes.
#include "fuzz_support.h"

#include "icon_file.h"
#include "setup_resources.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<rebrand::IconImageData> images;
    try {
        images = rebrand::ReadIconFile(rebrand::Bytes(data, data + size));
    } catch (const rebrand::Refusal&) {
        return 0;
    }
    size_t total = 0;
    for (const rebrand::IconImageData& image : images) {
        const unsigned char* e = image.entry;
        uint32_t length = e[8] | e[9] << 8 | e[10] << 16 | static_cast<uint32_t>(e[11]) << 24;
        FUZZ_CHECK(length == image.data.size() && !image.data.empty(), "entry says %u, image has %zu", length,
                   image.data.size());
        setup::DescribeIconImage(image.data, "image");  // a Refusal fails
        total += image.data.size();
    }
    FUZZ_CHECK(!images.empty() && total <= size);
    return 0;
}
