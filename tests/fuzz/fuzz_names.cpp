// The tools' text and setup-media's view of names on arbitrary bytes: UTF-8
// and UTF-16 round-trip, what is shown is safe to print, a name matches
// itself, and a pattern's match still matches with "*" after both.
#include "fuzz_support.h"

#include <algorithm>

#include "folder.h"
#include "text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    const std::string name = in.ConsumeRandomLengthString(300), pattern = in.ConsumeRemainingBytesAsString();

    // What is shown is UTF-8 without controls or bidirectional overrides, is shown as it is, and leaves
    // printable ASCII alone.
    const std::string shown = toolkit::Shown(name);
    FUZZ_CHECK(toolkit::IsUtf8(shown) && toolkit::Shown(shown) == shown);
    for (char16_t c : toolkit::Utf8ToUtf16(shown))
        FUZZ_CHECK(c >= 0x20 && c != 0x7f && !(c >= 0x202a && c <= 0x202e) && !(c >= 0x2066 && c <= 0x2069),
                   "shows U+%04x", static_cast<unsigned>(c));
    if (std::all_of(name.begin(), name.end(), [](char c) { return c >= 0x20 && c < 0x7f; })) FUZZ_CHECK(shown == name);
    if (toolkit::IsUtf8(name)) FUZZ_CHECK(toolkit::Utf16ToUtf8(toolkit::Utf8ToUtf16(name)) == name);

    const std::u16string folded = media::FoldName(name), folds = media::FoldName(pattern);
    if (name.find_first_of("*?") == std::string::npos) FUZZ_CHECK(media::MatchesPattern(folded, folded));
    if (media::MatchesPattern(folds, folded))
        FUZZ_CHECK(media::MatchesPattern(folds + u"*", folded + media::FoldName(name.substr(0, 3))));
    return 0;
}
