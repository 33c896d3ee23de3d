// Which packages a locale asks for, and the order they are looked up in.
// Text rules only, with no call into the platform: the launcher compiles them
// with CString, the publisher tools with std::string, so both always agree.
#ifndef LAUNCHER_PACKAGE_RULES_H
#define LAUNCHER_PACKAGE_RULES_H

#include <stddef.h>
#include <string.h>

namespace package_rules {

// Folds A-Z only: the user's code page must never change how tags compare.
inline char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Compares at most count characters (count < 0: whole strings), stopping at
// the end of either string.
inline bool EqualNoCase(const char* left, const char* right, int count = -1)
{
    for (int i = 0; count < 0 || i < count; ++i) {
        if (FoldAscii(left[i]) != FoldAscii(right[i])) return false;
        if (left[i] == '\0') return true;
    }
    return true;
}

// The abbreviation Windows gives locales known only by name (LCID 0x0C00, and
// a few with an LCID): it names no language.
inline bool IsPlaceholder(const char* abbreviation) { return EqualNoCase(abbreviation, "zzz"); }

// The tag that the abbreviation alone decides, or NULL when the ISO name
// must. Chinese of Hong Kong and Macao get the Traditional Chinese package,
// both Norwegian written forms the one Norwegian package.
inline const char* FixedTag(const char* abbreviation)
{
    // Each abbreviation with its tag, or "" where it is its own tag.
    static const char kFixed[][2][4] = {{"cht", ""}, {"chs", ""}, {"zhh", "cht"},
                                        {"zhm", "cht"}, {"nob", "nor"}, {"non", "nor"}};
    for (size_t i = 0; i < sizeof(kFixed) / sizeof(kFixed[0]); ++i)
        if (EqualNoCase(abbreviation, kFixed[i][0])) return kFixed[i][1][0] != '\0' ? kFixed[i][1] : abbreviation;
    return NULL;
}

// The same for a locale known only by name, from its ISO name: both Norwegian
// written forms again get the Norwegian package.
inline const char* FixedTagOfLanguage(const char* isoName)
{
    if (EqualNoCase(isoName, "nb") || EqualNoCase(isoName, "nn")) return "nor";
    return NULL;
}

// A tag with one of these would take the lookup out of the current directory.
inline bool HoldsSeparator(const char* tag) { return strpbrk(tag, "\\/:") != NULL; }

// The package names a locale asks for. Empty names are not looked for.
template <class String>
struct PackageNames {
    // Where name is a wildcard: the locale's own package, <base>_<ABBR>.msi,
    // looked for first so that another region's package that the wildcard
    // also matches never wins over it. Locales known only by name have none.
    String own;
    // <base>_<tag>.msi, or <base>_<iso>*.msi where the tag only fixes the
    // language; empty when the locale names no language (the English package).
    String name;
    // Where name is a wildcard: the locale's ISO 639 name. A match that is
    // another language's package is passed over (TagLanguage).
    String language;
};

// <base>_<tag><ending>.
template <class String>
String PackageFile(const String& baseName, const char* tag, const char* ending)
{
    String name = baseName;
    name += "_";
    name += tag;
    name += ending;
    return name;
}

// The names for a locale with the given three-letter language abbreviation
// and ISO 639 name. A NULL or empty abbreviation names no language, nor does
// the placeholder with an empty ISO name; a NULL ISO name counts as empty.
template <class String>
PackageNames<String> PackageNamesForLocale(const String& baseName, const char* abbreviation, const char* isoName)
{
    PackageNames<String> names;
    // Two empty strings would agree on their "first two letters" and make a
    // pattern that matches any package.
    if (abbreviation == NULL || abbreviation[0] == '\0') return names;
    if (isoName == NULL) isoName = "";
    // A locale known only by name goes by its ISO name alone.
    const bool byName = IsPlaceholder(abbreviation);
    if (byName && isoName[0] == '\0') return names;
    bool wildcard = false;
    const char* tag = byName ? FixedTagOfLanguage(isoName) : FixedTag(abbreviation);
    if (tag == NULL && EqualNoCase(isoName, "zh")) tag = "chs";
    if (tag == NULL) {
        // ENU/en, DEU/de: any package of that language will do (en*, de*).
        wildcard = byName || EqualNoCase(abbreviation, isoName, 2);
        tag = wildcard ? isoName : abbreviation;
    }
    if (HoldsSeparator(tag)) return names;
    names.name = PackageFile(baseName, tag, wildcard ? "*.msi" : ".msi");
    if (!wildcard) return names;
    names.language = isoName;
    if (!byName && strpbrk(abbreviation, "\\/:*?") == NULL) names.own = PackageFile(baseName, abbreviation, ".msi");
    return names;
}

// The English package, spelled as the launcher hands it over.
template <class String>
String FallbackName(const String& baseName)
{
    return PackageFile(baseName, "enu", ".msi");
}

// A package's tag: what follows <base>_ in its name, up to the name's last
// dot (to its end where there is none). Names shorter than <base>_ have none.
struct Tag {
    const char* text;
    size_t length;
};

inline Tag TagOf(size_t baseLength, const char* name)
{
    const size_t length = strlen(name);
    Tag tag = {name + length, 0};
    if (length <= baseLength) return tag;
    tag.text = name + baseLength + 1;
    const char* dot = strrchr(tag.text, '.');
    tag.length = dot != NULL ? static_cast<size_t>(dot - tag.text) : strlen(tag.text);
    return tag;
}

inline bool IsTag(const char* text, Tag tag)
{
    return strlen(text) == tag.length && EqualNoCase(text, tag.text, static_cast<int>(tag.length));
}

// Whether a package that a wildcard found is another language's: its tag is
// the Windows abbreviation of some locale and of none whose ISO 639 name is
// the user's. Tags no locale uses (_english, _ka_GE) are nobody's, and so
// taken. Each locale is told in turn: Uses(its abbreviation), and where that
// is the tag, Speaks(its ISO name); once Settled, the rest need not be told.
class TagLanguage {
public:
    TagLanguage(Tag tag, const char* userLanguage) : m_tag(tag), m_userLanguage(userLanguage), m_used(false), m_ours(false) {}

