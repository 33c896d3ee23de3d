#include "launcher.h"

#include <string.h>

namespace {

const int kLocaleBufferSize = 256;

// Folds A-Z only: the user's code page must never change how tags compare.
char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Compares at most count characters (count < 0: whole strings), stopping at
// the end of either string.
bool EqualNoCase(LPCSTR left, LPCSTR right, int count = -1)
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
LPCSTR FixedTag(LPCSTR abbreviation)
{
    if (EqualNoCase(abbreviation, "cht") || EqualNoCase(abbreviation, "chs")) return abbreviation;
    if (EqualNoCase(abbreviation, "zhh") || EqualNoCase(abbreviation, "zhm")) return "cht";
    if (EqualNoCase(abbreviation, "nob") || EqualNoCase(abbreviation, "non")) return "nor";
    return NULL;
}

// The language tag of the package name; wildcard when the tag only fixes
// the language.
LPCSTR LanguageTag(LPCSTR abbreviation, LPCSTR isoName, bool& wildcard)
{
    wildcard = false;
    LPCSTR tag = FixedTag(abbreviation);
    if (tag != NULL) return tag;
    if (EqualNoCase(isoName, "zh")) return "chs";
    // ENU/en, DEU/de: any package of that language will do (en*, de*).
    wildcard = EqualNoCase(abbreviation, isoName, 2);
    return wildcard ? isoName : abbreviation;
}

// Reads one locale string of the user default locale. The count returned
// includes the terminator, so the text ends where it says even if the
// terminator is missing. The platform does not define the buffer after a
// failed read: that is seen as an empty string.
bool ReadLocaleString(LCTYPE type, char (&buffer)[kLocaleBufferSize])
{
    int length = AFX_SYS(GetLocaleInfoA)(LOCALE_USER_DEFAULT, type, buffer, kLocaleBufferSize);
    if (length <= 0) {
        buffer[0] = '\0';
        return false;
    }
    buffer[(length < kLocaleBufferSize ? length : kLocaleBufferSize) - 1] = '\0';
    return true;
}

}  // namespace

CString PackageNameForLocale(const CString& baseName, LPCSTR abbreviation, LPCSTR isoName)
{
    // An empty abbreviation is no language: two empty strings would agree
    // on their "first two letters" and make a pattern that matches any package.
    if (abbreviation == NULL || abbreviation[0] == '\0') return CString();
    bool wildcard;
    LPCSTR tag = LanguageTag(abbreviation, isoName != NULL ? isoName : "", wildcard);
    // A tag with a separator would take the lookup out of the current directory.
    if (strpbrk(tag, "\\/:") != NULL) return CString();
    return baseName + "_" + tag + (wildcard ? "*.msi" : ".msi");
}

CString SelectPackageName(const CString& baseName)
{
    char abbreviation[kLocaleBufferSize];
    if (!ReadLocaleString(LOCALE_SABBREVLANGNAME, abbreviation)) return CString();
    char isoName[kLocaleBufferSize] = "";
    if (FixedTag(abbreviation) == NULL) ReadLocaleString(LOCALE_SISO639LANGNAME, isoName);
    return PackageNameForLocale(baseName, abbreviation, isoName);
}
