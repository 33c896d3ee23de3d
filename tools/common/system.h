// The publisher tools' one seam with the platform: the command line, the
// console and files. Names and text are UTF-8 throughout the tools; on Windows
// this seam speaks UTF-16 to the system, so any name Windows allows works and
// nothing passes through the ANSI code page.
#ifndef TOOLKIT_SYSTEM_H
#define TOOLKIT_SYSTEM_H

#include <string>
#include <vector>

#include "failure.h"

namespace toolkit {

typedef std::vector<unsigned char> Bytes;

// Each tool defines this; the platform's entry point calls it with the
// arguments after the program's name.
int ToolMain(const std::vector<std::string>& args);

// Writes UTF-8 text to standard output or standard error: on a Windows
// console as characters, elsewhere as the bytes.
void Print(const std::string& text);
void PrintError(const std::string& text);
// Whether everything printed to standard output reached it.
bool OutputWritten();

// The functions below throw Failure, with the system's words for why, where
// the system refuses them.

enum FileKind { kNoFile, kRegularFile, kDirectory, kOtherFile };
// What path names, symbolic links followed: nothing, a regular file, a
// directory, or anything else (a device, a FIFO, a socket). Fails where that
// cannot be told (a folder on the way is a file, or unreadable).
FileKind KindOf(const std::string& path);

// The file a write to path reaches: path itself, or the last name its
// symbolic links lead to (which need not exist yet).
std::string ResolveLinks(const std::string& path);

// A regular file of at most limit bytes; anything else is refused without
// waiting on it (a FIFO, a device).
Bytes ReadFile(const std::string& path, size_t limit);
// What ReadFile says of a file that is too large, or is no regular file.
inline std::string LargerThan(size_t limit) { return "is larger than " + std::to_string(limit >> 20) + " MiB"; }
inline std::string NotARegularFile() { return "is not a regular file"; }
// Creates path, which must not exist yet, and writes data to it; false, with
// nothing done, when something of that name is already there.
bool CreateNewFile(const std::string& path, const Bytes& data);
// Renames from to to, replacing a file that is there.
void RenameOver(const std::string& from, const std::string& to);
// Removes a file if it can, as a clean-up: whether it went.
bool RemoveFile(const std::string& path);
// The access permissions of a regular file (on Windows, whether it is
// read-only); false for anything else.
bool PermissionsOf(const std::string& path, unsigned& permissions);
void SetPermissions(const std::string& path, unsigned permissions);

struct FolderEntry {
    std::string name;
    bool directory;
    bool broken;  // a symbolic link to nothing, or in a loop: Wine lists no such entry
};
// The entries of a folder, without "." and "..", in no particular order.
std::vector<FolderEntry> ListFolder(const std::string& path);

// The folder part of path, for a file to be written beside it ("" for none).
std::string FolderOf(const std::string& path);
// folder and name joined with the platform's separator.
std::string JoinPath(const std::string& folder, const std::string& name);

}  // namespace toolkit

#endif
