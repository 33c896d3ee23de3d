// Package names from any locale strings and any base name the build accepts:
// the base name, '_', a tag (the abbreviation, a fixed tag, or the ISO name and
// '*') and ".msi", with no path separator; else none, and so the English package.
// Only a wildcard comes with the locale's own package, named by its abbreviation, and
// only where the abbreviation is not the placeholder of locales known only by name.
#include "fuzz_support.h"

#include "base_name.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    const bool readable = in.ConsumeBool();
    const std::string abbreviation = in.ConsumeRandomLengthString(255).c_str();
    const std::string iso = in.ConsumeRandomLengthString(255).c_str();
    const std::string base = in.ConsumeRemainingBytesAsString();
    if (!toolkit::IsBaseName(base, true)) return -1;  // a name the build refuses

    const package_rules::PackageNames<std::string> names =
        package_rules::PackageNamesForLocale(base, readable ? abbreviation.c_str() : NULL, iso.c_str());
    const std::string& name = names.name;
    const bool byName = package_rules::IsPlaceholder(abbreviation.c_str());  // known only by name: the ISO name decides
    FUZZ_CHECK(!name.empty() || !readable || abbreviation.empty() || (byName && iso.empty()) ||
               (abbreviation + iso).find_first_of("\\/:") != std::string::npos);
    // The own package only comes with a wildcard, and never searches or leaves the folder itself.
    FUZZ_CHECK(names.own.empty() || (name.size() > 5 && name.compare(name.size() - 5, 5, "*.msi") == 0 &&
                                     names.own.find_first_of("\\/:*?", base.size()) == std::string::npos));
    if (name.empty()) return 0;
    const std::string head = base + "_";
    FUZZ_CHECK(readable && !abbreviation.empty() && name.find_first_of("\\/:") == std::string::npos);
    FUZZ_CHECK(name.size() > head.size() + 4 && name.compare(0, head.size(), head) == 0 &&
               name.compare(name.size() - 4, 4, ".msi") == 0);
    const std::string tag = name.substr(head.size(), name.size() - head.size() - 4);
    FUZZ_CHECK((tag == abbreviation && !byName) || tag == "cht" || tag == "chs" || tag == "nor" ||
               (!iso.empty() && tag == iso + "*"));
    // Only a wildcard passes over other languages' packages, by the ISO name it was made of.
    FUZZ_CHECK(names.language.empty() || (names.language == iso && tag == iso + "*"));
    return 0;
}
