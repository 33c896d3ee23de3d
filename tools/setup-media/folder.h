// A media folder as the launcher's directory search sees it on NTFS: names
// compared without letter case, directories matching as files do, entries
// returned in upper-cased order.
#ifndef MEDIA_FOLDER_H
#define MEDIA_FOLDER_H

#include <string>
#include <vector>

#include "package_rules.h"
#include "system.h"

namespace media {

struct Entry {
    std::string name;  // UTF-8, as listed
    bool directory;
    std::u16string key;  // the name upper-cased, in UTF-16: NTFS's order and its comparison
};

// A name upper-cased as Windows compares and orders names, code unit by code
// unit, by the table Wine's NTFS emulation uses (locales/upcase.tsv, measured
// under Wine; NTFS volumes carry their own, which may lack the newest
// letters). Bytes that are no UTF-8 keep their place.
std::u16string FoldName(const std::string& name);

// Whether name matches pattern (both folded): '*' stands for any run of
// characters, '?' for one.
bool MatchesPattern(const std::u16string& pattern, const std::u16string& name);

class Folder {
public:
    explicit Folder(const std::vector<toolkit::FolderEntry>& entries);

    const std::vector<Entry>& Entries() const { return entries_; }
    // Symbolic links to nothing, or in a loop: listed apart, as Wine lists no
    // such entry (and a copy of the folder holds no such file).
    const std::vector<std::string>& BrokenLinks() const { return brokenLinks_; }
    // The entries the search returns for name (a file name or pattern), in order.
    std::vector<const Entry*> Matches(const std::string& name) const;
    const Entry* Match(const std::string& name) const;  // the first of them

private:
    std::vector<Entry> entries_;
    std::vector<std::string> brokenLinks_;
};

// The folder as package_rules::LookUpPackage probes it; remembers the entry
// that decided and those the judge passed over.
class FolderProbe {
public:
    explicit FolderProbe(const Folder& folder) : folder_(folder) {}

    template <class Judge>
    package_rules::Lookup Find(const std::string& name, const Judge* judge, std::string& found)
    {
        decided_ = nullptr;
        if (name.empty()) return package_rules::kMissing;
        for (const Entry* entry : folder_.Matches(name)) {
            if (judge && !judge->Takes(entry->name.c_str())) {
                if (!decided_) passedOver_.push_back(entry);
            } else if (!decided_) {
                decided_ = entry;
                found = entry->name;
            } else if (entry->key != decided_->key) {
                alsoTaken_.push_back(entry);  // the folder's order decided between them
            }
        }
        return decided_ ? package_rules::kFound : package_rules::kMissing;
    }
    bool Exists(const std::string& fallback);
    const Entry* Decided() const { return decided_; }
    bool Fallback() const { return fallback_; }  // the English package decided, as the last resort
    const std::vector<const Entry*>& PassedOver() const { return passedOver_; }
    // The other entries that would have been taken, after the one that decided.
    const std::vector<const Entry*>& AlsoTaken() const { return alsoTaken_; }

private:
    const Folder& folder_;
    const Entry* decided_ = nullptr;
    bool fallback_ = false;
    std::vector<const Entry*> passedOver_;
    std::vector<const Entry*> alsoTaken_;
};

}  // namespace media

#endif
