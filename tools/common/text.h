// Text in the publisher tools: UTF-8 everywhere, UTF-16 where Windows and its
// resources want it.
#ifndef TOOLKIT_TEXT_H
#define TOOLKIT_TEXT_H

#include <string>

namespace toolkit {

// Whether text is valid UTF-8, or UTF-16 (no surrogate without its other half).
bool IsUtf8(const std::string& text);
bool IsUtf16(const std::u16string& text);
// The same text in the other form; Failure for text that is not valid.
std::u16string Utf8ToUtf16(const std::string& text);
std::string Utf16ToUtf8(const std::u16string& text);

// A name or value as a message or a report shows it: what is printable as it
// is, in UTF-8; control and format characters (a right-to-left override, a
// zero-width space) as \uXXXX, and what is not text at all (bytes that are no
// UTF-8, surrogates without their other half) as \xNN and \uXXXX, so that
// what is printed never reorders or hides a character or moves the cursor.
std::string Shown(const std::string& utf8);
std::string Shown(const std::u16string& utf16);

// A JSON string of text exactly: UTF-8 as it is, with quotes, backslashes and
// controls escaped as JSON requires. A byte that is no UTF-8 (a Linux file
// name may hold any) becomes the lone surrogate U+DC80 + (byte - 0x80), as
// Python's file functions decode it.
std::string JsonString(const std::string& text);

}  // namespace toolkit

#endif
