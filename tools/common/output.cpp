#include "output.h"

#include <cstdio>
#include <random>

#include "text.h"

namespace toolkit {

std::string ReplaceFile(const std::string& output, const Bytes& data, const std::string& permissionsFrom)
{
    const std::string target = ResolveLinks(output);
    std::string error;
    switch (KindOf(target, error)) {
    case kNoFile:
    case kRegularFile:
        break;
    case kDirectory:
        return "cannot write " + Shown(output) + ": it is a directory; name a file";
    case kOtherFile:
        return "cannot write " + Shown(output) + ": it is not a regular file (a device, a FIFO or a socket)";
    case kUnknownKind:
        return "cannot write " + Shown(output) + ": " + error;
    }

    unsigned permissions = 0;
    bool copyPermissions = PermissionsOf(permissionsFrom, permissions);  // before output, maybe the same file, goes

    std::random_device random;
    std::string temp;
    bool taken = true;
    for (int attempt = 0; taken && attempt < 20; ++attempt) {
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, ".%08x.tmp", static_cast<unsigned>(random()));
        temp = target + suffix;
        error = CreateNewFile(temp, data, taken);
    }
    if (!error.empty()) return "cannot create a temporary file beside " + Shown(output) + ": " + error;
    error = RenameOver(temp, target);
    if (!error.empty()) {
        RemoveFile(temp);
        return "cannot write " + Shown(output) + ": " + error;
    }
    error = copyPermissions ? SetPermissions(target, permissions) : "";
    return error.empty() ? "" : "wrote " + Shown(output) + ", but cannot give it the input's permissions: " + error;
}

}  // namespace toolkit
