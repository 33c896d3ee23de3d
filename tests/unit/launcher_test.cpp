#include "test_support.h"

namespace {

// One whole run of Setup.exe: framework entry, launch, exit code.
int RunSetup()
{
    CLauncherApp app;
    return AfxWinMain(reinterpret_cast<HINSTANCE>(0x400000), NULL, const_cast<LPSTR>("/anything"), SW_SHOWNORMAL);
}

std::string MissingMessage(const std::string& name)
{
    return "Unable to continue installation due to file " + name + " is missing";
}

}  // namespace

class LauncherTest : public FakeWorldTest {
protected:
    void SetUp() override
    {
        FakeWorldTest::SetUp();
        world().strings[IDS_PACKAGE_BASE_NAME] = "quelvarine";
        world().files = {{"quelvarine_enu.msi", false}, {"quelvarine_CHT.msi", false}};
    }
    std::vector<std::string> InstallerCalls() { return fake::callsStartingWith("Msi"); }
    std::vector<std::string> Installed(const std::string& path)
    {
        return {"MsiSetInternalUI(5,NULL)", "MsiInstallProductA(" + path + ",)"};
    }
};

TEST_F(LauncherTest, VersionGate)
{
    struct Case {
        DWORD major, minor, platform;
        bool fails;
        bool proceeds;
    } cases[] = {
        {4, 0, 1, false, false},   // Windows 95
        {4, 10, 1, false, false},  // Windows 98
        {4, 0, 2, false, false},   // NT 4.0
        {4, 90, 1, false, true},   // Windows Me
        {4, 91, 1, false, false},
        {3, 90, 1, false, false},
        {5, 0, 2, false, true},
        {5, 1, 2, false, true},
        {6, 1, 2, false, true},
        {10, 0, 2, false, true},
        {10, 0, 2, true, false},  // the query itself fails
    };
    for (const Case& c : cases) {
        SetUp();
        world().major = c.major;
        world().minor = c.minor;
        world().platform = c.platform;
        world().versionFails = c.fails;
        EXPECT_EQ(RunSetup(), 0);
        EXPECT_EQ(world().versionSizeSeen, 148u);
        EXPECT_EQ(!InstallerCalls().empty(), c.proceeds) << c.major << "." << c.minor;
        EXPECT_EQ(!fake::callsStartingWith("GetLocaleInfoA").empty(), c.proceeds) << c.major << "." << c.minor;
        EXPECT_TRUE(world().boxes.empty());
        EXPECT_EQ(fake::callsStartingWith("LoadStringA(101"), std::vector<std::string>{"LoadStringA(101,256)"})
            << "the base name is loaded whatever the version";
    }
}

TEST_F(LauncherTest, OneRunInOrder)
{
    world().locale = {{LOCALE_SABBREVLANGNAME, "ENU"}, {LOCALE_SISO639LANGNAME, "en"}};
    EXPECT_EQ(RunSetup(), 0);
    std::vector<std::string> expected = {
        "SetErrorMode(0)",
        "SetErrorMode(32769)",
        "GetModuleHandleA(kernel32.dll)",
        "GetProcAddress(SetDefaultDllDirectories)",
        "GetModuleFileNameA(260)",
        "LoadStringA(57344,256)",
        "GetVersion()",
        "GetVersionExA(148)",
        "LoadStringA(101,256)",
        "GetLocaleInfoA(1024,3,256)",
        "GetLocaleInfoA(1024,89,256)",
        "FindFirstFileA(.\\quelvarine_en*.msi)",
        "GetFullPathNameA(.\\quelvarine_en*.msi,260)",
        "FindNextFileA()",
        "GetCurrentDirectoryA(2048)",
        "GetSystemDirectoryA(260)",
        "LoadLibraryExA(C:\\WINDOWS\\system32\\msi.dll,8)",
        "GetProcAddress(#141)",
        "GetProcAddress(#87)",
        "MsiSetInternalUI(5,NULL)",
        "MsiInstallProductA(C:\\Media\\quelvarine_enu.msi,)",
        "FreeLibrary()",
        "FindClose()",  // the search stays open across the installation
    };
    EXPECT_EQ(world().calls, expected);
}

