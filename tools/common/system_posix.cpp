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

[[noreturn]] void Fail(int error = errno) { throw Failure(std::strerror(error)); }

// A file descriptor, closed when it goes out of scope.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() { Close(); }
    Descriptor(const Descriptor&) = delete;
    int Get() const { return fd_; }
    int Close()
    {
        int result = fd_ < 0 ? 0 : close(fd_);
        fd_ = -1;
        return result;
    }

private:
    int fd_;
};

bool g_outputFailed = false;

void WriteTo(std::FILE* stream, const std::string& text)
{
    if (std::fwrite(text.data(), 1, text.size(), stream) != text.size() && stream == stdout) g_outputFailed = true;
}

}  // namespace

void Print(const std::string& text) { WriteTo(stdout, text); }
void PrintError(const std::string& text) { WriteTo(stderr, text); }
bool OutputWritten() { return std::fflush(stdout) == 0 && !g_outputFailed && !std::ferror(stdout); }

FileKind KindOf(const std::string& path)
{
    struct stat st;
    if (stat(path.c_str(), &st) != 0) {
        if (errno == ENOENT) return kNoFile;
        Fail();
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

Bytes ReadFile(const std::string& path, size_t limit)
{
    // Opened without blocking, so that a FIFO cannot hold the tool before its
    // kind is known; the kind is that of what was opened, not of a name that
    // may change in between.
    Descriptor fd(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat st;
    if (fd.Get() < 0 || fstat(fd.Get(), &st) != 0) Fail();
    if (!S_ISREG(st.st_mode)) throw Failure(NotARegularFile());
    if (fcntl(fd.Get(), F_SETFL, fcntl(fd.Get(), F_GETFL) & ~O_NONBLOCK) != 0) Fail();  // some file systems heed it
    Bytes data;
    unsigned char chunk[65536];
    ssize_t got;
    while ((got = read(fd.Get(), chunk, sizeof chunk)) > 0 && data.size() <= limit)
        data.insert(data.end(), chunk, chunk + got);
    if (got < 0) Fail();
    if (data.size() > limit) throw Failure(LargerThan(limit));
    return data;
}

bool CreateNewFile(const std::string& path, const Bytes& data)
{
    Descriptor fd(open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (fd.Get() < 0 && errno == EEXIST) return false;
    if (fd.Get() < 0) Fail();
    int error = 0;
    for (size_t done = 0; done < data.size() && !error;) {
        ssize_t wrote = write(fd.Get(), data.data() + done, data.size() - done);
        if (wrote > 0) done += static_cast<size_t>(wrote);
        else if (wrote == 0) error = EIO;  // nothing written, and no reason given
        else if (errno != EINTR) error = errno;
    }
    if (!error && fd.Close() != 0) error = errno;
    if (error) {
        unlink(path.c_str());
        Fail(error);
    }
    return true;
}

void RenameOver(const std::string& from, const std::string& to)
{
    if (rename(from.c_str(), to.c_str()) != 0) Fail();
}

bool RemoveFile(const std::string& path) { return unlink(path.c_str()) == 0; }

bool PermissionsOf(const std::string& path, unsigned& permissions)
{
    struct stat st;
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    permissions = st.st_mode & 0777;  // the access bits, never set-id or sticky bits
    return true;
}

void SetPermissions(const std::string& path, unsigned permissions)
{
    if (chmod(path.c_str(), static_cast<mode_t>(permissions)) != 0) Fail();
}

std::vector<FolderEntry> ListFolder(const std::string& path)
{
    DIR* dir = opendir(path.c_str());
    if (!dir) Fail();
    std::vector<FolderEntry> entries;
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
    int error = errno;
    closedir(dir);
    if (error) Fail(error);
    return entries;
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
