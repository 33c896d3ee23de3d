// The version block, set from setup-rebrand's options.
#ifndef REBRAND_VERSION_WRITER_H
#define REBRAND_VERSION_WRITER_H

#include "resource_writer.h"
#include "setup_resources.h"

#include <string>

namespace rebrand {

// The tree laid out as the resource compiler does: each node's length, value
// length and type, its key, then its value and its children, each on a 4-byte
// boundary. Reads back byte for byte what the build wrote.
Bytes WriteVersion(const setup::VersionNode& root);

// "1.2.3.4", "1.2" (the rest 0), "1, 2, 3, 4" as resource scripts write it:
// up to four numbers of at most 65535. Failure, naming option, for anything else.
void ParseVersionText(const std::string& option, const std::string& text, uint16_t (&version)[4]);

// The block with the strings and fixed versions of changes set. A string the
// string table lacks is added after the others.
Bytes EditVersion(const Bytes& block, const Changes& changes);

}  // namespace rebrand

#endif
