#include "base_name.h"

#include <cstring>

#include "base_name_rules.h"
#include "failure.h"
#include "text.h"

namespace toolkit {
namespace {

void Replace(std::string& text, const char* key, const std::string& value)
{
    for (size_t at = text.find(key); at != std::string::npos; at = text.find(key, at + value.size()))
        text.replace(at, std::strlen(key), value);
}

bool Printable(unsigned char c) { return c >= rules::kFirstChar && c <= rules::kLastChar; }

Failure Refused(const char* message, const std::string& name)
{
    std::string text = message;
    Replace(text, "{what}", "--base-name");
    Replace(text, "{example}", "--base-name myproduct");
    Replace(text, "{allow_empty}", "--allow-empty");
    Replace(text, "{length}", std::to_string(name.size()));
    Replace(text, "{name}", Shown(name));
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
