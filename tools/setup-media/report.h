// What every locale gets from a media folder, and what a publisher should
// know about it: the findings.
#ifndef MEDIA_REPORT_H
#define MEDIA_REPORT_H

#include <string>
#include <vector>

#include "folder.h"
#include "locale_table.h"

namespace media {

// One locale's lookup, by the launcher's own rules and order.
struct Outcome {
    const Locale* locale;
    std::string looksFirstFor;  // its own package, where looksFor is a wildcard; else ""
    std::string looksFor;       // its package name; the English package's where it names none
    const Entry* decided;       // the entry the search found, or NULL: the missing-package message
    std::string installs;       // the name handed to Windows Installer ("" with the message)
    bool fallback;              // installs is the English package, taken because nothing else was there
    std::vector<const Entry*> passedOver;  // other languages' packages that looksFor matched
    std::vector<const Entry*> alsoTaken;   // what looksFor also matched: the folder's order decided
};

enum Severity { kError, kWarning, kNote };

struct Finding {
    Severity severity;
    std::string kind;  // no-english, other-language, unreachable, directory, broken-link, case-duplicate, order,
                       // other-region
    std::vector<const Locale*> locales;
    std::vector<std::string> files;
    std::string message, advice;
};

struct Report {
    std::string baseName;
    std::vector<Outcome> outcomes;  // one per locale of the table, in its order
    std::vector<Finding> findings;  // errors, then warnings, then notes
    bool HasErrors() const;
};

// The outcome of one locale, without a folder to look in when folder is NULL.
Outcome Evaluate(const std::string& baseName, const Locale& locale, const Folder* folder);
Report Evaluate(const std::string& baseName, const Folder& folder);

// For people: grouped by the file installed, then the findings. Only the
// chosen outcomes (all when none is chosen) are shown.
std::string RenderText(const Report& report, const std::vector<const Outcome*>& chosen);
// The same as one JSON document, for CI.
std::string RenderJson(const Report& report, const std::vector<const Outcome*>& chosen);
// Every locale with its abbreviation, ISO name and what it looks for: Markdown.
std::string RenderLocaleTable(const std::string& baseName);

}  // namespace media

#endif