TEST_F(LauncherTest, ChosenPackageIsInstalledWithItsOnDiskSpelling)
{
    world().locale = {{LOCALE_SABBREVLANGNAME, "CHT"}};
    world().files = {{"quelvarine_enu.msi", false}, {"QUELVARINE_cht.MSI", false}};
    RunSetup();
    EXPECT_EQ(InstallerCalls(), Installed("C:\\Media\\QUELVARINE_cht.MSI"));
}

TEST_F(LauncherTest, WildcardTakesTheFirstEntryTheSearchReturns)
{
    world().files = {{"quelvarine_eng.msi", false}, {"quelvarine_enu.msi", false}};
    RunSetup();
    EXPECT_EQ(InstallerCalls(), Installed("C:\\Media\\quelvarine_eng.msi"));
}

TEST_F(LauncherTest, FallbackToEnglishSpelledAsTheLiteral)
{
    world().locale = {{LOCALE_SABBREVLANGNAME, "JPN"}, {LOCALE_SISO639LANGNAME, "ja"}};
    world().files = {{"QUELVARINE_ENU.MSI", false}};
    RunSetup();
    EXPECT_EQ(fake::callsStartingWith("FindFirstFileA"),
              (std::vector<std::string>{"FindFirstFileA(.\\quelvarine_JPN.msi)", "FindFirstFileA(quelvarine_enu.msi)"}));
    EXPECT_EQ(InstallerCalls(), Installed("C:\\Media\\quelvarine_enu.msi"));
    EXPECT_TRUE(world().boxes.empty());
}

TEST_F(LauncherTest, UnreadableLocaleFallsBackToEnglish)
{
    world().locale.clear();
    RunSetup();
    EXPECT_EQ(fake::callsStartingWith("FindFirstFileA").front(), "FindFirstFileA(.\\)");
    EXPECT_EQ(InstallerCalls(), Installed("C:\\Media\\quelvarine_enu.msi"));
}

TEST_F(LauncherTest, NoPackageShowsTheMissingMessage)
{
    world().files = {{"other_enu.msi", false}};
    EXPECT_EQ(RunSetup(), 0);
    ASSERT_EQ(world().boxes.size(), 1u);
    EXPECT_EQ(world().boxes[0].text, "Unable to continue installation due to file quelvarine_enu.msi is missing");
    EXPECT_EQ(world().boxes[0].caption, "Setup");
    EXPECT_EQ(world().boxes[0].type, 0x30u);
    EXPECT_EQ(world().boxes[0].owner, nullptr);
    EXPECT_TRUE(InstallerCalls().empty());
    EXPECT_TRUE(fake::callsStartingWith("GetCurrentDirectoryA").empty());
}

TEST_F(LauncherTest, UnreadableCurrentDirectory)
{
    world().currentDirectoryFails = true;
    EXPECT_EQ(RunSetup(), 0);
    ASSERT_EQ(world().boxes.size(), 1u);
    EXPECT_EQ(world().boxes[0].text, "Fail to get current working directory");
    EXPECT_EQ(world().boxes[0].type, 0x30u);
    EXPECT_TRUE(InstallerCalls().empty());
}

TEST_F(LauncherTest, DriveRootGivesTwoBackslashes)
{
    world().currentDirectory = "D:\\";
    RunSetup();
    EXPECT_EQ(InstallerCalls(), Installed("D:\\\\quelvarine_enu.msi"));
}

TEST_F(LauncherTest, DeepDirectoryReportsThePackageMissing)
{
    world().currentDirectory = "C:\\" + std::string(240, 'd');
    RunSetup();
    ASSERT_EQ(world().boxes.size(), 1u);
    EXPECT_EQ(world().boxes[0].text, MissingMessage("quelvarine_enu.msi"));
}

