#include "version_writer.h"

#include "text.h"

namespace rebrand {
namespace {

using pe::Put16;
using pe::Put32;

void Pad(Bytes& out)
{
    while (out.size() % 4) out.push_back(0);
}

void Write(const setup::VersionNode& node, Bytes& out)
{
    size_t at = out.size();
    out.resize(at + 6);
    size_t valueLength = node.type == 1 ? node.value.size() / 2 : node.value.size();
    if (valueLength > 0xffff) throw Failure("a version block value is too long");
    Put16(out, at + 2, static_cast<uint32_t>(valueLength));
    Put16(out, at + 4, node.type);
    for (char16_t c : node.key + u'\0') {
        out.push_back(static_cast<unsigned char>(c));
        out.push_back(static_cast<unsigned char>(c >> 8));
    }
    Pad(out);
    out.insert(out.end(), node.value.begin(), node.value.end());
    for (const setup::VersionNode& child : node.children) {
        Pad(out);
        Write(child, out);
    }
    if (out.size() - at > 0xffff) throw Failure("the version block is too long");
    Put16(out, at, static_cast<uint32_t>(out.size() - at));
}

// A text value as the block stores it: its characters and a terminator.
Bytes TextValue(const std::u16string& text)
{
    Bytes value;
    for (char16_t c : text + u'\0') {
        value.push_back(static_cast<unsigned char>(c));
        value.push_back(static_cast<unsigned char>(c >> 8));
    }
    return value;
}

void SetFixed(Bytes& fixed, size_t at, const uint16_t (&version)[4])
{
    Put32(fixed, at, static_cast<uint32_t>(version[0]) << 16 | version[1]);
    Put32(fixed, at + 4, static_cast<uint32_t>(version[2]) << 16 | version[3]);
}

// Reads up to four numbers into version; false where text is anything else.
bool ReadVersionNumbers(const std::string& text, uint16_t (&version)[4])
{
    size_t at = 0;
    for (int i = 0; i < 4; ++i) version[i] = 0;
    for (int i = 0; i < 4; ++i) {
        size_t digits = 0;
        unsigned long value = 0;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9' && digits < 6)
            value = value * 10 + static_cast<unsigned long>(text[at++] - '0'), ++digits;
        if (digits == 0 || value > 0xffff) return false;
        version[i] = static_cast<uint16_t>(value);
        if (at == text.size()) return true;
        if (text[at] != '.' && text[at] != ',') return false;
        while (++at < text.size() && text[at] == ' ') {
        }
    }
    return false;
}

}  // namespace

void ParseVersionText(const std::string& option, const std::string& text, uint16_t (&version)[4])
{
    if (!ReadVersionNumbers(text, version))
        throw Failure(option + " \"" + toolkit::Shown(text) + "\" is not a version: up to four numbers of at most "
                      "65535, separated by dots (1.2.0.7) or commas");
}

Bytes WriteVersion(const setup::VersionNode& root)
{
    Bytes out;
    Write(root, out);
    return out;
}

Bytes EditVersion(const Bytes& block, const Changes& changes)
{
    setup::VersionNode root = setup::ParseVersion(block);
    setup::ReadVersionInfo(root);  // a sound block, with fixed file information
    setup::VersionNode* table = const_cast<setup::VersionNode*>(setup::StringTable(root));
    if (!table && !changes.versionStrings.empty()) throw Failure("the version block has no string table (malformed)");
    for (const auto& change : changes.versionStrings) {
        setup::VersionNode* node = nullptr;
        for (setup::VersionNode& child : table->children)
            if (child.key == change.first) node = &child;
        if (!node) {
            table->children.push_back(setup::VersionNode{change.first, 1, Bytes(), {}});
            node = &table->children.back();
        }
        node->type = 1;
        node->value = TextValue(change.second);
    }
    if (changes.setFileVersion) SetFixed(root.value, 8, changes.fileVersion);
    if (changes.setProductVersion) SetFixed(root.value, 16, changes.productVersion);
    return WriteVersion(root);
}

}  // namespace rebrand
