// The tools on Linux and other POSIX systems: names are the bytes the user gave.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "system.h"

namespace toolkit {
namespace {

std::string Error() { return std::strerror(errno); }

bool g_outputFailed = false;

void WriteTo(std::FILE* stream, const std::string& text)
{
    if (std::fwrite(text.data(), 1, text.size(), stream) != text.size() && stream == stdout) g_outputFailed = true;
}

}  // namespace

void Print(const std::string& text) { WriteTo(stdout, text); }
void PrintError(const std::string& text) { WriteTo(stderr, text); }
bool OutputWritten() { return std::fflush(stdout) == 0 && !g_outputFailed && !std::ferror(stdout); }

FileKind KindOf(const std::string& path, std::string& error)
{
    struct stat st;
    if (stat(path.c_str(), &st) != 0) {
        error = Error();
        return errno == ENOENT ? kNoFile : kUnknownKind;
    }
    return S_ISREG(st.st_mode) ? kRegularFile : S_ISDIR(st.st_mode) ? kDirectory : kOtherFile;
}

std::string ResolveLinks(const std::string& path)
{
    std::string resolved = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st;
        if (lstat(resolved.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) break;
        std::vector<char> target(static_cast<size_t>(st.st_size > 0 ? st.st_size : 4096) + 1);
        ssize_t length = readlink(resolved.c_str(), target.data(), target.size());
        if (length <= 0 || static_cast<size_t>(length) >= target.size()) break;
        std::string next(target.data(), static_cast<size_t>(length));
        resolved = next[0] == '/' ? next : JoinPath(FolderOf(resolved), next);
    }
    return resolved;
}

std::string ReadFile(const std::string& path, size_t limit, Bytes& data)
{
    // Opened without blocking, so that a FIFO cannot hold the tool before its
    // kind is known; the kind is that of what was opened, not of a name that
    // may change in between.
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return Error();
    struct stat st;
    std::string error;
    if (fstat(fd, &st) != 0) {
        error = Error();
    } else if (!S_ISREG(st.st_mode)) {
        error = NotARegularFile();
    } else if (fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {  // some file systems heed it
        error = Error();
    } else {
        unsigned char chunk[65536];
        ssize_t got;
        while ((got = read(fd, chunk, sizeof chunk)) > 0 && data.size() <= limit)
            data.insert(data.end(), chunk, chunk + got);
        error = got < 0 ? Error() : data.size() > limit ? LargerThan(limit) : "";
    }
    close(fd);
    return error;
}

std::string CreateNewFile(const std::string& path, const Bytes& data, bool& taken)
{
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    taken = fd < 0 && errno == EEXIST;
    if (fd < 0) return Error();
    size_t done = 0;
    while (done < data.size()) {
        ssize_t wrote = write(fd, data.data() + done, data.size() - done);
        if (wrote <= 0 && errno != EINTR) break;
        if (wrote > 0) done += static_cast<size_t>(wrote);
    }
    std::string error = done < data.size() ? Error() : "";
    if (close(fd) != 0 && error.empty()) error = Error();
    if (!error.empty()) unlink(path.c_str());
    return error;
}

std::string RenameOver(const std::string& from, const std::string& to)
{
    return rename(from.c_str(), to.c_str()) == 0 ? "" : Error();
}

std::string RemoveFile(const std::string& path) { return unlink(path.c_str()) == 0 ? "" : Error(); }

bool PermissionsOf(const std::string& path, unsigned& permissions)
{
    struct stat st;
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    permissions = st.st_mode & 0777;  // the access bits, never set-id or sticky bits
    return true;
}

std::string SetPermissions(const std::string& path, unsigned permissions)
{
    return chmod(path.c_str(), static_cast<mode_t>(permissions)) == 0 ? "" : Error();
}

std::string ListFolder(const std::string& path, std::vector<FolderEntry>& entries)
{
    DIR* dir = opendir(path.c_str());
    if (!dir) return Error();
    for (;;) {
        errno = 0;  // readdir leaves it alone at the end of the folder
        struct dirent* entry = readdir(dir);
        if (!entry) break;
        std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        std::string full = JoinPath(path, name);
        struct stat st;
        if (stat(full.c_str(), &st) == 0) {
            entries.push_back(FolderEntry{name, S_ISDIR(st.st_mode), false});
            continue;
        }
        // A symbolic link that leads nowhere, or round in a loop, is listed as
        // such, an entry gone meanwhile not at all; any other entry that
        // cannot be looked at fails the listing.
        int why = errno;
        if (lstat(full.c_str(), &st) != 0) {
            if (errno == ENOENT) continue;
            break;
        }
        if (!S_ISLNK(st.st_mode) || (why != ENOENT && why != ELOOP && why != ENOTDIR)) {
            errno = why;
            break;
        }
        entries.push_back(FolderEntry{name, false, true});
    }
    std::string error = errno ? Error() : "";
    closedir(dir);
    return error;
}

std::string FolderOf(const std::string& path)
{
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? "" : slash == 0 ? "/" : path.substr(0, slash);
}

std::string JoinPath(const std::string& folder, const std::string& name)
{
    if (folder.empty()) return name;
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

}  // namespace toolkit

int main(int argc, char** argv) { return toolkit::ToolMain(std::vector<std::string>(argv + 1, argv + argc)); }
