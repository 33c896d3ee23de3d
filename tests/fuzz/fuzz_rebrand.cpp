// setup-rebrand's reader and rebuilder on arbitrary files, seeded with real
// Setup.exe builds: whatever it accepts, it must turn into an image that
// reads back the new name and that rebrands back to what the input gives.
#include "fuzz_support.h"

#include <cstdint>
#include <cstring>

#include "setup_image.h"

namespace {

// The image rebranded, or nothing if refused. SizeOfInitializedData is only
// adjusted while it can hold the section, and the checksum follows it: two
// routes to one name may differ there alone, so both are left as zero.
rebrand::Bytes Rebranded(const rebrand::Bytes& image, const std::string& name)
{
    try {
        rebrand::Bytes out = rebrand::Rebrand(image, name);
        uint32_t pe = out[0x3c] | out[0x3d] << 8 | out[0x3e] << 16 | static_cast<uint32_t>(out[0x3f]) << 24;
        std::memset(&out[pe + 24 + 8], 0, 4);
        std::memset(&out[pe + 24 + 64], 0, 4);
        return out;
    } catch (const rebrand::Refusal&) {
        return rebrand::Bytes();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::string names[] = {"Acme Widgets", "", std::string(247, 'n'), "q"};
    const rebrand::Bytes image(data, data + size);
    const std::string& name = names[size % 4];
    rebrand::Bytes out = Rebranded(image, name);
    if (out.empty()) return 0;
    std::string held = rebrand::ReadBaseName(image), now = rebrand::ReadBaseName(out);  // a Refusal fails
    FUZZ_CHECK(now == name, "reads back \"%s\" instead of \"%s\"", now.c_str(), name.c_str());
    if (held.find('\\') != std::string::npos) return 0;  // shown with escapes: not a name to set
    rebrand::Bytes back = Rebranded(out, held);
    FUZZ_CHECK(back == Rebranded(image, held), "\"%s\" by way of \"%s\" differs", held.c_str(), name.c_str());
    return 0;
}
