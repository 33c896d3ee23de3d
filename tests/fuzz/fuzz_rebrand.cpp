// setup-rebrand's reader and rebuilder on arbitrary files, seeded with real
// Setup.exe builds: whatever it accepts, it must turn into an image that
// reads back what was set and that rebrands back to what the input gives.
#include "fuzz_support.h"

#include <cstdint>

#include "base_name.h"
#include "resource_writer.h"
#include "setup_resources.h"
#include "text.h"

namespace {

// The image rebranded, or nothing if refused. SizeOfInitializedData is only
// adjusted while it can hold the section, and the checksum follows it: two
// routes to one name may differ there alone, so both are left as zero.
rebrand::Bytes Rebranded(const rebrand::Bytes& image, const rebrand::Changes& changes)
{
    rebrand::Bytes out;
    try {
        out = rebrand::Rebrand(image, changes);
    } catch (const toolkit::Failure&) {
        return out;
    }
    const pe::OptionalHeader header = pe::Image(out).optional;  // a Failure fails
    header.sizeOfInitializedData.Set(out, 0);
    header.checkSum.Set(out, 0);
    return out;
}

rebrand::Changes Named(const std::string& name)
{
    rebrand::Changes changes;
    changes.setBaseName = true;
    changes.baseName = name;
    return changes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::string names[] = {"Acme Widgets", "", std::string(247, 'n'), "q"};
    const rebrand::Bytes image(data, data + size);
    rebrand::Changes changes = Named(names[size % 4]);
    if (size % 3 == 0) {  // the version block and the manifest too
        changes.versionStrings.push_back(std::make_pair(u"CompanyName", u"Acme \u00c9tudes"));
        changes.setFileVersion = true;
        changes.fileVersion[0] = 7;
        changes.executionLevel = "requireAdministrator";
    }
    rebrand::Bytes out = Rebranded(image, changes);
    if (out.empty()) return 0;
    // The input's reads, then the output's: a Failure fails.
    pe::Tree before = pe::ReadResources(pe::Image(image)), after = pe::ReadResources(pe::Image(out));
    std::u16string held = setup::ReadBaseName(before), now = setup::ReadBaseName(after);
    FUZZ_CHECK(toolkit::Shown(now) == changes.baseName, "reads back \"%s\"", toolkit::Shown(now).c_str());
    if (size % 3 == 0) {
        setup::VersionInfo info = setup::ReadVersionInfo(setup::ParseVersion(*setup::FindVersionBlock(after)));
        FUZZ_CHECK(info.fileVersion[0] == 7 && setup::ReadExecutionLevel(after) == "requireAdministrator");
        bool company = false;
        for (const auto& s : info.strings) company = company || (s.first == u"CompanyName" && s.second == u"Acme \u00c9tudes");
        FUZZ_CHECK(company);
    }
    if (!toolkit::IsUtf16(held) || !toolkit::IsBaseName(toolkit::Utf16ToUtf8(held), true)) return 0;
    const std::string heldName = toolkit::Utf16ToUtf8(held);
    changes.baseName = heldName;
    rebrand::Bytes back = Rebranded(out, Named(heldName));
    FUZZ_CHECK(back == Rebranded(image, changes), "\"%s\" by way of \"%s\" differs", heldName.c_str(),
               names[size % 4].c_str());
    return 0;
}
