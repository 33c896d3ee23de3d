#include "launcher.h"

namespace {

const int kLocaleBufferSize = 256;

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

PackageNames SelectPackageName(const CString& baseName)
{
    char abbreviation[kLocaleBufferSize];
    if (!ReadLocaleString(LOCALE_SABBREVLANGNAME, abbreviation)) return PackageNames();
    char isoName[kLocaleBufferSize] = "";
    if (package_rules::FixedTag(abbreviation) == NULL) ReadLocaleString(LOCALE_SISO639LANGNAME, isoName);
    return package_rules::PackageNamesForLocale(baseName, abbreviation, isoName);
}
