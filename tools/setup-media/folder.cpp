#include "folder.h"

#include <algorithm>

#include "text.h"

namespace media {
namespace {

// How Windows upper-cases a code unit of a file name to compare and order
// names (NTFS's table, which Wine follows), measured under Wine by
// locales/regenerate.py.
struct UpperCase {
    char16_t code, upper;
};
const UpperCase kUpperCase[] = {
#include "upcase_table.inc"
};

char16_t Upper(char16_t c)
{
    const UpperCase* end = kUpperCase + sizeof(kUpperCase) / sizeof(kUpperCase[0]);
    const UpperCase* found =
        std::lower_bound(kUpperCase, end, c, [](const UpperCase& entry, char16_t code) { return entry.code < code; });
    return found != end && found->code == c ? found->upper : c;
}

}  // namespace

std::u16string FoldName(const std::string& name)
{
    std::u16string wide;
    if (toolkit::IsUtf8(name)) {
        wide = toolkit::Utf8ToUtf16(name);
    } else {
        // Not UTF-8 (Linux allows it): each byte, as a lone surrogate, keeps its place.
        for (unsigned char byte : name) wide += static_cast<char16_t>(byte < 0x80 ? byte : 0xdc00 + byte);
    }
    for (char16_t& c : wide) c = Upper(c);
    return wide;
}

bool MatchesPattern(const std::u16string& pattern, const std::u16string& name)
{
    size_t p = 0, n = 0, star = std::u16string::npos, resume = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == u'*') {
            star = p++;
            resume = n;
        } else if (p < pattern.size() && (pattern[p] == u'?' || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (star != std::u16string::npos) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*') ++p;
    return p == pattern.size();
}

Folder::Folder(const std::vector<toolkit::FolderEntry>& entries)
{
    for (const toolkit::FolderEntry& entry : entries) {
        if (entry.broken)
            brokenLinks_.push_back(entry.name);
        else
            entries_.push_back(Entry{entry.name, entry.directory, FoldName(entry.name)});
    }
    std::sort(brokenLinks_.begin(), brokenLinks_.end());
    // Names that differ only in case (which NTFS cannot hold) in a fixed order.
    std::sort(entries_.begin(), entries_.end(),
              [](const Entry& a, const Entry& b) { return a.key != b.key ? a.key < b.key : a.name < b.name; });
}

std::vector<const Entry*> Folder::Matches(const std::string& name) const
{
    std::u16string pattern = FoldName(name);
    std::vector<const Entry*> matches;
    for (const Entry& entry : entries_)
        if (MatchesPattern(pattern, entry.key)) matches.push_back(&entry);
    return matches;
}

const Entry* Folder::Match(const std::string& name) const
{
    std::vector<const Entry*> matches = Matches(name);
    return matches.empty() ? nullptr : matches.front();
}

bool FolderProbe::Exists(const std::string& fallback)
{
    decided_ = folder_.Match(fallback);
    fallback_ = decided_ != nullptr;
    return fallback_;
}

}  // namespace media
