#include "base_name.h"

#include <cstdio>
#include <cstring>

#include "base_name_rules.h"
#include "failure.h"

namespace toolkit {
namespace {

void Replace(std::string& text, const char* key, const std::string& value)
{
    for (size_t at = text.find(key); at != std::string::npos; at = text.find(key, at + value.size()))
        text.replace(at, std::strlen(key), value);
}

bool Printable(unsigned char c) { return c >= rules::kFirstChar && c <= rules::kLastChar; }

// The name as it may be shown on a terminal: bytes that are not printable
// ASCII are written as \xNN.
std::string ShownName(const std::string& name)
{
    std::string shown;
    for (size_t i = 0; i < name.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(name[i]);
        if (Printable(c)) {
            shown += static_cast<char>(c);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
            shown += escaped;
        }
    }
    return shown;
}

Failure Refused(const char* message, const std::string& name)
{
    std::string text = message;
    Replace(text, "{what}", "--base-name");
    Replace(text, "{example}", "--base-name myproduct");
    Replace(text, "{allow_empty}", "--allow-empty");
    Replace(text, "{length}", std::to_string(name.size()));
    Replace(text, "{name}", ShownName(name));
    return Failure(text);
}

}  // namespace

void CheckBaseName(const std::string& name, bool allowEmpty)
{
    if (name.empty() && !allowEmpty) throw Refused(rules::kEmptyMessage, name);
    if (name.find_first_of(rules::kForbidden) != std::string::npos) throw Refused(rules::kForbiddenMessage, name);
    for (size_t i = 0; i < name.size(); ++i)
        if (!Printable(static_cast<unsigned char>(name[i]))) throw Refused(rules::kAsciiMessage, name);
    // Printable ASCII from here on: a byte is a character.
    if (name.size() > rules::kMaxLength) throw Refused(rules::kLengthMessage, name);
}

bool IsBaseName(const std::string& name, bool allowEmpty)
{
    try {
        CheckBaseName(name, allowEmpty);
        return true;
    } catch (const Failure&) {
        return false;
    }
}

}  // namespace toolkit
