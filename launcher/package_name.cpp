#include "launcher.h"

#include <stdlib.h>

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

// EnumSystemLocalesA's callback takes no context of its own, so the tag it
// tells about lives here, for one enumeration only: CSystemLocales::Tell sets
// it before enumerating and clears it after. The launcher has one thread and
// nothing else enumerates locales.
package_rules::TagLanguage* g_toldLanguage = NULL;

BOOL CALLBACK TellLocale(LPSTR localeId)
{
    // In hexadecimal ("00000409").
    LCID locale = strtoul(localeId, NULL, 16);
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
