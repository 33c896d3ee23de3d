// The launcher's selection rules, and what only a failing or odd platform
// shows: the rest of a launch is seen end to end under Wine.
#include <gtest/gtest.h>

#include <cstring>

#include "../fake/fake_win.h"
#include "launcher.h"

// NULL stands for a locale read that fails: what it left in the buffer is not
// used; "?" for an ISO name that is not read at all. A wildcard also names the
// locale's own package, to be looked for first.
TEST(PackageName, SelectionRules)
{
    const struct { const char *abbreviation, *iso, *name, *own; } rules[] = {
        {"chs", "?", "q_chs.msi", ""}, {"chtx", "xx", "q_chtx.msi", ""},
        {"zhh", "?", "q_cht.msi", ""}, {"ZHM", "?", "q_cht.msi", ""}, {"non", "?", "q_nor.msi", ""},
        {"ZHI", "ZH", "q_chs.msi", ""}, {"NOR", "no", "q_no*.msi", "q_NOR.msi"}, {"NOR", "nb", "q_NOR.msi", ""},
        {"E", "en", "q_E.msi", ""},                // the two-letter compare stops at an end
        {"\xC9NU", "\xE9n", "q_\xC9NU.msi", ""},  // only A-Z fold
        {"ENU", NULL, "q_ENU.msi", ""},
        {NULL, "?", "", ""}, {"", NULL, "", ""}, {"", "", "", ""},  // no abbreviation, or an empty one: English
        {"A\\B", "zz", "", ""}, {"ENU", "en/..", "", ""}, {"C:X", "zz", "", ""},  // would leave the directory
        // No own package of a name with a separator or a wildcard.
        {"en/", "en", "q_en*.msi", ""}, {"EN*", "en", "q_en*.msi", ""}, {"EN?", "en", "q_en*.msi", ""},
        // Locales known only by name go by their ISO name alone, with no own package.
        {"ZZZ", "de", "q_de*.msi", ""}, {"zzz", "ZH", "q_chs.msi", ""}, {"ZZZ", "nn", "q_nor.msi", ""},
        {"ZZZ", "nb", "q_nor.msi", ""}, {"ZZZ", "", "", ""}, {"ZZZ", NULL, "", ""}, {"ZZZX", "en", "q_ZZZX.msi", ""},
    };
    for (const auto& rule : rules) {
        fake::State& s = fake::reset();
        s.fail = rule.abbreviation == NULL ? fake::kAbbreviation : rule.iso == NULL ? fake::kIsoName : fake::kNothing;
        if (rule.abbreviation != NULL) s.abbreviation = rule.abbreviation;
        if (rule.iso != NULL) s.isoName = rule.iso;
        PackageNames names = SelectPackageName("q");
        EXPECT_EQ(std::string(names.name) + " " + std::string(names.own), std::string(rule.name) + " " + rule.own)
            << rule.abbreviation << "/" << rule.iso;
        EXPECT_EQ(s.isoReads, rule.iso != NULL && std::string(rule.iso) == "?" ? 0 : 1) << rule.abbreviation;
    }
    fake::State& s = fake::reset();
    s.abbreviation = "JPNx";
    s.unterminated = true;  // the count returned says where the text ends
    EXPECT_EQ(std::string(SelectPackageName("q").name), "q_JPN.msi");
}

