#include "report.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>

#include "text.h"

namespace media {
namespace {

using package_rules::EqualNoCase;
using toolkit::Shown;

std::string Upper(std::string text)
{
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

std::string Described(const Locale& locale)
{
    std::string text = std::string(locale.name) + " " + locale.language;
    return *locale.country ? text + " (" + locale.country + ")" : text;
}

// The tag of a package file, <base>_<tag>.msi, or false for another file.
bool PackageTag(const std::string& base, const Entry& entry, std::string& tag)
{
    std::u16string head = FoldName(base + "_");
    const std::u16string& key = entry.key;
    if (key.size() <= head.size() + 4 || key.compare(0, head.size(), head) != 0 ||
        key.compare(key.size() - 4, 4, u".MSI") != 0)
        return false;
    tag = entry.name.substr(base.size() + 1, entry.name.size() - base.size() - 5);
    return true;
}

// The languages (ISO 639 names) whose locales use an abbreviation, and the
// locale that names it best: the language's own country where there is one.
struct Languages {
    std::map<std::string, std::set<std::string> > of;
    std::map<std::string, const Locale*> named;

    Languages()
    {
        for (size_t i = 0; i < kLocaleCount; ++i) {
            const Locale& l = kLocales[i];
            std::string abbreviation = Upper(l.abbreviation);
            if (l.lcid == kNoLcid || package_rules::IsPlaceholder(l.abbreviation)) continue;
            of[abbreviation].insert(l.iso639);
            const Locale*& best = named[abbreviation];
            if (!best || (best->neutral && !l.neutral)) best = &l;
        }
    }
};

const Languages& TheLanguages()
{
    static const Languages languages;
    return languages;
}

// The locales with an LCID, which are those the launcher asks Windows about.
struct TableLocales {
    void Tell(package_rules::TagLanguage& language) const
    {
        for (size_t i = 0; i < kLocaleCount && !language.Settled(); ++i) {
            const Locale& l = kLocales[i];
            if (l.lcid != kNoLcid && language.Uses(l.abbreviation)) language.Speaks(l.iso639);
        }
    }
};

// Where a locale that a package is meant for looks: its package name when
// exact, else its own package.
std::string OwnPackage(const std::string& base, const Locale& locale)
{
    Outcome outcome = Evaluate(base, locale, nullptr);
    return outcome.looksFirstFor.empty() ? outcome.looksFor : outcome.looksFirstFor;
}

// The locale a misnamed package was most likely meant for: by its ISO 639-2
// name (nob), its ISO 639 name, or the first letters of its language (ger).
const Locale* MeantFor(const std::string& tag)
{
    const Locale* best = nullptr;
    for (int rule = 0; rule < 3 && !best; ++rule)
        for (size_t i = 0; i < kLocaleCount; ++i) {
            const Locale& l = kLocales[i];
            bool fits = rule == 0 ? EqualNoCase(tag.c_str(), l.iso639_2)
                        : rule == 1 ? EqualNoCase(tag.c_str(), l.iso639)
                                    : tag.size() >= 3 && EqualNoCase(tag.c_str(), l.language, static_cast<int>(tag.size()));
            // The language's own country first (de-DE, fr-FR), else any locale with a number.
            if (!fits || l.lcid == kNoLcid || l.neutral) continue;
            bool home = Upper(l.iso639) == Upper(std::string(l.name).substr(std::string(l.name).find('-') + 1));
            if (!best || home) best = &l;
            if (home) break;
        }
    return best;
}

std::string List(const std::vector<const Locale*>& locales, size_t most = 6)
{
    std::string text;
    for (size_t i = 0; i < locales.size() && i < most; ++i) text += (i ? ", " : "") + Described(*locales[i]);
    if (locales.size() > most) text += " and " + std::to_string(locales.size() - most) + " more";
    return text;
}

// The packages a group of locales would look for first, each once. Locales
// known only by name have none.
std::string OwnPackageList(const std::string& base, const std::vector<const Locale*>& locales)
{
    std::vector<std::string> names;
    for (const Locale* l : locales) {
        std::string own = OwnPackage(base, *l);
        if (own.find('*') == std::string::npos && std::find(names.begin(), names.end(), own) == names.end())
            names.push_back(own);
    }
    std::string text;
    for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
    return text;
}

// "nothing to do", unless the locales need packages of their own.
std::string NothingUnless(const std::string& need, const std::string& base, const std::vector<const Locale*>& locales)
{
    std::string own = OwnPackageList(base, locales);
    return own.empty() ? "nothing to do" : "nothing to do, unless " + need + ": " + own;
}

std::string Count(size_t n, const char* what) { return std::to_string(n) + " " + what + (n == 1 ? "" : "s"); }

// A verb that agrees with a count: "1 locale gets", "2 locales get".
std::string Agreeing(size_t n, const char* one, const char* many) { return n == 1 ? one : many; }

void AddFindings(Report& report, const Folder& folder)
{
    const std::string& base = report.baseName;
    const std::string fallback = package_rules::FallbackName(base);
    const Languages& languages = TheLanguages();
    std::vector<const Locale*> missing;
    std::map<const Entry*, std::vector<const Locale*> > otherLanguage, otherRegion, got, byOrder;
    for (const Outcome& o : report.outcomes) {
        if (!o.decided) {
            missing.push_back(o.locale);
            continue;
        }
        got[o.decided].push_back(o.locale);
        if (!o.alsoTaken.empty()) byOrder[o.decided].push_back(o.locale);
        std::string tag;
        if (o.fallback || o.decided->directory || !PackageTag(base, *o.decided, tag)) continue;
        auto found = languages.of.find(Upper(tag));
        if (found != languages.of.end() && found->second.count(o.locale->iso639) &&
            Upper(tag) != Upper(o.locale->abbreviation))
            otherRegion[o.decided].push_back(o.locale);
    }
    for (const Outcome& o : report.outcomes)
        for (const Entry* passed : o.passedOver) otherLanguage[passed].push_back(o.locale);

    std::vector<Finding> errors, warnings, notes;
    if (!missing.empty())
        errors.push_back({kError, "no-english", missing, {fallback},
                          "no " + fallback + ", so " + Count(missing.size(), "locale") + " " +
                              Agreeing(missing.size(), "gets", "get") + " the missing-package message: " +
                              List(missing),
                          "ship " + fallback + ": the English package is what every locale without a package of "
                              "its own gets"});
    std::set<std::u16string> reached;  // the names of entries a locale installs, in any letter case
    for (const auto& entry : got) reached.insert(entry.first->key);
    for (const Entry& entry : folder.Entries()) {
        std::string tag;
        bool package = PackageTag(base, entry, tag);
        if (entry.directory && package) {  // every name a locale looks for is a package's
            warnings.push_back({kWarning, "directory", got[&entry], {entry.name},
                                Shown(entry.name) + " is a directory named like a package" +
                                    (got[&entry].empty() ? "" : "; Windows Installer fails on it for " + List(got[&entry])),
                                "rename or remove the directory"});
        } else if (package && !reached.count(entry.key)) {
            const Locale* meant = MeantFor(tag);
            std::string why = "no locale looks for the tag " + Shown(tag);
            std::string advice = "remove it, or name it by a Windows language abbreviation (docs/locales.md)";
            if (meant) {
                why = meant->language + std::string(" (") + meant->name + ") looks for " + OwnPackage(base, *meant);
                advice = "rename it " + OwnPackage(base, *meant) + " if it is the " + meant->language + " package";
            }
            warnings.push_back({kWarning, "unreachable", {}, {entry.name}, "no locale installs " + Shown(entry.name) + ": " + why, advice});
        }
    }
    for (const std::string& link : folder.BrokenLinks())
        warnings.push_back({kWarning, "broken-link", {}, {link},
                            Shown(link) + " is a symbolic link that leads nowhere (or round in a loop): Setup.exe "
                                          "under Wine sees no such entry, and a copy of the folder has no such file",
                            "remove the link, or put the file it should lead to in its place"});
    const std::vector<Entry>& entries = folder.Entries();
    for (size_t i = 0; i + 1 < entries.size(); ++i) {
        if (entries[i].key != entries[i + 1].key || (i > 0 && entries[i - 1].key == entries[i].key)) continue;
        std::vector<std::string> files;
        std::string names;
        for (size_t k = i; k < entries.size() && entries[k].key == entries[i].key; ++k) {
            files.push_back(entries[k].name);
            names += (names.empty() ? "" : " and ") + Shown(entries[k].name);
        }
        warnings.push_back({kWarning, "case-duplicate", {}, files,
                            names + " differ only in letter case: Windows keeps one of them, and which one is not said",
                            "keep one"});
    }
    for (const auto& entry : byOrder) {
        std::set<std::string> others;
        for (const Outcome& o : report.outcomes)
            if (o.decided == entry.first)
                for (const Entry* other : o.alsoTaken) others.insert(Shown(other->name));
        std::string also, own = OwnPackageList(base, entry.second);
        for (const std::string& name : others) also += (also.empty() ? "" : ", ") + name;
        warnings.push_back({kWarning, "order", entry.second, {entry.first->name},
                            Count(entry.second.size(), "locale") + " " + Agreeing(entry.second.size(), "gets", "get") +
                                " " + Shown(entry.first->name) + " only because NTFS lists it before " + also +
                                ", which their package name also matches; FAT, exFAT and discs keep no such order: " +
                                List(entry.second),
                            "keep one package their package name matches" +
                                (own.empty() ? std::string() : ", or ship their own, which is looked for first: " + own)});
    }
    for (const auto& entry : otherLanguage) {
        std::string tag;
        PackageTag(base, *entry.first, tag);
        const Locale* meant = languages.named.at(Upper(tag));
        notes.push_back({kNote, "other-language", entry.second, {entry.first->name},
                         Count(entry.second.size(), "locale") + " " +
                             Agreeing(entry.second.size(), "passes", "pass") + " over " + Shown(entry.first->name) +
                             ", a package for " + meant->language + " (" + Upper(tag) +
                             ") that their package name matches, and " + Agreeing(entry.second.size(), "gets", "get") +
                             " their next match or " + fallback + ": " +
                             List(entry.second),
                         NothingUnless("they need a package in their own language", base, entry.second)});
    }
    for (const auto& entry : otherRegion) {
        notes.push_back({kNote, "other-region", entry.second, {entry.first->name},
                         Count(entry.second.size(), "locale") + " " + Agreeing(entry.second.size(), "gets", "get") +
                             " " + Shown(entry.first->name) +
                             ", another region's package of their language: " + List(entry.second),
                         NothingUnless("a region needs its own package", base, entry.second)});
    }
    for (auto* group : {&errors, &warnings, &notes}) report.findings.insert(report.findings.end(), group->begin(), group->end());
}

const char* SeverityName(Severity severity)
{
    return severity == kError ? "error" : severity == kWarning ? "warning" : "note";
}

// What one locale looks for and gets, on one line.
std::string Describe(const Report& report, const Outcome& o)
{
    std::string text = "looks for ";
    if (!o.looksFirstFor.empty()) text += o.looksFirstFor + ", then ";
    text += o.looksFor;
    for (size_t i = 0; i < o.passedOver.size(); ++i)
        text += (i ? ", " : " (passes over ") + Shown(o.passedOver[i]->name) + (i + 1 < o.passedOver.size() ? "" : ")");
    if (o.fallback || !o.decided) text += ", then " + package_rules::FallbackName(report.baseName);
    if (!o.decided) return text + ": shows the missing-package message";
    return text + ": installs " + Shown(o.installs) + (o.decided->directory ? " (a directory)" : "");
}

std::string Json(const std::string& text) { return toolkit::JsonString(text); }

std::string JsonOrNull(const std::string& text) { return text.empty() ? "null" : Json(Shown(text)); }


}  // namespace

bool Report::HasErrors() const
{
    for (const Finding& f : findings)
        if (f.severity == kError) return true;
    return false;
}

Outcome Evaluate(const std::string& baseName, const Locale& locale, const Folder* folder)
{
    package_rules::PackageNames<std::string> names =
        package_rules::PackageNamesForLocale(baseName, locale.abbreviation, locale.iso639);
    Outcome outcome = {&locale, names.own, names.name.empty() ? package_rules::FallbackName(baseName) : names.name,
                       nullptr, "", false, {}, {}};
    if (!folder) return outcome;
    FolderProbe probe(*folder);
    TableLocales locales;
    package_rules::LanguageJudge<TableLocales> judge(baseName.size(), names.language.c_str(), locales);
    if (package_rules::LookUpPackage(probe, judge, baseName, names, outcome.installs) == package_rules::kFound) {
        outcome.decided = probe.Decided();
        outcome.fallback = probe.Fallback();
    }
    outcome.passedOver = probe.PassedOver();
    if (!outcome.fallback) outcome.alsoTaken = probe.AlsoTaken();
    return outcome;
}

Report Evaluate(const std::string& baseName, const Folder& folder)
{
    Report report;
    report.baseName = baseName;
    for (size_t i = 0; i < kLocaleCount; ++i) report.outcomes.push_back(Evaluate(baseName, kLocales[i], &folder));
    AddFindings(report, folder);
    return report;
}

std::string RenderText(const Report& report, const std::vector<const Outcome*>& chosen)
{
    std::string text;
    if (!chosen.empty()) {
        for (const Outcome* o : chosen) text += Described(*o->locale) + ": " + Describe(report, *o) + "\n";
        return text;
    }
    // Groups in the folder's order, the missing-package message last; locales known by name only summed up.
    std::map<const Entry*, std::vector<const Outcome*> > groups;
    std::map<std::string, size_t> byName;
    size_t nameOnly = 0;
    for (const Outcome& o : report.outcomes) {
        if (o.locale->lcid != kNoLcid) {
            groups[o.decided].push_back(&o);
        } else {
            ++nameOnly;
            ++byName[o.decided ? Shown(o.installs) : "the missing-package message"];
        }
    }
    std::vector<const Entry*> order;
    for (const auto& group : groups)
        if (group.first) order.push_back(group.first);
    std::sort(order.begin(), order.end(), [](const Entry* a, const Entry* b) { return a->key < b->key; });
    if (groups.count(nullptr)) order.push_back(nullptr);
    for (const Entry* entry : order) {
        const std::vector<const Outcome*>& group = groups[entry];
        text += (entry ? Shown(entry->name) + (entry->directory ? " (a directory)" : "")
                       : std::string("the missing-package message")) +
                ": " + Count(group.size(), "locale") + "\n";
        for (const Outcome* o : group) {
            std::string line = "  " + Described(*o->locale);
            line.resize(line.size() < 50 ? 50 : line.size() + 1, ' ');
            text += line + Describe(report, *o) + "\n";
        }
    }
    text += "known only by name (Windows gives them LCID 0x0C00): " + Count(nameOnly, "locale");
    const char* separator = ": ";
    for (const auto& outcome : byName) {
        text += separator + std::to_string(outcome.second) + " " + Agreeing(outcome.second, "gets ", "get ") + outcome.first;
        separator = "; ";
    }
    text += "\n\n";
    if (report.findings.empty()) text += "no findings\n";
    for (const Finding& f : report.findings)
        text += std::string(SeverityName(f.severity)) + ": " + f.message + "\n  what to do: " + f.advice + "\n";
    return text;
}

std::string RenderJson(const Report& report, const std::vector<const Outcome*>& chosen)
{
    std::vector<const Outcome*> outcomes = chosen;
    if (outcomes.empty())
        for (const Outcome& o : report.outcomes) outcomes.push_back(&o);
    std::string json = "{\n  \"base_name\": " + Json(report.baseName) + ",\n  \"locales\": [";
    for (size_t i = 0; i < outcomes.size(); ++i) {
        const Outcome& o = *outcomes[i];
        const Locale& l = *o.locale;
        json += std::string(i ? "," : "") + "\n    {\"name\": " + Json(l.name) +
                ", \"lcid\": " + (l.lcid == kNoLcid ? "null" : std::to_string(l.lcid)) +
                ", \"language\": " + Json(l.language) + ", \"country\": " + Json(l.country) +
                ", \"abbreviation\": " + Json(l.abbreviation) + ", \"iso_name\": " + Json(l.iso639) +
                ", \"looks_first_for\": " + JsonOrNull(o.looksFirstFor) + ", \"looks_for\": " + Json(Shown(o.looksFor)) +
                ", \"installs\": " + (o.installs.empty() ? "null" : Json(o.installs));
        if (!toolkit::IsUtf8(o.installs)) json += ", \"installs_shown\": " + Json(Shown(o.installs));
        json += ", \"passes_over\": [";
        for (size_t k = 0; k < o.passedOver.size(); ++k) json += (k ? ", " : "") + Json(o.passedOver[k]->name);
        json += "]}";
    }
    json += "\n  ],\n  \"findings\": [";
    for (size_t i = 0; i < report.findings.size(); ++i) {
        const Finding& f = report.findings[i];
        json += std::string(i ? "," : "") + "\n    {\"severity\": \"" + SeverityName(f.severity) + "\", \"kind\": \"" +
                f.kind + "\", \"locales\": [";
        for (size_t k = 0; k < f.locales.size(); ++k) json += (k ? ", " : "") + Json(f.locales[k]->name);
        json += "], \"files\": [";
        for (size_t k = 0; k < f.files.size(); ++k) json += (k ? ", " : "") + Json(f.files[k]);
        json += "], \"message\": " + Json(f.message) + ", \"advice\": " + Json(f.advice) + "}";
    }
    return json + "\n  ]\n}\n";
}

std::string RenderLocaleTable(const std::string& baseName)
{
    std::string text =
        "# What every Windows locale looks for\n\n"
        "Generated by `setup-media --locale-table` from `tools/setup-media/locales/locales.tsv`, for the package base name `" +
        baseName +
        "`. Setup.exe reads the user's default locale; a locale whose package name is a wildcard looks for its own "
        "package first, and the wildcard passes over another language's package (one whose tag is the abbreviation of "
        "locales of other languages only). Whatever a locale looks for, it falls back to `" +
        package_rules::FallbackName(baseName) +
        "`. Locales without an LCID are known by name only: Windows gives such a user locale LCID 0x0C00 and the "
        "placeholder abbreviation ZZZ, and Setup.exe looks for a package of its language by the ISO name.\n\n"
        "| Locale | LCID | Language (country) | Abbreviation | ISO name | Looks for |\n|---|---|---|---|---|---|\n";
    for (size_t i = 0; i < kLocaleCount; ++i) {
        const Locale& l = kLocales[i];
        Outcome o = Evaluate(baseName, l, nullptr);
        char lcid[24] = "";
        if (l.lcid != kNoLcid) std::snprintf(lcid, sizeof lcid, "0x%04lX", static_cast<unsigned long>(l.lcid));
        std::string looks = (o.looksFirstFor.empty() ? "" : "`" + o.looksFirstFor + "`, then ") + "`" + o.looksFor + "`";
        text += std::string("| ") + l.name + " | " + lcid + " | " + l.language + (*l.country ? std::string(" (") + l.country + ")" : "") +
                (l.neutral ? ", neutral" : "") + " | " + l.abbreviation + " | " + l.iso639 + " | " + looks + " |\n";
    }
    return text;
}

}  // namespace media
