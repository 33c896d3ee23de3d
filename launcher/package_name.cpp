#include "launcher.h"

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

CString SelectPackageName(const CString& baseName)
{
    char abbreviation[kLocaleBufferSize];
    if (!ReadLocaleString(LOCALE_SABBREVLANGNAME, abbreviation)) return CString();

    if (EqualNoCase(abbreviation, "cht") || EqualNoCase(abbreviation, "chs"))
        return baseName + "_" + abbreviation + ".msi";
    // Chinese of Hong Kong and Macao get the Traditional Chinese package,
    // both Norwegian written forms the one Norwegian package.
    if (EqualNoCase(abbreviation, "zhh") || EqualNoCase(abbreviation, "zhm")) return baseName + "_cht.msi";
    if (EqualNoCase(abbreviation, "nob") || EqualNoCase(abbreviation, "non")) return baseName + "_nor.msi";

    char isoName[kLocaleBufferSize];
    ReadLocaleString(LOCALE_SISO639LANGNAME, isoName);
    if (EqualNoCase(isoName, "zh")) return baseName + "_chs.msi";
    // ENU/en, DEU/de: any package of that language will do (en*, de*).
    if (EqualNoCase(abbreviation, isoName, 2)) return baseName + "_" + isoName + "*.msi";
    return baseName + "_" + abbreviation + ".msi";
}
