#include "text.h"

#include <cstdio>

#include "failure.h"

namespace toolkit {
namespace {

// The code point of the UTF-8 sequence at text[at], and its length in n;
// false for anything else (overlong forms and surrogates included).
bool DecodeUtf8(const std::string& text, size_t at, char32_t& c, size_t& n)
{
    unsigned char b = static_cast<unsigned char>(text[at]);
    n = b < 0x80 ? 1 : b >= 0xc2 && b < 0xe0 ? 2 : b >= 0xe0 && b < 0xf0 ? 3 : b >= 0xf0 && b < 0xf5 ? 4 : 0;
    if (n == 0 || text.size() - at < n) return false;
    c = n == 1 ? b : b & (0x7f >> n);
    for (size_t i = 1; i < n; ++i) {
        unsigned char t = static_cast<unsigned char>(text[at + i]);
        if ((t & 0xc0) != 0x80) return false;
        c = c << 6 | (t & 0x3f);
    }
    static const char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    return c >= kLeast[n] && c <= 0x10ffff && (c < 0xd800 || c > 0xdfff);
}

void AppendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xc0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3f));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xe0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3f));
        out += static_cast<char>(0x80 | (c & 0x3f));
    } else {
        out += static_cast<char>(0xf0 | c >> 18);
        out += static_cast<char>(0x80 | (c >> 12 & 0x3f));
        out += static_cast<char>(0x80 | (c >> 6 & 0x3f));
        out += static_cast<char>(0x80 | (c & 0x3f));
    }
}

// Characters that are not shown as they are: controls, format characters
// that reorder or hide text, line and paragraph separators, surrogates.
bool Hidden(char32_t c)
{
    return c < 0x20 || (c >= 0x7f && c < 0xa0) || c == 0xad || (c >= 0x600 && c <= 0x605) || c == 0x61c ||
           c == 0x6dd || c == 0x70f || c == 0x180e || (c >= 0x200b && c <= 0x200f) || (c >= 0x2028 && c <= 0x202e) ||
           (c >= 0x2060 && c <= 0x206f) || (c >= 0xd800 && c <= 0xdfff) || c == 0xfeff || (c >= 0xfff9 && c <= 0xfffb) ||
           (c >= 0xe0000 && c <= 0xe007f);
}

void AppendShown(std::string& out, char32_t c)
{
    if (!Hidden(c)) {
        AppendUtf8(out, c);
        return;
    }
    if (c == '\n' || c == '\t') {
        out += c == '\n' ? "\\n" : "\\t";
        return;
    }
    char escaped[12];
    std::snprintf(escaped, sizeof escaped, c > 0xffff ? "\\U%08x" : c < 0x100 ? "\\x%02x" : "\\u%04x",
                  static_cast<unsigned>(c));
    out += escaped;
}

// Converts text while it is valid; false where it stops being so.
bool ToUtf16(const std::string& in, std::u16string& out)
{
    for (size_t at = 0, n = 0; at < in.size(); at += n) {
        char32_t c;
        if (!DecodeUtf8(in, at, c, n)) return false;
        if (c >= 0x10000) {
            out += static_cast<char16_t>(0xd800 + ((c - 0x10000) >> 10));
            out += static_cast<char16_t>(0xdc00 + (c & 0x3ff));
        } else {
            out += static_cast<char16_t>(c);
        }
    }
    return true;
}

bool ToUtf8(const std::u16string& in, std::string& out)
{
    for (size_t i = 0; i < in.size(); ++i) {
        char32_t c = in[i];
        if (c >= 0xd800 && c <= 0xdbff && i + 1 < in.size() && in[i + 1] >= 0xdc00 && in[i + 1] <= 0xdfff)
            c = 0x10000 + ((c - 0xd800) << 10) + (in[++i] - 0xdc00);
        else if (c >= 0xd800 && c <= 0xdfff)
            return false;
        AppendUtf8(out, c);
    }
    return true;
}

}  // namespace

bool IsUtf8(const std::string& text)
{
    std::u16string unused;
    return ToUtf16(text, unused);
}

bool IsUtf16(const std::u16string& text)
{
    std::string unused;
    return ToUtf8(text, unused);
}

std::u16string Utf8ToUtf16(const std::string& text)
{
    std::u16string out;
    if (!ToUtf16(text, out)) throw Failure("is not valid UTF-8");
    return out;
}

std::string Utf16ToUtf8(const std::u16string& text)
{
    std::string out;
    if (!ToUtf8(text, out)) throw Failure("is not valid UTF-16");
    return out;
}

std::string Shown(const std::string& utf8)
{
    std::string shown;
    for (size_t at = 0, n = 0; at < utf8.size(); at += n) {
        char32_t c;
        if (DecodeUtf8(utf8, at, c, n)) {
            AppendShown(shown, c);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", static_cast<unsigned char>(utf8[at]));
            shown += escaped;
            n = 1;
        }
    }
    return shown;
}

std::string Shown(const std::u16string& utf16)
{
    std::string shown;
    for (size_t i = 0; i < utf16.size(); ++i) {
        char32_t c = utf16[i];
        if (c >= 0xd800 && c <= 0xdbff && i + 1 < utf16.size() && utf16[i + 1] >= 0xdc00 && utf16[i + 1] <= 0xdfff)
            c = 0x10000 + ((c - 0xd800) << 10) + (utf16[++i] - 0xdc00);
        AppendShown(shown, c);  // a lone surrogate is escaped as a format character
    }
    return shown;
}

std::string JsonString(const std::string& text)
{
    std::string json = "\"";
    for (size_t at = 0, n = 0; at < text.size(); at += n) {
        char32_t c;
        char escaped[8];
        if (!DecodeUtf8(text, at, c, n)) {
            n = 1;
            std::snprintf(escaped, sizeof escaped, "\\u%04x", 0xdc00u + static_cast<unsigned char>(text[at]));
            json += escaped;
        } else if (c == '"' || c == '\\') {
            json += '\\';
            json += static_cast<char>(c);
        } else if (c < 0x20) {
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
            json += escaped;
        } else {
            json.append(text, at, n);
        }
    }
    return json + "\"";
}

}  // namespace toolkit
