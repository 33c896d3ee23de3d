#include "test_support.h"

namespace {

class NamedApp : public CWinApp {
public:
    NamedApp() : CWinApp("Setup") {}
};

HWND Hwnd(int id) { return reinterpret_cast<HWND>(static_cast<intptr_t>(id)); }

}  // namespace

class MessageBoxTest : public FakeWorldTest {};

TEST_F(MessageBoxTest, ExclamationIconOnlyForButtonSetsThatHaveNone)
{
    NamedApp app;
    struct Case {
        UINT type;
        UINT shown;
    } cases[] = {
        {MB_OK, MB_OK | MB_ICONEXCLAMATION},
        {MB_OKCANCEL, MB_OKCANCEL | MB_ICONEXCLAMATION},
        {MB_YESNOCANCEL, MB_YESNOCANCEL | MB_ICONEXCLAMATION},
        {MB_YESNO, MB_YESNO | MB_ICONEXCLAMATION},
        {MB_ABORTRETRYIGNORE, MB_ABORTRETRYIGNORE},
        {MB_RETRYCANCEL, MB_RETRYCANCEL},
        {MB_CANCELTRYCONTINUE, MB_CANCELTRYCONTINUE},
        {MB_OK | MB_ICONHAND, MB_OK | MB_ICONHAND},
        {MB_YESNO | MB_ICONQUESTION, MB_YESNO | MB_ICONQUESTION},
        {MB_OK | 0x1000, MB_OK | 0x1000 | MB_ICONEXCLAMATION},  // MB_SYSTEMMODAL is kept
    };
    for (const auto& c : cases) {
        world().boxes.clear();
        EXPECT_EQ(AfxMessageBox("text", c.type), IDOK);
        ASSERT_EQ(world().boxes.size(), 1u);
        EXPECT_EQ(world().boxes[0].type, c.shown) << "type 0x" << std::hex << c.type;
    }
}

TEST_F(MessageBoxTest, NoOwnerWhenTheThreadHasNoWindow)
{
    NamedApp app;
    world().messageBoxResult = 0;  // MessageBoxA failed: handed back as it is
    EXPECT_EQ(AfxMessageBox("Fail to get current working directory"), 0);
    ASSERT_EQ(world().boxes.size(), 1u);
    const fake::MessageBoxCall& box = world().boxes[0];
    EXPECT_EQ(box.owner, nullptr);
    EXPECT_EQ(box.text, "Fail to get current working directory");
    EXPECT_EQ(box.caption, "Setup");
    EXPECT_EQ(box.type, 0x30u);
    EXPECT_TRUE(fake::callsStartingWith("EnableWindow").empty());
}

// A child control is active: the box belongs to the last active pop-up of
// its top-level frame, and the frame is disabled only while the box is up.
TEST_F(MessageBoxTest, OwnerIsFoundAboveAChildAndTheFrameIsDisabledMeanwhile)
{
    NamedApp app;
    world().windows[Hwnd(1)] = {0, NULL, Hwnd(3), true};          // frame, last pop-up 3
    world().windows[Hwnd(2)] = {WS_CHILD, Hwnd(1), NULL, true};   // child control
    world().windows[Hwnd(3)] = {0, Hwnd(1), NULL, true};          // owned pop-up
    world().activeWindow = Hwnd(2);

    AfxMessageBox("text");
    ASSERT_EQ(world().boxes.size(), 1u);
    EXPECT_EQ(world().boxes[0].owner, Hwnd(3));
    EXPECT_EQ(fake::callsStartingWith("EnableWindow"),
              (std::vector<std::string>{"EnableWindow(0)", "EnableWindow(1)"}));
    EXPECT_TRUE(world().windows[Hwnd(1)].enabled);
}

TEST_F(MessageBoxTest, OwnerThatIsItsOwnTopIsNotDisabled)
{
    NamedApp app;
    world().windows[Hwnd(1)] = {0, NULL, NULL, true};
    app.m_hMainWnd = Hwnd(1);
    AfxMessageBox("text");
    EXPECT_EQ(world().boxes[0].owner, Hwnd(1));
    EXPECT_TRUE(fake::callsStartingWith("GetActiveWindow").empty()) << "the main window comes first";
    EXPECT_TRUE(fake::callsStartingWith("EnableWindow").empty());
}

TEST_F(MessageBoxTest, HelpContextOnlyWhileABoxWithAHelpIdIsUp)
{
    NamedApp app;
    app.m_dwPromptContext = 0x77;
    std::vector<DWORD> seen;
    world().duringMessageBox = [&] { seen.push_back(app.m_dwPromptContext); };
    AfxMessageBox("text", MB_OK, 0x12);
    AfxMessageBox("text", MB_OK, 0);
    EXPECT_EQ(seen, (std::vector<DWORD>{0x30012, 0x77}));
    EXPECT_EQ(app.m_dwPromptContext, 0x77u) << "restored after the box";
}

TEST_F(MessageBoxTest, WithoutAnApplicationObjectTheSystemCaptionIsUsed)
{
    AfxMessageBox("text");
    ASSERT_EQ(world().boxes.size(), 1u);
    EXPECT_EQ(fake::callsStartingWith("MessageBoxA"), std::vector<std::string>{"MessageBoxA(text,(null),48)"});
}
