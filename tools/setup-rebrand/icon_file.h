// Icon (.ico) files, read for setup-rebrand --icon.
#ifndef REBRAND_ICON_FILE_H
#define REBRAND_ICON_FILE_H

#include <vector>

#include "resource_writer.h"

namespace rebrand {

// The images of an .ico file, each with its icon group entry. Any size and
// depth Windows takes (bitmaps of 1 to 32 bits, PNG images up to 1024
// pixels); throws Failure for a file that is not an icon, is truncated, or
// whose directory or images are malformed.
std::vector<IconImageData> ReadIconFile(const Bytes& file);

}  // namespace rebrand

#endif
