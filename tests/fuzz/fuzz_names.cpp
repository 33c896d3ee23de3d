// The tools' text and setup-media's view of names on arbitrary bytes: UTF-8
// and UTF-16 round-trip, what is shown is printable UTF-8 (and a printable
// name shown as it is), and a name matches itself, and a pattern's match
// still matches with "*" after both.
#include "fuzz_support.h"

#include <algorithm>

#include "folder.h"
#include "text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    const std::string name = in.ConsumeRandomLengthString(300), pattern = in.ConsumeRemainingBytesAsString();

    auto printable = [](char16_t c) { return c >= 0x20 && c != '\\' && (c < 0x7f || c >= 0xa0); };
    std::u16string wide, shownWide;
    std::string back;
    const std::string shown = toolkit::Shown(name);
    FUZZ_CHECK(toolkit::Utf8ToUtf16(shown, shownWide));
    for (char16_t c : shownWide) FUZZ_CHECK(printable(c) || c == '\\', "shows U+%04x", static_cast<unsigned>(c));
    if (toolkit::Utf8ToUtf16(name, wide)) {
        FUZZ_CHECK(toolkit::Utf16ToUtf8(wide, back) && back == name);
        if (std::all_of(wide.begin(), wide.end(), printable)) FUZZ_CHECK(shown == name);
    }

    const std::u16string folded = media::FoldName(name), folds = media::FoldName(pattern);
    if (name.find_first_of("*?") == std::string::npos) FUZZ_CHECK(media::MatchesPattern(folded, folded));
    if (media::MatchesPattern(folds, folded))
        FUZZ_CHECK(media::MatchesPattern(folds + u"*", folded + media::FoldName(name.substr(0, 3))));
    return 0;
}
