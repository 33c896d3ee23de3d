// The framework's own contracts: start-up, the application name, the message
// box, the file finder and CString.
#include <gtest/gtest.h>

#include <cstring>

#include "../fake/fake_win.h"
#include "afxwin.h"

namespace {

struct QuietApp : CWinApp { virtual BOOL InitInstance() { return FALSE; } };

int Start() { return AfxWinMain(reinterpret_cast<HINSTANCE>(0x400000), NULL, const_cast<LPSTR>(""), 1); }

BOOL WINAPI SingleByte(BYTE) { return FALSE; }
BOOL WINAPI DoubleByte(BYTE c) { return c >= 0x81 && c <= 0xFE; }

}  // namespace

TEST(StartUp, NoSystemErrorBoxesAndNoDllsFromTheWorkingDirectory)
{
    const struct { bool haveSetDefault, haveSetDirectory; const char* search; } cases[] = {
        {true, true, "flags 2048"},      // SetDefaultDllDirectories: System32 only (8, 7 with KB2533623)
        {false, true, "directory \"\""},  // SetDllDirectoryA: no current directory (XP SP1 to Vista)
        {false, false, ""},              // Me, 2000
    };
    for (const auto& c : cases) {
        fake::State& s = fake::reset();
        s.errorMode = 0x0004;  // set by whoever started us
        s.haveSetDefaultDllDirectories = c.haveSetDefault;
        s.haveSetDllDirectory = c.haveSetDirectory;
        QuietApp app;
        EXPECT_EQ(Start(), 0);
        EXPECT_EQ(s.errorMode, 0x0004u | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
        EXPECT_EQ(s.dllSearch, c.search);
    }
}

TEST(AppName, FileNameWithoutExtension)
{
    const struct { const char* path; AfxLeadByteTest isLeadByte; const char* title; } cases[] = {
        {"C:\\Media\\setup.new.exe", SingleByte, "setup.new"},
        {"C:\\my.disk\\Setup", SingleByte, "Setup"},
        {"\\\\server\\share\\Setup.exe", SingleByte, "Setup"}, {"C:/Setup.exe", SingleByte, "Setup"},
        {"C:Setup.exe", SingleByte, "Setup"},
        {"", SingleByte, ""},
        // Trail bytes that look like a separator or a dot are no such thing.
        {"C:\\Media\\\x83\x5Csetup.exe", DoubleByte, "\x83\x5Csetup"},
        {"C:\\Media\\\x83\x5Csetup.exe", SingleByte, "setup"},
        {"C:\\\x95\x5C\\Setup.exe", DoubleByte, "Setup"},
        {"C:\\Media\\v\x81.\x81:", DoubleByte, "v\x81.\x81:"},
        {"C:\\a.b\x81", DoubleByte, "a"},  // a lead byte with nothing after it ends the text
    };
    for (const auto& c : cases) {
        std::vector<char> path(c.path, c.path + std::strlen(c.path) + 1);
        EXPECT_STREQ(AfxFileTitle(path.data(), c.isLeadByte), c.title) << c.path;
    }
}

TEST(AppName, StringResourceElseTheExecutableName)
{
    const struct { std::string title, appName; } cases[] = {
        {"Quelvarine Setup", "Quelvarine Setup"},
        {std::string("\0hidden", 7), "Setup"},  // no text in it
    };
    for (const auto& c : cases) {
        fake::reset().strings[0xE000] = c.title;
        QuietApp app;
        Start();
        EXPECT_EQ(std::string(app.GetAppName()), c.appName);
    }
    // Longer than the buffers they are read into: cut, never overrun.
    fake::State& s = fake::reset();
    s.modulePath = "C:\\" + std::string(1000, 'd') + "\\Setup.exe";
    s.strings[0xE000] = std::string(1000, 't');
    QuietApp app;
    EXPECT_EQ(Start(), 0);
    EXPECT_EQ(std::string(app.GetExeName()).find_first_not_of('d'), std::string::npos);
    EXPECT_EQ(std::string(app.GetAppName()).find_first_not_of('t'), std::string::npos);
}

TEST(MessageBox, ExclamationIconOnlyForButtonSetsThatHaveNone)
{
    const struct { UINT type; bool getsIcon; } cases[] = {
        {MB_OK, true}, {MB_OKCANCEL, true}, {MB_YESNOCANCEL, true}, {MB_YESNO | 0x1000, true},  // MB_SYSTEMMODAL kept
        {MB_ABORTRETRYIGNORE, false}, {MB_RETRYCANCEL, false}, {MB_CANCELTRYCONTINUE, false},
        {MB_OK | MB_ICONHAND, false}, {MB_YESNO | MB_ICONQUESTION, false},  // an icon of their own
    };
    fake::State& s = fake::reset();
    QuietApp app;
    for (const auto& c : cases) {
        EXPECT_EQ(AfxMessageBox("text", c.type), IDOK);
        EXPECT_EQ(s.boxes.back().type, c.getsIcon ? c.type | MB_ICONEXCLAMATION : c.type) << std::hex << c.type;
    }
}

// A child control is active: the box belongs to the last active pop-up of its
// top-level frame, which is disabled only while the box is up. A help id sets
// the help context just as long.
TEST(MessageBox, OwnerAndHelpContextWhileTheBoxIsUp)
{
    fake::State& s = fake::reset();
    fake::Window frame = {0, NULL, NULL, TRUE}, control = {WS_CHILD, frame.handle(), NULL, TRUE},
                 popup = {0, frame.handle(), NULL, TRUE};
    frame.lastPopup = popup.handle();
    s.activeWindow = control.handle();
    QuietApp app;
    app.m_dwPromptContext = 0x77;
    std::vector<DWORD> seen;  // frame enabled, help context
    s.whileBoxIsUp = [&] { seen.insert(seen.end(), {static_cast<DWORD>(frame.enabled), app.m_dwPromptContext}); };
    AfxMessageBox("text", MB_OK, 0x12);
    EXPECT_EQ(s.boxes.at(0).owner, popup.handle());

    // The main window comes before the active one; as its own top it stays enabled.
    app.m_hMainWnd = frame.handle();
    frame.lastPopup = NULL;
    AfxMessageBox("text");
    EXPECT_EQ(s.boxes.at(1).owner, frame.handle());
    EXPECT_EQ(seen, (std::vector<DWORD>{FALSE, 0x30012, TRUE, 0x77}));
    EXPECT_TRUE(frame.enabled);
    EXPECT_EQ(app.m_dwPromptContext, 0x77u);
}

TEST(FileFind, FirstMatchAfterOneAdvanceAndNoSearchLeftOpen)
{
    fake::State& s = fake::reset();
    s.entries = {"a.msi", "b.msi", "c.msi"};
    CFileFind finder;
    ASSERT_TRUE(finder.FindFile(".\\*.msi"));
    EXPECT_EQ(s.pattern, ".\\*.msi");
    EXPECT_STREQ(finder.GetFileName(), "") << "nothing is found before the first advance";
    EXPECT_STREQ(finder.GetRoot(), "C:\\Media");
    EXPECT_TRUE(finder.FindNextFile());
    EXPECT_STREQ(finder.GetFileName(), "a.msi");
    EXPECT_TRUE(finder.FindNextFile());
    EXPECT_STREQ(finder.GetFileName(), "b.msi");
    EXPECT_FALSE(finder.FindNextFile());
    EXPECT_STREQ(finder.GetFileName(), "c.msi") << "the last entry read ahead";
    ASSERT_TRUE(finder.FindFile());  // a second search ends the first
    EXPECT_EQ(s.pattern, "*.*");
    EXPECT_EQ(s.openSearches, 1);
    finder.Close();
    EXPECT_EQ(s.openSearches, 0);
    EXPECT_STREQ(finder.GetFileName(), "");
    EXPECT_FALSE(finder.FindNextFile());
}

TEST(FileFind, FailuresKeepTheirErrorCodeAndHoldNoSearch)
{
    const std::string longest(MAX_PATH - 1, 'p');
    const struct { std::string pattern; bool matches; std::string fullPath; DWORD error; } cases[] = {
        {"x", false, "C:\\x", ERROR_FILE_NOT_FOUND},
        {"x", false, "C:\\x", ERROR_NOT_READY},  // no medium; the error mode keeps the system's box away
        {"x", true, "", ERROR_INVALID_NAME},     // the full path cannot be formed
        {"x", true, "C:\\" + longest, ERROR_INVALID_NAME},
        {longest + "p", true, "C:\\x", ERROR_FILENAME_EXCED_RANGE},  // refused, not cut
        {longest + std::string(5000, '*'), true, "C:\\x", ERROR_FILENAME_EXCED_RANGE},
        {longest, true, "C:\\x", 0},
    };
    for (const auto& c : cases) {
        fake::State& s = fake::reset();
        s.entries.assign(c.matches, "x");
        s.findError = c.error;
        s.fullPath = c.fullPath;
        CFileFind finder;
        EXPECT_EQ(finder.FindFile(c.pattern.c_str()), c.error == 0) << c.error;
        EXPECT_EQ(s.lastError, c.error);
        EXPECT_EQ(s.openSearches, c.error == 0) << c.error;
        EXPECT_EQ(s.pattern.empty(), c.error == ERROR_FILENAME_EXCED_RANGE) << "never handed to the system";
        if (c.error == 0) continue;
        EXPECT_STREQ(finder.GetFileName(), "");
        EXPECT_FALSE(finder.FindNextFile());
    }
}

TEST(CString, CopiesShareUntilOneIsChanged)
{
    CString original("quelvarine_enu.msi");
    original = "quelvarine";  // keeps its buffer, with room to spare
    CString appended(original), written(original);
    EXPECT_EQ(static_cast<LPCSTR>(appended), static_cast<LPCSTR>(original));
    appended += "_chs";
    written.GetBuffer(1)[0] = 'Q';
    written.ReleaseBuffer();
    EXPECT_STREQ(original, "quelvarine");
    EXPECT_STREQ(appended, "quelvarine_chs");
    EXPECT_STREQ(written, "Quelvarine");
}

TEST(CString, ConcatenationAndSelfAssignment)
{
    CString text("ab");
    text += text;
    EXPECT_STREQ(text, "abab");
    text = static_cast<LPCSTR>(text) + 1;  // from inside itself
    EXPECT_STREQ(text, "bab");
    text = text;
    EXPECT_STREQ("<" + text + static_cast<LPCSTR>(NULL) + ">", "<bab>");
    EXPECT_STREQ(CString("x") + CString(), "x");
}

TEST(CString, FormatNeverTruncates)
{
    // Lengths of the text: msvcrt's _vsnprintf reports -1 past the buffer and
    // leaves out the terminator when the text fills it exactly.
    for (size_t length : {9u, 10u, 255u, 256u, 257u, 511u, 512u, 513u, 5000u, 70000u}) {
        const std::string argument(length - 9, 'n');
        CString text("previous");
        text.Format("%s\\%s", "C:\\Media", argument.c_str());
        EXPECT_EQ(std::string(text, text.GetLength()), "C:\\Media\\" + argument) << length;
    }
    CString text("self");
    text.Format("[%s]", static_cast<LPCSTR>(text));
    EXPECT_STREQ(text, "[self]");
}

TEST(CString, LoadStringOfAnyLength)
{
    for (size_t length : {1u, 253u, 254u, 255u, 256u, 300u, 510u, 511u, 512u, 5000u, 65535u}) {
        const std::string resource = std::string(length - 1, 's') + 'e';
        fake::reset().strings[7] = resource;
        CString text;
        EXPECT_TRUE(text.LoadString(7));
        EXPECT_EQ(std::string(text, text.GetLength()), resource) << length;
    }
    fake::State& s = fake::reset();
    CString text("left over");
    EXPECT_FALSE(text.LoadString(101));
    EXPECT_STREQ(text, "");
    s.strings[101] = "";
    EXPECT_FALSE(text.LoadString(101));
}
