// The framework's own contracts: start-up, the caption, message boxes, the finder, CString.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "../fake/fake_win.h"
#include "afxwin.h"

// An application that ends as soon as the framework has set it up.
struct QuietApp : CWinApp {
    explicit QuietApp(LPCSTR appName = NULL) : CWinApp(appName) {}
    virtual BOOL InitInstance() { return FALSE; }
};

// Only Windows XP and Server 2003 need comctl32 loaded for the manifest's
// Common Controls 6 (by name, which the manifest redirects); 2000 and Me read
// no manifest, where a load by name could find a planted copy.
TEST(StartUp, NoSystemErrorBoxesAndNoDllsFromTheWorkingDirectory)
{
    const std::vector<std::string> controls = {"comctl32.dll flags 0", "InitCommonControls"};
    const struct { DWORD major, minor; bool haveSetDefault, haveSetDirectory; const char* search;
                   std::vector<std::string> libraries; } cases[] = {
        {10, 0, true, true, "flags 2048", {}},      // SetDefaultDllDirectories: System32 only (8, 7 with KB2533623)
        {5, 1, false, true, "directory \"\"", controls},  // SetDllDirectoryA: no current directory (XP SP1 to Vista)
        {5, 2, false, true, "directory \"\"", controls},
        {6, 0, false, true, "directory \"\"", {}},
        {5, 0, false, false, "", {}},  // 2000
        {4, 90, false, false, "", {}},  // Me
    };
    for (const auto& c : cases) {
        fake::State& s = fake::reset();
        s.major = c.major;
        s.minor = c.minor;
        s.errorMode = 0x0004;  // set by whoever started us
        s.haveSetDefaultDllDirectories = c.haveSetDefault;
        s.haveSetDllDirectory = c.haveSetDirectory;
        QuietApp app;
        EXPECT_EQ(AfxWinMain(NULL, NULL, NULL, 1), 0);
        EXPECT_EQ(s.errorMode, 0x0004u | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
        EXPECT_EQ(s.dllSearch, c.search);
        EXPECT_EQ(s.libraries, c.libraries) << c.major << "." << c.minor;
    }
}

// The caption of every box: string 57344, else the executable's name without
// extension. A trail byte is never a separator, a lead byte alone ends the
// path; a path is read whole however long, too long a string is cut.
TEST(StartUp, AppName)
{
    const std::string longPath = "C:" + std::string(1000, 'd') + "\\Setup.exe";
    const struct { bool doubleByte; std::string path, title, appName; } cases[] = {
        {false, "C:\\my.dir/Setup", std::string("\0hidden", 7), "Setup"},
        {true, "\x83\x5Csetup.exe", "", "\x83\x5Csetup"},  // no separator at all
        {true, "C:\\\x95\x5C\\Setup.exe", "", "Setup"},
        {true, "C:\\" + std::string(MAX_PATH - 7, 'a') + ".b\x81", "", std::string(MAX_PATH - 7, 'a')},
        {false, longPath, "", "Setup"},
        {false, longPath, std::string(1000, 't'), std::string(255, 't')},
    };
    for (const auto& c : cases) {
        fake::State& s = fake::reset();
        s.doubleByte = c.doubleByte;
        s.modulePath = c.path;
        s.strings[0xE000] = c.title;
        QuietApp app;
        EXPECT_EQ(AfxWinMain(NULL, NULL, NULL, 1), 0);
        EXPECT_EQ(app.GetAppName(), c.appName);
    }
}

// A child control is active: the box belongs to the last active pop-up of its
// frame, which is disabled only while the box is up, as a help id sets the help
// context. Only button sets without an icon of their own get the exclamation.
TEST(MessageBox, OwnerIconAndHelpContext)
{
    const struct { UINT type; bool getsIcon; } cases[] = {
        {MB_OK, true}, {MB_OKCANCEL, true}, {MB_YESNOCANCEL, true}, {MB_YESNO | 0x1000, true},  // MB_SYSTEMMODAL kept
        {MB_ABORTRETRYIGNORE, false}, {MB_RETRYCANCEL, false}, {MB_CANCELTRYCONTINUE, false},
        {MB_OK | MB_ICONHAND, false}, {MB_YESNO | MB_ICONQUESTION, false},  // an icon of their own
    };
    fake::State& s = fake::reset();
    fake::Window frame = {0, NULL, NULL, TRUE}, control = {WS_CHILD, frame.handle(), NULL, TRUE},
                 popup = {0, frame.handle(), NULL, TRUE};
    frame.lastPopup = popup.handle();
    s.activeWindow = control.handle();
    QuietApp app("Acme");
    app.m_dwPromptContext = 0x77;
    UINT helpId = 0;
    BOOL frameEnabledWhileUp = TRUE;
    s.whileBoxIsUp = [&] {
        frameEnabledWhileUp = frame.enabled;
        EXPECT_EQ(app.m_dwPromptContext, helpId != 0 ? 0x30000 + helpId : 0x77u);
    };
    for (const auto& c : cases) {
        helpId ^= 0x12;  // every other box has one
        EXPECT_EQ(AfxMessageBox("text", c.type, helpId), IDOK);
        EXPECT_EQ(s.owner, popup.handle());
        EXPECT_EQ(s.caption, "Acme");
        EXPECT_FALSE(frameEnabledWhileUp);
        EXPECT_EQ(s.boxes.back(), c.getsIcon ? c.type | MB_ICONEXCLAMATION : c.type) << std::hex << c.type;
        EXPECT_TRUE(frame.enabled);
        EXPECT_EQ(app.m_dwPromptContext, 0x77u);
    }
    app.m_hMainWnd = frame.handle();  // comes before the active window; as its own top, it stays enabled
    frame.lastPopup = NULL;
    s.activeWindow = popup.handle();
    AfxMessageBox("text", MB_OK, helpId);
    EXPECT_EQ(s.owner, frame.handle());
    EXPECT_TRUE(frameEnabledWhileUp);
}

// A failed search keeps its error code and holds nothing; one that works lists
// the matching entries in order and ends when another starts. A pattern or
// full path too long for the system is refused, not cut: full paths count
// characters, a double-byte one (whose trail byte may be '\\') as one.
TEST(FileFind, SearchesAndTheirFailures)
{
    const std::string longest(MAX_PATH - 1, '*'), media = "C:\\Media\\", dbcs = "\x95\x5C";
    std::string deepest = media;
    std::string utf8 = media;
    for (size_t length = media.size(); length < MAX_PATH - 1; ++length) deepest += dbcs, utf8 += "\xe4\xb8\x80";
    const struct { std::string pattern; bool matches; std::string fullPath; DWORD error; } cases[] = {
        {"c*", false, "C:\\x", ERROR_FILE_NOT_FOUND},
        {"*.msi", true, "", ERROR_INVALID_NAME},  // the full path cannot be formed
        {"*.msi", true, media + std::string(MAX_PATH - media.size(), 'f'), ERROR_INVALID_NAME},
        {"*.msi", true, media + std::string(MAX_PATH - 1 - media.size(), 'f'), 0},
        {"*.msi", true, deepest, 0},  // 259 characters in 509 bytes
        {"*.msi", true, deepest + dbcs, ERROR_INVALID_NAME},
        {"*.msi", true, utf8, 0},  // 259 characters in 759 bytes, under a UTF-8 code page
        {longest + "*", false, "C:\\x", ERROR_FILENAME_EXCED_RANGE},
        {longest, true, "C:\\Media\\" + dbcs, 0},
    };
    for (const auto& c : cases) {
        fake::State& s = fake::reset();
        s.doubleByte = c.fullPath != utf8;
        s.utf8 = !s.doubleByte;
        if (c.matches) s.entries = {"a.txt", "a.msi", "b.msi"};
        s.fullPath = c.fullPath;
        CFileFind finder;
        EXPECT_EQ(finder.FindFile(c.pattern.c_str()), c.error == 0) << c.error;
        EXPECT_EQ(s.lastError, c.error);
        EXPECT_EQ(s.openSearches, c.error == 0) << c.error;
        EXPECT_EQ(finder.FindNextFile(), c.error == 0) << c.error;
        EXPECT_STREQ(finder.GetFileName(), c.error == 0 ? (c.pattern == longest ? "a.txt" : "a.msi") : "");
        EXPECT_STREQ(finder.GetRoot(), c.error == 0 ? "C:\\Media" : "");
        EXPECT_EQ(finder.FindFile(), c.error == 0) << c.error;  // "*.*"
        EXPECT_EQ(s.openSearches, c.error == 0) << "a second search ends the first";
    }
}

TEST(CString, CopiesShareUntilOneIsChangedAndMayBeTheirOwnOperands)
{
    CString original("quelvarine_enu.msi");
    original = "quelvarine";  // keeps its buffer, with room to spare
    CString appended(original), written(original), cut(original), assigned(original);
    assigned = "other";
    appended += "_chs";
    written.GetBuffer(1)[0] = 'Q';
    written.ReleaseBuffer();
    std::strcpy(cut.GetBuffer(16) + 10, "_deu");  // longer than it was
    cut.ReleaseBuffer();
    EXPECT_EQ(cut.GetLength(), 14);
    cut.ReleaseBuffer(4);
    assigned.ReleaseBuffer(100);  // no further than its buffer
    EXPECT_STREQ(original, "quelvarine");
    EXPECT_STREQ(written, "Quelvarine");
    EXPECT_STREQ(assigned, "other");
    appended += appended;
    cut = static_cast<LPCSTR>(cut) + 1;  // from inside itself
    EXPECT_STREQ(appended, "quelvarine_chsquelvarine_chs");
    EXPECT_STREQ("<" + cut + static_cast<LPCSTR>(NULL) + ">", "<uel>");
}

// Lengths around the sizes the buffers start at and grow by: msvcrt's
// _vsnprintf says -1 past the buffer, and fills it exactly without terminator;
// LoadStringA stops short of a double-byte character that does not fit.
TEST(CString, FormatAndLoadStringNeverCut)
{
    for (size_t length : {0u, 1u, 254u, 255u, 256u, 257u, 511u, 512u, 513u, 65535u}) {
        const std::string text(length, '\x81');  // double-byte characters, in twos
        fake::State& s = fake::reset();
        s.doubleByte = true;
        s.strings[7] = text;
        CString loaded("left over"), formatted("left over");
        EXPECT_EQ(loaded.LoadString(7), length > 0);
        formatted.Format("%s", text.c_str());
        EXPECT_EQ(std::string(loaded, loaded.GetLength()), text) << length;
        EXPECT_EQ(std::string(formatted, formatted.GetLength()), text) << length;
    }
    CString text("self");
    text.Format("[%s]", static_cast<LPCSTR>(text));
    EXPECT_STREQ(text, "[self]");
}