// The current directory must fit 2048 bytes with its terminator, and so must
// the full path; otherwise the installer is never handed a cut-off path.
TEST_F(LauncherTest, CurrentDirectoryAndFullPathLimits)
{
    const std::string name = "\\quelvarine_enu.msi";
    struct Case {
        size_t length;  // of the current directory
        bool installs;
    } cases[] = {
        {2047 - name.size(), true},  // full path of 2047 characters
        {2048 - name.size(), false},
        {2046, false},
        {2047, false},
        {2048, false},  // needs 2049 bytes: GetCurrentDirectoryA returns the size
        {2049, false},
    };
    for (const Case& c : cases) {
        SetUp();
        world().currentDirectory = "C:" + std::string(c.length - 2, 'd');
        world().fullPathFails = false;
        world().fullPathDirectory = "C:";  // Windows itself keeps these below 260
        EXPECT_EQ(RunSetup(), 0);
        if (c.installs) {
            EXPECT_EQ(InstallerCalls(), Installed(world().currentDirectory + name)) << c.length;
            EXPECT_TRUE(world().boxes.empty());
        } else {
            EXPECT_TRUE(InstallerCalls().empty()) << c.length;
            ASSERT_EQ(world().boxes.size(), 1u) << c.length;
            EXPECT_EQ(world().boxes[0].text, "Fail to get current working directory") << c.length;
        }
    }
}

// Base names so long that a probe would not fit its buffer find nothing;
// nothing is written past a buffer (AddressSanitizer watches).
TEST_F(LauncherTest, LongBaseNames)
{
    for (size_t length : {245u, 248u, 249u, 250u, 1000u, 2039u, 2040u, 5000u}) {
        SetUp();
        std::string base(length, 'b');
        world().strings[IDS_PACKAGE_BASE_NAME] = base;
        world().files = {{base + "_enu.msi", false}};
        world().currentDirectory = "C:";
        world().fullPathDirectory = "C:";
        EXPECT_EQ(RunSetup(), 0);
        // The finder's full path, "C:\" + base + "_enu.msi", must stay below 260.
        bool findable = 3 + length + 8 < MAX_PATH;
        EXPECT_EQ(!InstallerCalls().empty(), findable) << length;
        if (!findable) {
            ASSERT_EQ(world().boxes.size(), 1u) << length;
            EXPECT_EQ(world().boxes[0].text, MissingMessage(base + "_enu.msi")) << "the whole name, uncut";
        }
    }
}

TEST_F(LauncherTest, MsiDllComesFromTheSystemDirectoryOnly)
{
    world().systemDirectory = "C:\\WINNT\\system32";
    RunSetup();
    EXPECT_EQ(world().loadedLibraries, std::vector<std::string>{"C:\\WINNT\\system32\\msi.dll"});
    EXPECT_EQ(fake::callsStartingWith("LoadLibraryExA").front(), "LoadLibraryExA(C:\\WINNT\\system32\\msi.dll,8)");
}

TEST_F(LauncherTest, NoInstallerEndsTheRunSilently)
{
    world().msiLoads = false;  // Windows 98 or NT 4 without Windows Installer
    EXPECT_EQ(RunSetup(), 0);
    EXPECT_TRUE(InstallerCalls().empty());
    EXPECT_TRUE(world().boxes.empty());

    for (int missing : {141, 87}) {
        SetUp();
        world().msiOrdinalsMissing = {missing};
        EXPECT_EQ(RunSetup(), 0);
        EXPECT_TRUE(InstallerCalls().empty()) << "ordinal " << missing;
        EXPECT_EQ(fake::callsStartingWith("FreeLibrary").size(), 1u);
    }

    SetUp();
    world().systemDirectory = std::string(255, 's');  // no room for "\msi.dll"
    EXPECT_EQ(RunSetup(), 0);
    EXPECT_TRUE(world().loadedLibraries.empty());
}
