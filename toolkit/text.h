// Text in the publisher tools: UTF-8 everywhere, UTF-16 where Windows and its
// resources want it.
#ifndef TOOLKIT_TEXT_H
#define TOOLKIT_TEXT_H

#include <string>

namespace toolkit {

// False, with out unspecified, for text that is not valid UTF-8 (or UTF-16:
// a surrogate without its other half).
bool Utf8ToUtf16(const std::string& in, std::u16string& out);
bool Utf16ToUtf8(const std::u16string& in, std::string& out);

// A name or value as a message or a report shows it: valid UTF-8 as it is,
// control characters, backslashes and bytes that are no UTF-8 escaped (\n,
// \\, \xNN), so that what is printed never moves the cursor or hides a byte.
std::string Shown(const std::string& text);

}  // namespace toolkit

#endif
