#include "launcher.h"

namespace {

const int kLocaleBufferSize = 256;

// Reads one locale string. The count returned includes the terminator, so the
// text ends where it says even if the terminator is missing. The platform does
// not define the buffer after a failed read: that is seen as an empty string.
bool ReadLocaleString(LCID locale, LCTYPE type, char (&buffer)[kLocaleBufferSize])
{
    int length = AFX_SYS(GetLocaleInfoA)(locale, type, buffer, kLocaleBufferSize);
    if (length <= 0) {
        buffer[0] = '\0';
        return false;
    }
    buffer[(length < kLocaleBufferSize ? length : kLocaleBufferSize) - 1] = '\0';
    return true;
}

// An LCID as EnumSystemLocalesA hands it over, in hexadecimal ("00000409");
// 0 for anything else.
LCID ParseLcid(LPCSTR text)
{
    LCID lcid = 0;
    for (; *text != '\0'; ++text) {
        char c = package_rules::FoldAscii(*text);
        int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        if (digit < 0 || lcid > 0x0FFFFFFF) return 0;
        lcid = lcid * 16 + static_cast<LCID>(digit);
    }
    return lcid;
}

// EnumSystemLocalesA's callback takes no context of its own, so the tag it
// tells about lives here, for one enumeration only: CSystemLocales::Tell sets
// it before enumerating and clears it after. The launcher has one thread and
// nothing else enumerates locales.
package_rules::TagLanguage* g_toldLanguage = NULL;

BOOL CALLBACK TellLocale(LPSTR localeId)
{
    LCID locale = ParseLcid(localeId);
    char abbreviation[kLocaleBufferSize], isoName[kLocaleBufferSize];
    // 0 would read the user's own locale again.
    if (locale == 0 || !ReadLocaleString(locale, LOCALE_SABBREVLANGNAME, abbreviation) ||
        !g_toldLanguage->Uses(abbreviation) || !ReadLocaleString(locale, LOCALE_SISO639LANGNAME, isoName))
        return TRUE;
    g_toldLanguage->Speaks(isoName);
    return !g_toldLanguage->Settled();
}

}  // namespace

PackageNames SelectPackageName(const CString& baseName)
{
    char abbreviation[kLocaleBufferSize];
    if (!ReadLocaleString(LOCALE_USER_DEFAULT, LOCALE_SABBREVLANGNAME, abbreviation)) return PackageNames();
    char isoName[kLocaleBufferSize] = "";
    if (package_rules::FixedTag(abbreviation) == NULL)
        ReadLocaleString(LOCALE_USER_DEFAULT, LOCALE_SISO639LANGNAME, isoName);
    return package_rules::PackageNamesForLocale(baseName, abbreviation, isoName);
}

void CSystemLocales::Tell(package_rules::TagLanguage& language)
{
    g_toldLanguage = &language;
    AFX_SYS(EnumSystemLocalesA)(TellLocale, LCID_SUPPORTED);
    g_toldLanguage = NULL;
}
