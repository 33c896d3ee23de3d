// The launcher's selection rules, and what only a failing or odd platform
// shows: the rest of a launch is seen end to end under Wine.
#include <gtest/gtest.h>

#include "../fake/fake_win.h"
#include "launcher.h"

TEST(PackageName, SelectionRules)
{
    const struct { const char *abbreviation, *iso, *name; } rules[] = {
        {"CHT", "zh", "q_CHT.msi"}, {"chs", "", "q_chs.msi"}, {"chtx", "xx", "q_chtx.msi"},
        {"ZHH", "zh", "q_cht.msi"}, {"zhm", "", "q_cht.msi"},
        {"NOB", "nb", "q_nor.msi"}, {"non", "", "q_nor.msi"},
        {"ZHI", "ZH", "q_chs.msi"},
        {"ENU", "en", "q_en*.msi"}, {"DEU", "de", "q_de*.msi"}, {"NOR", "no", "q_no*.msi"},
        {"JPN", "ja", "q_JPN.msi"}, {"NOR", "nb", "q_NOR.msi"},
        {"E", "en", "q_E.msi"},               // the two-letter compare stops at an end
        {"ENU", NULL, "q_ENU.msi"},           // the ISO name could not be read
        {"\xC9NU", "\xE9n", "q_\xC9NU.msi"},  // only A-Z fold
        {NULL, "en", ""}, {"", "", ""}, {"", "en", ""},  // no abbreviation, or an empty one: English
        {"A\\B", "zz", ""}, {"ENU", "en/..", ""}, {"C:X", "zz", ""},  // a separator would leave the directory
    };
    for (const auto& rule : rules)
        EXPECT_EQ(std::string(PackageNameForLocale("q", rule.abbreviation, rule.iso)), rule.name)
            << rule.abbreviation << "/" << rule.iso;
}

TEST(PackageName, LocaleReadsThatFailOrComeBackOdd)
{
    const struct { fake::Failure fail; bool unterminated; const char *abbreviation, *name; } cases[] = {
        {fake::kAbbreviation, false, "ENU", ""},
        {fake::kIsoName, false, "ENU", "q_ENU.msi"},  // what a failed read left in the buffer is not used
        {fake::kNothing, false, "", ""},
        {fake::kNothing, true, "JPNx", "q_JPN.msi"},  // the count returned says where the text ends
    };
    for (const auto& c : cases) {
        fake::State& s = fake::reset();
        s.fail = c.fail;
        s.unterminated = c.unterminated;
        s.abbreviation = c.abbreviation;
        EXPECT_EQ(std::string(SelectPackageName("q")), c.name) << c.abbreviation;
    }
}

// The current directory, a backslash and the name must fit the path buffer
// with a terminator: the installer never gets a cut-off path.
TEST(Launcher, CurrentDirectoryThatCannotBeReadOrDoesNotFit)
{
    const std::string name = "q_enu.msi";
    const size_t longest = kPathBufferSize - 1;
    const struct { size_t directory; bool readable, installs; } cases[] = {
        {8, false, false},
        {longest - 1 - name.size(), true, true},
        {longest - name.size(), true, false},
        {longest, true, false},
        {longest + 1, true, false},
    };
    for (const auto& c : cases) {
        fake::State& s = fake::reset();
        s.entries = {name};
        s.currentDirectory = "C:" + std::string(c.directory - 2, 'd');
        s.fail = c.readable ? fake::kNothing : fake::kCurrentDirectory;
        ResolveAndInstall("q", name.c_str());
        ASSERT_EQ(s.installed.size(), c.installs ? 1u : 0u) << c.directory;
        EXPECT_EQ(s.boxes.size(), c.installs ? 0u : 1u) << c.directory;
        if (c.installs) EXPECT_EQ(s.installed[0].size(), longest);
    }
}

// Where the launch stops short of the installer, without a word: versions
// Wine cannot report, a version query that fails, no usable msi.dll.
TEST(Launcher, StopsQuietlyWhereItCannotInstall)
{
    const std::string system32 = "C:\\WINDOWS\\system32", tooLong(MAX_PATH, 's');
    const struct { DWORD major, minor; fake::Failure fail; std::string systemDirectory; bool installs; } cases[] = {
        {4, 0, fake::kNothing, system32, false},   // Windows 95, NT 4.0
        {4, 10, fake::kNothing, system32, false},  // Windows 98
        {4, 90, fake::kNothing, system32, true},   // Windows Me
        {4, 91, fake::kNothing, system32, false},
        {5, 0, fake::kNothing, system32, true},  // Windows 2000
        {5, 0, fake::kVersion, system32, false},
        {5, 0, fake::kMsiDll, system32, false},
        {5, 0, fake::kOrdinal141, system32, false},
        {5, 0, fake::kOrdinal87, system32, false},
        {5, 0, fake::kNothing, tooLong, false},
    };
    for (const auto& c : cases) {
        fake::State& s = fake::reset();
        s.major = c.major;
        s.minor = c.minor;
        s.fail = c.fail;
        s.systemDirectory = c.systemDirectory;
        s.entries = {"q_enu.msi"};
        CLauncherApp app;
        EXPECT_FALSE(app.InitInstance());
        EXPECT_EQ(s.installed.size(), c.installs ? 1u : 0u) << c.major << "." << c.minor << " failing " << c.fail;
        EXPECT_TRUE(s.boxes.empty());
    }
}

// Names the ANSI code page cannot spell come back with '?' or look-alikes
// for the letters it lacks: the installer gets the short (8.3) spelling, and
// never a path with substitutes.
TEST(Launcher, NamesTheCodePageCannotSpell)
{
    const std::wstring ivan = L"C:\\\x0418\x0432\x0430\x043D";  // C:\Иван, "C:\????" in ANSI
    const struct {
        const char* what;
        std::wstring wide, shortDirectory;
        bool wideApi;
        std::string entry, shortName, installed;
    } cases[] = {
        {"spelled exactly", L"", L"", true, "q_en1.msi", "", "C:\\Media\\q_en1.msi"},
        {"short folder", ivan, L"C:\\9D7C~1", true, "q_en1.msi", "", "C:\\9D7C~1\\q_en1.msi"},
        {"no short name", ivan, ivan, true, "q_en1.msi", "", ""},
        {"Windows Me", ivan, L"", false, "q_en1.msi", "", "C:\\Media\\q_en1.msi"},
        {"short file", L"", L"", true, "q_en?.msi", "Q_EN~1.MSI", "C:\\Media\\Q_EN~1.MSI"},
        {"file without short name", L"", L"", true, "q_en?.msi", "", "C:\\Media\\q_enu.msi"},
    };
    for (const auto& c : cases) {
        fake::State& s = fake::reset();
        s.wideDirectory = c.wide;
        s.shortDirectory = c.shortDirectory;
        s.haveWideApi = c.wideApi;
        s.entries = {c.entry};
        s.shortName = c.shortName;
        s.unreachable = {"q_en?.msi"};
        ResolveAndInstall("q", "q_en*.msi");
        EXPECT_EQ(s.installed, c.installed.empty() ? std::vector<std::string>() : std::vector<std::string>{c.installed})
            << c.what;
        EXPECT_EQ(s.boxes.size(), c.installed.empty() ? 1u : 0u) << c.what;
    }
}
