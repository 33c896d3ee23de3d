// Reading and setting the package base name of a built Setup.exe: string
// 101 of its string table, language 0x0404 (Chinese, Traditional).
#ifndef REBRAND_SETUP_IMAGE_H
#define REBRAND_SETUP_IMAGE_H

#include <stdexcept>
#include <string>
#include <vector>

namespace rebrand {

typedef std::vector<unsigned char> Bytes;

// Why a file cannot be read or rebranded, in words for the user.
class Refusal : public std::runtime_error {
public:
    explicit Refusal(const std::string& why) : std::runtime_error(why) {}
};

// The base name held by a Setup.exe image, as it may be shown: characters
// other than printable ASCII (and the backslash, which no base name holds)
// as \uXXXX. Throws Refusal.
std::string ReadBaseName(const Bytes& image);

// A copy of the image whose base name is name (ASCII, checked by the
// caller), with its resource section rebuilt around the new string and the
// header fields that describe the section updated. Sections after the
// resources may only be the base relocations, which move along. Throws
// Refusal, for instance for a signed image.
Bytes Rebrand(const Bytes& image, const std::string& name);

}  // namespace rebrand

#endif
