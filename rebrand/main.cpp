// setup-rebrand: shows or sets the package base name of a built Setup.exe.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>

#include "base_name.h"
#include "setup_image.h"

namespace {

const char kUsage[] =
    "usage: setup-rebrand SETUP.EXE --show\n"
    "       setup-rebrand SETUP.EXE --base-name NAME [--allow-empty] -o OUTPUT.EXE\n"
    "\n"
    "--show prints the package base name (string 101) the launcher holds.\n"
    "--base-name writes a copy that looks for NAME_enu.msi and the like; OUTPUT.EXE\n"
    "may be SETUP.EXE itself. Sign the result afterwards: a signed file is refused.\n";

const size_t kLargest = 64u << 20;  // far above any launcher

int Fail(const std::string& message)
{
    std::fprintf(stderr, "setup-rebrand: %s\n", message.c_str());
    return 1;
}

bool Load(const std::string& path, rebrand::Bytes& data, std::string& error)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        error = std::strerror(errno);
        return false;
    }
    unsigned char chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0 && data.size() <= kLargest)
        data.insert(data.end(), chunk, chunk + got);
    bool failed = std::ferror(file) != 0;
    std::fclose(file);
    error = failed ? "cannot be read" : "is larger than 64 MiB: not a Setup.exe";
    return !failed && data.size() <= kLargest;
}

// Writes a temporary file beside the output, then renames it over the
// output: a failure leaves whatever was there, the input included, as it was.
bool Save(const std::string& input, const std::string& output, const rebrand::Bytes& data, std::string& error)
{
    std::random_device random;
    std::string temp;
    std::FILE* file = nullptr;
    for (int attempt = 0; !file && attempt < 20; ++attempt) {
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, ".%08x.tmp", static_cast<unsigned>(random()));
        temp = output + suffix;
#ifdef _WIN32
        std::error_code exists;
        if (std::filesystem::exists(temp, exists) || exists) continue;
        file = std::fopen(temp.c_str(), "wb");
#else
        file = std::fopen(temp.c_str(), "wbx");  // never through a planted link
#endif
        if (!file && errno != EEXIST) break;
    }
    if (!file) {
        error = "cannot create a temporary file beside " + output + ": " + std::strerror(errno);
        return false;
    }
    bool written = std::fwrite(data.data(), 1, data.size(), file) == data.size();
    written = std::fclose(file) == 0 && written;
    std::error_code ec;
    if (written) {
        // The input's access bits, never its set-id and sticky bits; where they
        // cannot be read (the input is gone), the new file keeps the default ones.
        std::filesystem::file_status from = std::filesystem::status(input, ec);
        if (!ec) std::filesystem::permissions(temp, from.permissions() & std::filesystem::perms::all, ec);
        std::filesystem::rename(temp, output, ec);
    }
    if (!written || ec) {
        std::remove(temp.c_str());
        error = "cannot write " + output + ": " + (written ? ec.message() : std::string(std::strerror(errno)));
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    std::string input, output, name;
    bool show = false, rename = false, allowEmpty = false, haveOutput = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--show") {
            show = true;
        } else if (arg == "--allow-empty") {
            allowEmpty = true;
        } else if (arg == "--base-name" && i + 1 < argc) {
            name = argv[++i];
            rename = true;
        } else if (arg == "-o" && i + 1 < argc) {
            output = argv[++i];
            haveOutput = true;
        } else if (arg == "-h" || arg == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (input.empty() && !arg.empty() && arg[0] != '-') {
            input = arg;
        } else {
            std::fprintf(stderr, "setup-rebrand: unexpected argument %s\n%s", arg.c_str(), kUsage);
            return 2;
        }
    }
    if (input.empty() || show == rename || haveOutput != rename || (allowEmpty && !rename)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    if (rename) {
        std::string problem = rebrand::BaseNameProblem(name, allowEmpty);
        if (!problem.empty()) return Fail(problem);
    }
    rebrand::Bytes image;
    std::string error;
    if (!Load(input, image, error)) return Fail(input + ": " + error);
    try {
        if (show) {
            std::printf("%s\n", rebrand::ReadBaseName(image).c_str());
            return std::fflush(stdout) == 0 ? 0 : 1;
        }
        rebrand::Bytes rebranded = rebrand::Rebrand(image, name);
        if (!Save(input, output, rebranded, error)) return Fail(error);
    } catch (const rebrand::Refusal& refusal) {
        return Fail(input + ": " + refusal.what());
    }
    return 0;
}
