// Package names from any locale strings. A name is the base name, '_', a tag
// and ".msi": the tag is the abbreviation, a fixed tag, or the ISO name and
// '*' (so never longer than the locale strings allow), and it holds no path
// separator. No name, and so the English package, without an abbreviation.
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    const bool readable = in.ConsumeBool();
    const std::string abbreviation = in.ConsumeRandomLengthString(255).c_str();
    const std::string iso = in.ConsumeRandomLengthString(255).c_str();
    // Base names as the build accepts them: printable ASCII but < > : " / \ | ? *, at most 247.
    const std::string base = in.ConsumeRemainingBytesAsString();
    for (char c : base)
        if (c < ' ' || c > '~' || std::strchr("<>:\"/\\|?*", c) != NULL) return -1;
    if (base.size() > 247) return -1;

    const std::string name(PackageNameForLocale(base.c_str(), readable ? abbreviation.c_str() : NULL, iso.c_str()));
    const std::string separators = "\\/:";
    if (name.empty()) {
        FUZZ_CHECK(!readable || abbreviation.empty() ||
                   (abbreviation + iso).find_first_of(separators) != std::string::npos);
        return 0;
    }
    FUZZ_CHECK(readable && !abbreviation.empty());
    FUZZ_CHECK(name.find_first_of(separators) == std::string::npos);
    const std::string head = base + "_";
    FUZZ_CHECK(name.size() > head.size() + 4 && name.compare(0, head.size(), head) == 0 &&
               name.compare(name.size() - 4, 4, ".msi") == 0);
    const std::string tag = name.substr(head.size(), name.size() - head.size() - 4);
    FUZZ_CHECK(tag == abbreviation || tag == "cht" || tag == "chs" || tag == "nor" ||
               (!iso.empty() && tag == iso + "*"));
    return 0;
}