// What the user's locale (never the system's) makes the launcher search for,
// in order, and what it hands over: the locale's own package (only where its
// package name is a wildcard), the package name, the English package; found
// ones as the folder spells them, the English one as the literal.
TEST(Launcher, ProbesInOrder)
{
    const std::vector<std::string> enAndNo = {"q_eng.msi", "q_ENU.msi", "q_nob.msi", "q_NOR.msi"};
    const struct { const char *abbreviation, *iso; std::vector<std::string> folder, searches; const char* installs; } cases[] = {
        {"enu", "en", enAndNo, {".\\q_enu.msi"}, "q_ENU.msi"},
        {"ENA", "en", enAndNo, {".\\q_ENA.msi", ".\\q_en*.msi"}, "q_eng.msi"},  // the first the search returns
        {"NOR", "nb", enAndNo, {".\\q_NOR.msi"}, "q_NOR.msi"},
        {"NOB", "nb", enAndNo, {".\\q_nor.msi"}, "q_NOR.msi"},
        {"JPN", "ja", enAndNo, {".\\q_JPN.msi", "q_enu.msi"}, "q_enu.msi"},
        {"DEU", "de", {"q_ENU.msi"}, {".\\q_DEU.msi", ".\\q_de*.msi", "q_enu.msi"}, "q_enu.msi"},
        {"", "de", {"q_ENU.msi"}, {"q_enu.msi"}, "q_enu.msi"},
        {"DEU", "de", {"q_deu"}, {".\\q_DEU.msi", ".\\q_de*.msi", "q_enu.msi"}, NULL},
    };
    for (const auto& c : cases) {
        fake::State& s = fake::reset();
        s.abbreviation = c.abbreviation;
        s.isoName = c.iso;
        s.entries = c.folder;
        ResolveAndInstall("q", SelectPackageName("q"));
        EXPECT_EQ(s.searches, c.searches) << c.abbreviation;
        EXPECT_EQ(s.installed, c.installs ? std::vector<std::string>{std::string("C:\\Media\\") + c.installs}
                                          : std::vector<std::string>()) << c.abbreviation;
        EXPECT_EQ(s.text, c.installs ? "" : "Unable to continue installation due to file q_enu.msi is missing");
    }
}

// On a wildcard, another language's package is passed over: one whose tag is
// the abbreviation of a locale the system knows, and of none of the user's
// language. The system is asked only where a wildcard finds something.
TEST(Launcher, PassesOverOtherLanguages)
{
    const std::vector<fake::State::Locale> windows = {
        {0x0437, "KAT", "ka"}, {0x046F, "KAL", "kl"}, {0x0416, "PTB", "pt"}, {0x0816, "PTG", "pt"},
        {0x0409, "ENU", "en"}, {0x0407, "DEU", "de"}, {0x0C07, "DEA", "de"}, {0x0411, "JPN", "ja"},
        {0x1000, "ZZZ", "xx"}, {0x2000, "KAX", "xx"}, {0x2001, "KAX", "ka"}};  // KAX: two languages' tag
    const struct { const char *abbreviation, *iso; std::vector<std::string> folder; const char* installs;
                   int enumerations; } cases[] = {
        {"KAT", "ka", {"q_kal.msi", "q_enu.msi"}, "q_enu.msi", 1},
        {"KAT", "ka", {"q_KAL.msi", "q_ka_GE.msi", "q_enu.msi"}, "q_ka_GE.msi", 2},  // the next match; a tag nobody uses
        {"KAT", "ka", {"q_kal.msi"}, NULL, 1},
        {"PTB", "pt", {"q_ptg.msi", "q_enu.msi"}, "q_ptg.msi", 1},  // another region of the user's language
        {"ZZZ", "de", {"q_dea.msi", "q_enu.msi"}, "q_dea.msi", 1},  // known only by name
        {"ZZZ", "ka", {"q_kal.msi", "q_enu.msi"}, "q_enu.msi", 1},
        {"ZZZ", "zz", {"q_zzz.msi", "q_enu.msi"}, "q_zzz.msi", 1},  // the placeholder is no language's tag
        {"DEU", "de", {"q_deu.msi", "q_kal.msi"}, "q_deu.msi", 0},
        {"KAT", "ka", {"q_kat.msi", "q_kal.msi"}, "q_kat.msi", 0},
        {"JPN", "ja", {"q_JPN.msi"}, "q_JPN.msi", 0},  // no wildcard: nothing to ask
        {"KAT", "ka", {"q_kax.msi"}, "q_kax.msi", 1},
    };
    for (const auto& c : cases) {
        fake::State& s = fake::reset();
        s.abbreviation = c.abbreviation;
        s.isoName = c.iso;
        s.locales = windows;
        s.entries = c.folder;
        ResolveAndInstall("q", SelectPackageName("q"));
        EXPECT_EQ(s.installed, c.installs ? std::vector<std::string>{std::string("C:\\Media\\") + c.installs}
                                          : std::vector<std::string>()) << c.abbreviation << " " << c.folder[0];
        EXPECT_EQ(s.enumerations, c.enumerations) << c.abbreviation << " " << c.folder[0];
    }
    // A system that does not know Greenlandic leaves its tag unknown: taken.
    fake::State& s = fake::reset();
    s.abbreviation = "KAT";
    s.isoName = "ka";
    s.locales = {windows[0]};
    s.entries = {"q_kal.msi", "q_enu.msi"};
    ResolveAndInstall("q", SelectPackageName("q"));
    EXPECT_EQ(s.installed, std::vector<std::string>{"C:\\Media\\q_kal.msi"});
}

