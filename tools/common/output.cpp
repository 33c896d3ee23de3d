#include "output.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>

#include "text.h"

namespace toolkit {

void ReplaceFile(const std::string& output, const Bytes& data, const std::string& permissionsFrom)
{
    const std::string target = ResolveLinks(output), writing = "cannot write " + Shown(output),
                      creating = "cannot create a temporary file beside " + Shown(output);
    switch (Concerning(writing, [&] { return KindOf(target); })) {
    case kNoFile:
    case kRegularFile:
        break;
    case kDirectory:
        throw Failure(writing + ": it is a directory; name a file");
    case kOtherFile:
        throw Failure(writing + ": it is not a regular file (a device, a FIFO or a socket)");
    }

    unsigned permissions = 0;
    bool copyPermissions = PermissionsOf(permissionsFrom, permissions);  // before output, maybe the same file, goes

    std::random_device random;
    std::string temp;
    bool created = false;
    for (int attempt = 0; !created && attempt < 20; ++attempt) {
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, ".%08x.tmp", static_cast<unsigned>(random()));
        temp = target + suffix;
        created = Concerning(creating, [&] { return CreateNewFile(temp, data); });
    }
    if (!created) throw Failure(creating + ": " + std::strerror(EEXIST));
    try {
        RenameOver(temp, target);
    } catch (const Failure& failure) {
        RemoveFile(temp);
        throw Failure(writing + ": " + failure.what());
    }
    if (copyPermissions)
        Concerning("wrote " + Shown(output) + ", but cannot give it the input's permissions",
                   [&] { SetPermissions(target, permissions); });
}

}  // namespace toolkit
