// Package names from any locale strings and any base name the build accepts:
// the base name, '_', a tag (the abbreviation, a fixed tag, or the ISO name and
// '*'), each only from the input that calls for it, and ".msi", with no path
// separator; else none, and so the English package. Only a wildcard comes with
// the locale's own package, named by its abbreviation, and only where the
// abbreviation is not the placeholder of locales known only by name.
#include "fuzz_support.h"

#include <cctype>

#include "base_name.h"

static std::string Lower(std::string text)
{
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

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
    // Each kind of tag only from an input that calls for it: a wildcard of the ISO name, which then judges
    // matches, where the abbreviation names no language or starts as the ISO name does; the abbreviation
    // itself where it does not (or is a Chinese tag); the Chinese and Norwegian packages for those languages.
    const std::string abbr = Lower(abbreviation), language = Lower(iso);
    const bool sameStart = abbr.substr(0, 2) == language.substr(0, 2);
    if (!names.language.empty())
        FUZZ_CHECK(tag == iso + "*" && names.language == iso && (byName || sameStart), "%s from %s", tag.c_str(),
                   abbreviation.c_str());
    else if (tag == abbreviation)
        FUZZ_CHECK(!byName && (!sameStart || abbr.compare(0, 2, "ch") == 0), "%s from %s", tag.c_str(), iso.c_str());
    else if (tag == "cht" || tag == "chs")
        FUZZ_CHECK(abbr.compare(0, 2, "zh") == 0 || language == "zh", "%s from %s/%s", tag.c_str(),
                   abbreviation.c_str(), iso.c_str());
    else
        FUZZ_CHECK(tag == "nor" && (abbr.compare(0, 2, "no") == 0 || (byName && (language == "nb" || language == "nn"))),
                   "%s from %s/%s", tag.c_str(), abbreviation.c_str(), iso.c_str());
    FUZZ_CHECK(names.own.empty() || names.own == head + abbreviation + ".msi");
    return 0;
}