    // The placeholder of locales known only by name is no language's tag.
    bool Uses(const char* abbreviation) const { return !IsPlaceholder(abbreviation) && IsTag(abbreviation, m_tag); }
    void Speaks(const char* isoName)
    {
        m_used = true;
        m_ours = m_ours || EqualNoCase(isoName, m_userLanguage);
    }
    bool Settled() const { return m_ours; }
    bool OtherLanguage() const { return m_used && !m_ours; }

private:
    Tag m_tag;
    const char* m_userLanguage;
    bool m_used, m_ours;
};

// Decides which of the names a wildcard finds are taken: all but another
// language's packages. The locale's own package has been looked for already,
// so the system is asked only about the packages of others.
// Locales provides void Tell(TagLanguage&), which tells it about every locale
// the system knows (a locale an older system lacks leaves its tag unknown).
template <class Locales>
class LanguageJudge {
public:
    // language: the user's ISO name where the package name is a wildcard; ""
    // takes every name.
    LanguageJudge(size_t baseLength, const char* language, Locales& locales)
        : m_baseLength(baseLength), m_language(language), m_locales(locales)
    {
    }

    bool Takes(const char* found) const
    {
        if (m_language[0] == '\0') return true;
        TagLanguage language(TagOf(m_baseLength, found), m_language);
        m_locales.Tell(language);
        return !language.OtherLanguage();
    }

private:
    size_t m_baseLength;
    const char* m_language;
    Locales& m_locales;
};

enum Lookup { kFound, kMissing, kUnspellable };

// Looks the packages up in order: the locale's own package, its package name
// (a wildcard takes the first entry the directory search returns that judge
// takes), then the English package. The first one there decides. A package
// found by its own or its package name is named as the directory spells it
// (kUnspellable when that name cannot be handed over); the English one as
// the literal.
//
// Directory provides Lookup Find(const String& name, const Judge* judge,
// String& found), which goes on past entries that the judge (where not NULL)
// does not take or that cannot be handed over, and where an empty name finds
// nothing; and bool Exists(const String& fallback).
template <class String, class Directory, class Judge>
Lookup LookUpPackage(Directory& directory, const Judge& judge, const String& baseName,
                     const PackageNames<String>& names, String& package)
{
    Lookup lookup = directory.Find(names.own, static_cast<const Judge*>(NULL), package);
    if (lookup == kMissing) lookup = directory.Find(names.name, &judge, package);
    if (lookup != kMissing) return lookup;
    String fallback = FallbackName(baseName);
    if (!directory.Exists(fallback)) return kMissing;
    package = fallback;
    return kFound;
}

}  // namespace package_rules

#endif
