// Which packages a locale asks for, and the order they are looked up in.
// Text rules only, with no call into the platform: the launcher compiles them
// with CString, the publisher tools with std::string, so both always agree.
#ifndef LAUNCHER_PACKAGE_RULES_H
#define LAUNCHER_PACKAGE_RULES_H

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

// The tag that the abbreviation alone decides, or NULL when the ISO name
// must. Chinese of Hong Kong and Macao get the Traditional Chinese package,
// both Norwegian written forms the one Norwegian package.
inline const char* FixedTag(const char* abbreviation)
{
    if (EqualNoCase(abbreviation, "cht") || EqualNoCase(abbreviation, "chs")) return abbreviation;
    if (EqualNoCase(abbreviation, "zhh") || EqualNoCase(abbreviation, "zhm")) return "cht";
    if (EqualNoCase(abbreviation, "nob") || EqualNoCase(abbreviation, "non")) return "nor";
    return NULL;
}

// A tag with one of these would take the lookup out of the current directory.
inline bool HoldsSeparator(const char* tag) { return strpbrk(tag, "\\/:") != NULL; }

// The package names a locale asks for. Empty names are not looked for.
template <class String>
struct PackageNames {
    // Where name is a wildcard: the locale's own package, <base>_<ABBR>.msi,
    // looked for first so that another region's or another language's package
    // that the wildcard also matches never wins over it.
    String own;
    // <base>_<tag>.msi, or <base>_<iso>*.msi where the tag only fixes the
    // language; empty when the locale names no language (the English package).
    String name;
};

// The names for a locale with the given three-letter language abbreviation
// and ISO 639 name. A NULL or empty abbreviation names no language; a NULL
// ISO name counts as empty.
template <class String>
PackageNames<String> PackageNamesForLocale(const String& baseName, const char* abbreviation, const char* isoName)
{
    PackageNames<String> names;
    // Two empty strings would agree on their "first two letters" and make a
    // pattern that matches any package.
    if (abbreviation == NULL || abbreviation[0] == '\0') return names;
    if (isoName == NULL) isoName = "";
    bool wildcard = false;
    const char* tag = FixedTag(abbreviation);
    if (tag == NULL && EqualNoCase(isoName, "zh")) tag = "chs";
    if (tag == NULL) {
        // ENU/en, DEU/de: any package of that language will do (en*, de*).
        wildcard = EqualNoCase(abbreviation, isoName, 2);
        tag = wildcard ? isoName : abbreviation;
    }
    if (HoldsSeparator(tag)) return names;
    names.name = baseName + "_" + tag + (wildcard ? "*.msi" : ".msi");
    if (wildcard && strpbrk(abbreviation, "\\/:*?") == NULL) names.own = baseName + "_" + abbreviation + ".msi";
    return names;
}

// The English package, spelled as the launcher hands it over.
template <class String>
String FallbackName(const String& baseName)
{
    return baseName + "_enu.msi";
}

enum Lookup { kFound, kMissing, kUnspellable };

// Looks the packages up in order: the locale's own package, its package name
// (a wildcard takes the first entry the directory search returns), then the
// English package. The first one there decides. A package found by its own
// or its package name is named as the directory spells it (kUnspellable when
// that name cannot be handed over); the English one as the literal.
//
// Directory provides Lookup Find(const String& name, String& found), where an
// empty name finds nothing, and bool Exists(const String& fallback).
template <class String, class Directory>
Lookup LookUpPackage(Directory& directory, const String& baseName, const PackageNames<String>& names,
                     String& package)
{
    Lookup lookup = directory.Find(names.own, package);
    if (lookup == kMissing) lookup = directory.Find(names.name, package);
    if (lookup != kMissing) return lookup;
    String fallback = FallbackName(baseName);
    if (!directory.Exists(fallback)) return kMissing;
    package = fallback;
    return kFound;
}

}  // namespace package_rules

#endif