// Where a launch beside q_enu.msi stops short of the installer: silently for
// versions Wine cannot report, a failed version query or no usable msi.dll;
// with a message for a current directory that cannot be read, and with the
// missing-package one where the package's path would reach MAX_PATH characters.
TEST(Launcher, StopsWhereItCannotInstall)
{
    const char* const kNoDirectory = "Fail to get current working directory";
    const char* const kMissing = "Unable to continue installation due to file q_enu.msi is missing";
    const std::string media = "C:\\Media", fits(MAX_PATH - 2 - std::strlen("q_enu.msi"), 'd');
    const struct { DWORD major, minor; fake::Failure fail; size_t systemDirectory; std::string directory;
                   size_t installs; const char* box; } cases[] = {
        {4, 90, fake::kNothing, 0, media, 1, NULL},  // Windows Me
        {5, 0, fake::kNothing, 0, fits, 1, NULL},    // the longest directory that fits
        {4, 91, fake::kNothing, 0, media, 0, NULL},
        {5, 0, fake::kVersion, 0, media, 0, NULL},
        {5, 0, fake::kOrdinal141, 0, media, 0, NULL},
        {5, 0, fake::kOrdinal87, 0, media, 0, NULL},
        {5, 0, fake::kNothing, 2 * MAX_PATH - 9, media, 1, NULL},  // longer than MAX_PATH bytes: double-byte
        {5, 0, fake::kNothing, 2 * MAX_PATH - 8, media, 0, NULL},  // msi.dll's path would not fit
        {5, 0, fake::kNothing, 0, "", 0, kNoDirectory},    // cannot be read
        {5, 0, fake::kNothing, 0, fits + "d", 0, kMissing},
        {5, 0, fake::kNothing, 0, std::string(kPathBufferSize, 'd'), 0, kNoDirectory},
    };
    for (const auto& c : cases) {
        fake::State& s = fake::reset();
        s.major = c.major;
        s.minor = c.minor;
        s.fail = c.fail;
        if (c.systemDirectory) s.systemDirectory = std::string(c.systemDirectory, 's');
        s.currentDirectory = c.directory;
        s.entries = {"q_enu.msi"};
        s.strings[IDS_PACKAGE_BASE_NAME] = "q";
        CLauncherApp app;
        EXPECT_FALSE(app.InitInstance());
        EXPECT_EQ(s.installed.size(), c.installs) << c.major << "." << c.minor << " failing " << c.fail;
        EXPECT_EQ(s.boxes.size(), c.box != NULL) << "directory of " << c.directory.size();
        EXPECT_EQ(s.text, c.box != NULL ? c.box : "");
        if (c.installs || !s.libraries.empty())  // from System32, its imports from its own folder first, freed
            EXPECT_EQ(s.libraries, std::vector<std::string>({s.systemDirectory + "\\msi.dll flags 8", "freed"}));
    }
}

