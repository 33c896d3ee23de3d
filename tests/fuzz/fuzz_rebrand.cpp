// setup-rebrand's reader and rebuilder on arbitrary files, seeded with real
// Setup.exe builds: whatever it accepts, it must turn into an image that
// reads back the new name and that rebrands back to what the input gives.
#include "fuzz_support.h"

#include <cstdint>
#include <cstring>

#include "setup_image.h"

namespace {

bool Attempt(const rebrand::Bytes& image, const std::string& name, rebrand::Bytes& out)
{
    try {
        out = rebrand::Rebrand(image, name);
        return true;
    } catch (const rebrand::Refusal&) {
        return false;
    }
}

// SizeOfInitializedData is only adjusted while it can hold the section, and
// the checksum follows it: two routes to one name may differ there alone.
rebrand::Bytes Masked(rebrand::Bytes image)
{
    uint32_t pe = image[0x3c] | image[0x3d] << 8 | image[0x3e] << 16 | static_cast<uint32_t>(image[0x3f]) << 24;
    std::memset(&image[pe + 24 + 8], 0, 4);
    std::memset(&image[pe + 24 + 64], 0, 4);
    return image;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::string names[] = {"Acme Widgets", "", std::string(247, 'n'), "q"};
    const rebrand::Bytes image(data, data + size);
    const std::string& name = names[size % 4];
    std::string held;
    bool readable = true;
    try {
        held = rebrand::ReadBaseName(image);
    } catch (const rebrand::Refusal&) {
        readable = false;
    }
    rebrand::Bytes out;
    if (!Attempt(image, name, out)) return 0;
    FUZZ_CHECK(readable, "rebranded a file whose base name cannot be read");
    std::string now = rebrand::ReadBaseName(out);
    FUZZ_CHECK(now == name, "reads back \"%s\" instead of \"%s\"", now.c_str(), name.c_str());
    if (held.find('\\') != std::string::npos) return 0;  // shown with escapes: not a name to set
    rebrand::Bytes back, direct;
    bool backOk = Attempt(out, held, back), directOk = Attempt(image, held, direct);
    FUZZ_CHECK(backOk == directOk, "rebranding back to \"%s\": %d, directly: %d", held.c_str(), backOk, directOk);
    FUZZ_CHECK(!backOk || Masked(back) == Masked(direct), "\"%s\" by way of \"%s\" differs", held.c_str(), name.c_str());
    return 0;
}
