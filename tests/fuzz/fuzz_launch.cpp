// The whole run against a fake directory of arbitrary names, a current
// directory of any length and any locale: the installer gets only the current
// directory, one backslash and an existing entry's name (or the English
// literal), never a path past its buffer; the only texts shown are the two
// messages; no search is left open.
#include "fuzz_support.h"

#include <cstring>
#include <vector>

namespace {

const std::string kNoDirectory = "Fail to get current working directory";

std::string Missing(const std::string& name)
{
    return "Unable to continue installation due to file " + name + " is missing";
}

// A directory entry's name: not empty, no separators, as a file system has it.
std::string EntryName(FuzzedDataProvider& in)
{
    std::string name = AsCString(in.ConsumeRandomLengthString(40));
    for (char& c : name)
        if (c == '\\' || c == '/') c = '_';
    return name.empty() ? "x" : name;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    fake::reset();
    fake::World& world = fake::world();
    world.codePage = PickCodePage(in);
    world.currentDirectoryFails = in.ConsumeIntegralInRange<int>(0, 15) == 0;
    world.msiLoads = in.ConsumeIntegralInRange<int>(0, 15) != 0;
    bool haveBase = in.ConsumeIntegralInRange<int>(0, 7) != 0;
    // The build refuses base names with characters Windows forbids in file names.
    std::string base = haveBase ? AsCString(in.ConsumeRandomLengthString(300)) : std::string();
    for (char& c : base)
        if (std::strchr("<>:\"/\\|?*", c) != NULL) c = '_';
    if (haveBase) world.strings[IDS_PACKAGE_BASE_NAME] = base;
    static const char* const abbreviations[] = {"ENU", "CHT", "chs", "ZHH", "NOB", "DEU", "JPN", "ZHI"};
    static const char* const isos[] = {"en", "zh", "nb", "de", "ja"};
    if (in.ConsumeBool()) {
        world.locale = {{LOCALE_SABBREVLANGNAME, abbreviations[in.ConsumeIntegralInRange<int>(0, 7)]},
                        {LOCALE_SISO639LANGNAME, isos[in.ConsumeIntegralInRange<int>(0, 4)]}};
    } else {
        world.locale = {{LOCALE_SABBREVLANGNAME, AsCString(in.ConsumeRandomLengthString(8))},
                        {LOCALE_SISO639LANGNAME, AsCString(in.ConsumeRandomLengthString(8))}};
    }
    size_t cwdLength = in.ConsumeIntegralInRange<size_t>(2, 2100);
    std::string cwd = "C:" + std::string(cwdLength - 2, in.ConsumeBool() ? 'd' : '\\');
    if (in.ConsumeBool()) cwd = "C:\\" + AsCString(in.ConsumeRandomLengthString(300));
    world.currentDirectory = cwd;
    int entries = in.ConsumeIntegralInRange<int>(0, 8);
    for (int k = 0; k < entries; ++k) {
        bool english = in.ConsumeBool();
        std::string name = english ? base + (in.ConsumeBool() ? "_ENU.MSI" : "_enu.msi") : EntryName(in);
        world.files.push_back({name.empty() ? "x" : name, in.ConsumeBool()});
    }

    CLauncherApp app;
    int exitCode = AfxWinMain(reinterpret_cast<HINSTANCE>(0x400000), NULL, const_cast<LPSTR>(""), 1);
    FUZZ_CHECK(exitCode == 0, "exit code %d", exitCode);
    FUZZ_CHECK(world.openSearches == 0, "%d searches left open", world.openSearches);
    FUZZ_CHECK(world.boxes.size() <= 1, "%zu boxes", world.boxes.size());

    std::string english = base + "_enu.msi";
    std::vector<fake::InstallerCall>& calls = world.installer;
    if (!world.boxes.empty()) {
        const fake::MessageBoxCall& box = world.boxes[0];
        FUZZ_CHECK(calls.empty(), "installer called after the box \"%s\"", box.text.c_str());
        FUZZ_CHECK(box.text == Missing(english) || box.text == kNoDirectory, "box text \"%s\"", box.text.c_str());
        FUZZ_CHECK(box.caption == "Setup" && box.type == 0x30 && box.owner == NULL, "box \"%s\" type %u",
                   box.caption.c_str(), box.type);
        return 0;
    }
    if (calls.empty()) {
        FUZZ_CHECK(!world.msiLoads, "neither a box nor the installer");
        return 0;
    }
    FUZZ_CHECK(calls.size() == 2 && calls[0].ordinal == 141 && calls[0].level == 5 && calls[0].window == NULL &&
                   calls[1].ordinal == 87 && calls[1].command.empty(),
               "installer calls out of shape (%zu)", calls.size());
    const std::string& path = calls[1].path;
    FUZZ_CHECK(path.size() < 2048, "path of %zu characters", path.size());
    FUZZ_CHECK(path.compare(0, cwd.size() + 1, cwd + "\\") == 0, "path \"%s\" outside \"%s\"", path.c_str(),
               cwd.c_str());
    std::string name = path.substr(cwd.size() + 1);
    bool existing = false;
    for (const fake::Entry& entry : world.files) existing = existing || entry.name == name;
    bool fallback = name == english;
    bool englishThere = false;
    for (const fake::Entry& entry : world.files) englishThere = englishThere || SameNoCase(entry.name, english);
    FUZZ_CHECK(existing || (fallback && englishThere), "installed \"%s\", which is no entry", name.c_str());
    return 0;
}