// Names the ANSI code page cannot spell exactly: the installer gets the
// short (8.3) spelling, never a path with substitutes or with a look-alike
// that became a separator (a double-byte character's trail byte is none), nor
// a short name that also names another entry.
TEST(Launcher, NamesTheCodePageCannotSpell)
{
    const std::wstring ivan = L"C:\\\x0418\x0432\x0430\x043D";  // C:\Иван, "C:\????" in ANSI
    const std::string tooLong = "q_en" + std::string(3 * 100, '\xe4') + ".msi";  // cut off in cFileName
    const struct { const char* what; std::wstring wide, shortDirectory; bool wideApi, utf8; std::vector<std::string> folder;
                   std::string shortName; std::vector<std::string> installed; } cases[] = {
        {"spelled exactly", L"C:\\Media", L"", true, false, {"q_en1.msi"}, "", {"C:\\Media\\q_en1.msi"}},
        {"short folder", ivan, L"C:\\9D7C~1", true, false, {"q_en1.msi"}, "", {"C:\\9D7C~1\\q_en1.msi"}},
        {"no short name", ivan, ivan, true, false, {"q_en1.msi"}, "", {}},
        {"short name unreadable", ivan, L"", true, false, {"q_en1.msi"}, "", {}},
        {"too long to read wide", std::wstring(kPathBufferSize, L'd'), L"C:\\9D7C~1", true, false, {"q_en1.msi"}, "", {}},
        {"Windows Me", ivan, L"", false, false, {"q_en1.msi"}, "", {"C:\\Media\\q_en1.msi"}},
        {"UTF-8 code page", ivan, L"", true, true, {"q_en1.msi"}, "", {"C:\\Media\\q_en1.msi"}},
        {"short file", L"C:\\Media", L"", true, false, {"q_en?.msi"}, "Q_EN~1.MSI", {"C:\\Media\\Q_EN~1.MSI"}},
        {"file without short name", L"C:\\Media", L"", true, false, {"q_en?.msi"}, "", {}},
        {"planted short name", L"C:\\Media", L"", true, false, {"q_en?.msi", "Q_EN~1.MSI"}, "Q_EN~1.MSI", {}},
        {"too long for cFileName", L"C:\\Media", L"", true, true, {tooLong}, "Q_EN~1.MSI", {"C:\\Media\\Q_EN~1.MSI"}},
        {"cut off, no short name", L"C:\\Media", L"", true, true, {tooLong}, "", {}},
        {"look-alike", L"C:\\Media", L"", true, false, {"q_en\\..\\x.msi"}, "Q_EN~1.MSI", {"C:\\Media\\Q_EN~1.MSI"}},
        {"look-alike slash", L"C:\\Media", L"", true, false, {"q_en/../x.msi"}, "", {}},
        {"look-alike colon", L"C:\\Media", L"", true, false, {"q_en:x.msi"}, "", {}},
        {"trail byte", L"C:\\Media", L"", true, false, {"q_en\x95\\.msi"}, "", {"C:\\Media\\q_en\x95\\.msi"}},
    };
    for (const auto& c : cases) {
        fake::State& s = fake::reset();
        s.doubleByte = !c.utf8;
        s.wideDirectory = c.wide;
        s.shortDirectory = c.shortDirectory;
        s.haveWideApi = c.wideApi;
        s.utf8 = c.utf8;
        s.entries = c.folder;
        s.shortName = c.shortName;
        s.unreachable = "q_en?.msi";
        ResolveAndInstall("q", SelectPackageName("q"));
        EXPECT_EQ(s.installed, c.installed) << c.what;
        EXPECT_EQ(s.text, c.installed.empty() ? "Fail to get current working directory" : "") << c.what;
    }
}

// No path of MAX_PATH characters or more is handed over (Windows Installer
// overflows its stack on one): a package whose name makes it too long goes by
// its short name, or else is passed over for the next match. Characters are
// counted, not bytes.
TEST(Launcher, PathsShorterThanMaxPath)
{
    const std::string media = "C:\\Media", longest = "q_en" + std::string(MAX_PATH - 1 - 9 - 8, 'a') + ".msi",
                      tooLong = "q_ena" + longest.substr(4), dbcs = "C:\\" + std::string(2 * 150, '\x82');
    const struct { std::string directory; std::vector<std::string> folder; std::string shortName; std::string installs;
                 } cases[] = {
        {media, {longest, "q_ENU.msi"}, "", media + "\\" + longest},
        {media, {tooLong, "q_ENU.msi"}, "Q_ENAA~1.MSI", media + "\\Q_ENAA~1.MSI"},  // its short name makes it fit
        {media, {tooLong, "q_ENU.msi"}, "", media + "\\q_ENU.msi"},  // the next match
        {media, {tooLong}, "", ""},
        {dbcs, {"q_en" + std::string(90, 'a') + ".msi"}, "", dbcs + "\\q_en" + std::string(90, 'a') + ".msi"},  // 402 bytes
        {dbcs, {"q_en" + std::string(110, 'a') + ".msi"}, "", ""},
    };
    for (const auto& c : cases) {
        fake::State& s = fake::reset();
        s.abbreviation = "ENA";
        s.doubleByte = true;
        s.currentDirectory = c.directory;
        s.entries = c.folder;
        s.shortNames[c.folder[0]] = c.shortName;
        ResolveAndInstall("q", SelectPackageName("q"));
        EXPECT_EQ(s.installed, c.installs.empty() ? std::vector<std::string>() : std::vector<std::string>{c.installs})
            << c.folder[0].size();
        EXPECT_EQ(s.text, c.installs.empty() ? "Unable to continue installation due to file q_enu.msi is missing" : "");
    }
}
