// Package name selection from arbitrary locale strings, terminated or not.
#include "fuzz_support.h"

#include <algorithm>

namespace {

// What the launcher can have read: a terminated value must fit 256 bytes;
// of an unterminated one, the count returned is taken to hold a terminator.
bool Readable(const std::string& value, bool unterminated, std::string& seen)
{
    if (unterminated) {
        if (value.empty()) return false;  // a return of 0 is a failed read
        seen = AsCString(value.substr(0, std::min<size_t>(value.size(), 256) - 1));
        return true;
    }
    if (value.size() + 1 > 256) return false;
    seen = AsCString(value);
    return true;
}

bool SameFirstTwo(const std::string& a, const std::string& b)
{
    for (size_t i = 0; i < 2; ++i) {
        char x = i < a.size() ? a[i] : '\0';
        char y = i < b.size() ? b[i] : '\0';
        if (FoldAscii(x) != FoldAscii(y)) return false;
        if (x == '\0') return true;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    fake::reset();
    fake::World& world = fake::world();
    world.locale.clear();
    world.localeUnterminated = in.ConsumeBool();
    bool haveAbbreviation = in.ConsumeBool();
    bool haveIso = in.ConsumeBool();
    std::string base = AsCString(in.ConsumeRandomLengthString(300));
    std::string abbreviation = in.ConsumeRandomLengthString(400);
    std::string iso = in.ConsumeRemainingBytesAsString();
    if (haveAbbreviation) world.locale[LOCALE_SABBREVLANGNAME] = abbreviation;
    if (haveIso) world.locale[LOCALE_SISO639LANGNAME] = iso;

    std::string result(SelectPackageName(base.c_str()));

    std::string a, i;
    if (!haveAbbreviation || !Readable(abbreviation, world.localeUnterminated, a)) {
        FUZZ_CHECK(result.empty(), "result \"%s\" from an unreadable abbreviation", result.c_str());
        return 0;
    }
    if (!haveIso || !Readable(iso, world.localeUnterminated, i)) i.clear();

    std::string tag;
    if (SameNoCase(a, "cht") || SameNoCase(a, "chs"))
        tag = a;
    else if (SameNoCase(a, "zhh") || SameNoCase(a, "zhm"))
        tag = "cht";
    else if (SameNoCase(a, "nob") || SameNoCase(a, "non"))
        tag = "nor";
    else if (SameNoCase(i, "zh"))
        tag = "chs";
    else if (SameFirstTwo(a, i))
        tag = i + "*";
    else
        tag = a;
    std::string expected = base + "_" + tag + ".msi";
    FUZZ_CHECK(result == expected, "abbreviation \"%s\" iso \"%s\": got \"%s\", expected \"%s\"", a.c_str(),
               i.c_str(), result.c_str(), expected.c_str());
    size_t reads = fake::callsStartingWith("GetLocaleInfoA").size();
    bool isoRead = !(SameNoCase(a, "cht") || SameNoCase(a, "chs") || SameNoCase(a, "zhh") || SameNoCase(a, "zhm") ||
                     SameNoCase(a, "nob") || SameNoCase(a, "non"));
    FUZZ_CHECK(reads == (isoRead ? 2u : 1u), "%zu locale reads for \"%s\"", reads, a.c_str());
    return 0;
}
