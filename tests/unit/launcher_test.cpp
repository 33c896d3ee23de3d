// The launcher's selection rules, and what only a failing or odd platform
// shows: the rest of a launch is seen end to end under Wine.
#include <gtest/gtest.h>

#include <cstring>

#include "../fake/fake_win.h"
#include "launcher.h"

// NULL stands for a locale read that fails: what it left in the buffer is not used.
TEST(PackageName, SelectionRules)
{
    const struct { const char *abbreviation, *iso, *name; } rules[] = {
        {"chs", "zh", "q_chs.msi"}, {"chtx", "xx", "q_chtx.msi"},
        {"zhh", "zh", "q_cht.msi"}, {"ZHM", "", "q_cht.msi"}, {"non", "no", "q_nor.msi"},
        {"ZHI", "ZH", "q_chs.msi"}, {"NOR", "no", "q_no*.msi"}, {"NOR", "nb", "q_NOR.msi"},
        {"E", "en", "q_E.msi"},               // the two-letter compare stops at an end
        {"\xC9NU", "\xE9n", "q_\xC9NU.msi"},  // only A-Z fold
        {"ENU", NULL, "q_ENU.msi"},
        {NULL, "en", ""}, {"", NULL, ""}, {"", "", ""},  // no abbreviation, or an empty one: English
        {"A\\B", "zz", ""}, {"ENU", "en/..", ""}, {"C:X", "zz", ""},  // a separator would leave the directory
    };
    for (const auto& rule : rules) {
        fake::State& s = fake::reset();
        s.fail = rule.abbreviation == NULL ? fake::kAbbreviation : rule.iso == NULL ? fake::kIsoName : fake::kNothing;
        if (rule.abbreviation != NULL) s.abbreviation = rule.abbreviation;
        if (rule.iso != NULL) s.isoName = rule.iso;
        EXPECT_EQ(std::string(SelectPackageName("q")), rule.name) << rule.abbreviation << "/" << rule.iso;
    }
    fake::State& s = fake::reset();
    s.abbreviation = "JPNx";
    s.unterminated = true;  // the count returned says where the text ends
    EXPECT_EQ(std::string(SelectPackageName("q")), "q_JPN.msi");
}

// Where a launch beside q_enu.msi stops short of the installer: silently for
// versions Wine cannot report, a failed version query or no usable msi.dll;
// with a message for a current directory that cannot be read or would not fit
// with a backslash, the name and a terminator (never a cut-off path).
TEST(Launcher, StopsWhereItCannotInstall)
{
    const std::string media = "C:\\Media", fits(kPathBufferSize - 2 - std::strlen("q_enu.msi"), 'd');
    const struct { DWORD major, minor; fake::Failure fail; bool longSystemDirectory; std::string directory;
                   size_t installs, boxes; } cases[] = {
        {4, 90, fake::kNothing, false, media, 1, 0},  // Windows Me
        {5, 0, fake::kNothing, false, fits, 1, 0},    // the longest directory that fits
        {4, 91, fake::kNothing, false, media, 0, 0},
        {5, 0, fake::kVersion, false, media, 0, 0},
        {5, 0, fake::kOrdinal141, false, media, 0, 0},
        {5, 0, fake::kOrdinal87, false, media, 0, 0},
        {5, 0, fake::kNothing, true, media, 0, 0},  // msi.dll's path would not fit
        {5, 0, fake::kNothing, false, "", 0, 1},    // cannot be read
        {5, 0, fake::kNothing, false, fits + "d", 0, 1},
        {5, 0, fake::kNothing, false, std::string(kPathBufferSize, 'd'), 0, 1},
    };
    for (const auto& c : cases) {
        fake::State& s = fake::reset();
        s.major = c.major;
        s.minor = c.minor;
        s.fail = c.fail;
        if (c.longSystemDirectory) s.systemDirectory = std::string(MAX_PATH, 's');
        s.currentDirectory = c.directory;
        s.entries = {"q_enu.msi"};
        CLauncherApp app;
        EXPECT_FALSE(app.InitInstance());
        EXPECT_EQ(s.installed.size(), c.installs) << c.major << "." << c.minor << " failing " << c.fail;
        EXPECT_EQ(s.boxes.size(), c.boxes) << "directory of " << c.directory.size();
        EXPECT_EQ(s.text, c.boxes ? "Fail to get current working directory" : "");
        if (c.installs || !s.libraries.empty())  // from System32, its imports from its own folder first, freed
            EXPECT_EQ(s.libraries, std::vector<std::string>({"C:\\WINDOWS\\system32\\msi.dll flags 8", "freed"}));
    }
}

// Names the ANSI code page cannot spell: the installer gets the short (8.3)
// spelling, never a path with substitutes.
TEST(Launcher, NamesTheCodePageCannotSpell)
{
    const std::wstring ivan = L"C:\\\x0418\x0432\x0430\x043D";  // C:\Иван, "C:\????" in ANSI
    const struct { const char* what; std::wstring wide, shortDirectory; bool wideApi, utf8; std::string entry,
                   shortName; std::vector<std::string> installed; } cases[] = {
        {"spelled exactly", L"C:\\Media", L"", true, false, "q_en1.msi", "", {"C:\\Media\\q_en1.msi"}},
        {"short folder", ivan, L"C:\\9D7C~1", true, false, "q_en1.msi", "", {"C:\\9D7C~1\\q_en1.msi"}},
        {"no short name", ivan, ivan, true, false, "q_en1.msi", "", {}},
        {"short name unreadable", ivan, L"", true, false, "q_en1.msi", "", {}},
        {"too long to read wide", std::wstring(kPathBufferSize, L'd'), L"C:\\9D7C~1", true, false, "q_en1.msi", "", {}},
        {"Windows Me", ivan, L"", false, false, "q_en1.msi", "", {"C:\\Media\\q_en1.msi"}},
        {"UTF-8 code page", ivan, L"", true, true, "q_en1.msi", "", {"C:\\Media\\q_en1.msi"}},
        {"short file", L"C:\\Media", L"", true, false, "q_en?.msi", "Q_EN~1.MSI", {"C:\\Media\\Q_EN~1.MSI"}},
        {"file without short name", L"C:\\Media", L"", true, false, "q_en?.msi", "", {}},
    };
    for (const auto& c : cases) {
        fake::State& s = fake::reset();
        s.wideDirectory = c.wide;
        s.shortDirectory = c.shortDirectory;
        s.haveWideApi = c.wideApi;
        s.utf8 = c.utf8;
        s.entries = {c.entry};
        s.shortName = c.shortName;
        s.unreachable = "q_en?.msi";
        ResolveAndInstall("q", "q_en*.msi");
        EXPECT_EQ(s.installed, c.installed) << c.what;
        EXPECT_EQ(s.text, c.installed.empty() ? "Fail to get current working directory" : "") << c.what;
    }
}
