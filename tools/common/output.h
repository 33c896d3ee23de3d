// Writing a tool's output file without ever leaving a half-written one.
#ifndef TOOLKIT_OUTPUT_H
#define TOOLKIT_OUTPUT_H

#include <string>

#include "system.h"

namespace toolkit {

// Replaces the file output names (a new file, or an existing regular file:
// through a symbolic link, the link's target, the link kept) with data. The
// data is written to a new file beside it and renamed over it, so a failure
// leaves what was there as it was, and nothing else behind; the new file gets
// the permissions of permissionsFrom only once it is complete. Anything else
// that output names (a directory, a device, a FIFO) is refused and left alone.
// A Failure names output and says why.
void ReplaceFile(const std::string& output, const Bytes& data, const std::string& permissionsFrom);

}  // namespace toolkit

#endif
