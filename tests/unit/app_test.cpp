#include "test_support.h"

namespace {

class RecordingApp : public CWinApp {
public:
    explicit RecordingApp(BOOL initResult = FALSE, LPCSTR name = NULL) : CWinApp(name), m_initResult(initResult) {}
    virtual BOOL InitInstance()
    {
        ++initCalls;
        return m_initResult;
    }
    int initCalls = 0;

private:
    BOOL m_initResult;
};

int RunFramework(LPCSTR cmdLine = "")
{
    return AfxWinMain(reinterpret_cast<HINSTANCE>(0x400000), NULL, const_cast<LPSTR>(cmdLine), SW_SHOWNORMAL);
}

}  // namespace

class AppTest : public FakeWorldTest {};

TEST_F(AppTest, StartUpSuppressesSystemErrorBoxesAndExitsWithZero)
{
    world().errorMode = 0x0004;  // SEM_NOALIGNMENTFAULTEXCEPT, set by someone before us
    RecordingApp app;
    EXPECT_EQ(RunFramework("/q /x whatever"), 0);
    EXPECT_EQ(app.initCalls, 1);
    EXPECT_EQ(world().errorMode, 0x8005u) << "previous mode plus SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX";
    EXPECT_TRUE(fake::callsStartingWith("GetMessageA").empty()) << "no message loop after InitInstance returned FALSE";
    EXPECT_TRUE(fake::callsStartingWith("MessageBoxA").empty());
}

TEST_F(AppTest, DllSearchIsRestrictedWhereTheSystemAllows)
{
    {
        RecordingApp app;
        RunFramework();
    }
    EXPECT_EQ(world().dllSearch, std::vector<std::string>{"SetDefaultDllDirectories(2048)"});

    fake::reset();
    world().haveSetDefaultDllDirectories = false;  // XP SP1 .. Vista
    {
        RecordingApp app;
        RunFramework();
    }
    EXPECT_EQ(world().dllSearch, std::vector<std::string>{"SetDllDirectoryA(\"\")"});

    fake::reset();
    world().haveSetDefaultDllDirectories = false;  // Windows Me, 2000
    world().haveSetDllDirectory = false;
    RecordingApp app;
    EXPECT_EQ(RunFramework(), 0);
    EXPECT_TRUE(world().dllSearch.empty());
}

TEST_F(AppTest, MessageLoopRunsOnlyWhenInitInstanceSucceeds)
{
    MSG msg = {};
    msg.message = 0x0400;
    world().messages = {msg, msg};
    world().quitCode = 7;
    RecordingApp app(TRUE);
    EXPECT_EQ(RunFramework(), 7) << "the exit code is WM_QUIT's wParam";
    EXPECT_EQ(fake::callsStartingWith("DispatchMessageA").size(), 2u);
}

TEST_F(AppTest, FailedInitApplicationSkipsInitInstance)
{
    struct RefusingApp : RecordingApp {
        virtual BOOL InitApplication() { return FALSE; }
    } app;
    EXPECT_EQ(RunFramework(), -1);
    EXPECT_EQ(app.initCalls, 0);
}

TEST_F(AppTest, CaptionIsTheExecutableNameWithoutItsExtension)
{
    struct Case {
        const char* path;
        int codePage;
        const char* caption;
    } cases[] = {
        {"C:\\Media\\Setup.EXE", 0, "Setup"},
        {"C:\\Media\\install.exe", 0, "install"},
        {"C:\\Media\\setup.new.exe", 0, "setup.new"},
        {"\\\\server\\share\\Setup.exe", 0, "Setup"},
        {"C:Setup.exe", 0, "Setup"},
        {"C:/Media/Setup.exe", 0, "Setup"},
        {"C:\\Media\\Setup", 0, "Setup"},
        // A dot in a folder name is no extension of the file.
        {"C:\\my.disk\\Setup", 0, "Setup"},
        // Trail byte 0x5C in the file name (cp932 "\x83\x5C", cp950 "\xB3\x5C").
        {"C:\\Media\\\x83\x5Csetup.exe", 932, "\x83\x5Csetup"},
        {"C:\\Media\\\xB3\x5C.exe", 950, "\xB3\x5C"},
        // ... and in a folder name, before the real separator.
        {"C:\\\x95\x5C\\Setup.exe", 932, "Setup"},
        {"", 0, ""},
    };
    for (const auto& c : cases) {
        fake::reset();
        world().modulePath = c.path;
        world().codePage = c.codePage;
        RecordingApp app;
        RunFramework();
        EXPECT_EQ(Str(app.GetAppName()), c.caption) << c.path;
        EXPECT_EQ(Str(app.GetExeName()), c.caption) << c.path;
    }
}

TEST_F(AppTest, CaptionFromStringResourceOrExplicitName)
{
    world().strings[0xE000] = "Quelvarine Setup";
    {
        RecordingApp app;
        RunFramework();
        EXPECT_STREQ(app.GetAppName(), "Quelvarine Setup");
        EXPECT_STREQ(app.GetExeName(), "Setup");
    }
    world().strings[0xE000] = std::string(300, 'T');  // read into 256 bytes
    {
        RecordingApp app;
        RunFramework();
        EXPECT_EQ(Str(app.GetAppName()), std::string(255, 'T'));
    }
    world().strings[0xE000] = std::string("\0hidden", 7);  // empty as text
    {
        RecordingApp app;
        RunFramework();
        EXPECT_STREQ(app.GetAppName(), "Setup");
    }
    RecordingApp named(FALSE, "Given");
    RunFramework();
    EXPECT_STREQ(named.GetAppName(), "Given");
}

TEST_F(AppTest, ModulePathCutAtTheBufferIsStillTerminated)
{
    world().modulePath = "C:\\" + std::string(400, 'd') + "\\Setup.exe";
    RecordingApp app;
    EXPECT_EQ(RunFramework(), 0);
    EXPECT_EQ(Str(app.GetExeName()).size(), 256u) << "259 characters kept, less \"C:\\\"";
}

