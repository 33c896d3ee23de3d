#include <cstring>

#include "test_support.h"

class StringTest : public FakeWorldTest {};

TEST_F(StringTest, CopiesShareUntilOneIsChanged)
{
    CString original("quelvarine");
    CString copy(original);
    EXPECT_EQ(static_cast<LPCSTR>(copy), static_cast<LPCSTR>(original)) << "a copy should share the buffer";

    copy += "_enu.msi";
    EXPECT_STREQ(original, "quelvarine");
    EXPECT_STREQ(copy, "quelvarine_enu.msi");

    CString assigned;
    assigned = original;
    assigned.GetBuffer(20)[0] = 'Q';
    assigned.ReleaseBuffer();
    EXPECT_STREQ(original, "quelvarine") << "writing through GetBuffer must not reach a shared copy";
    EXPECT_STREQ(assigned, "Quelvarine");
}

TEST_F(StringTest, EmptyAndNullOperands)
{
    CString empty;
    CString fromNull(static_cast<LPCSTR>(NULL));
    EXPECT_TRUE(empty.IsEmpty());
    EXPECT_STREQ(fromNull, "");
    EXPECT_STREQ(empty + static_cast<LPCSTR>(NULL), "");

    CString text("abc");
    text = static_cast<LPCSTR>(NULL);
    EXPECT_EQ(text.GetLength(), 0);
    text = "";
    EXPECT_STREQ(text, "");
}

TEST_F(StringTest, ConcatenationAndSelfAssignment)
{
    CString text("ab");
    text += text;  // source is the buffer being grown
    EXPECT_STREQ(text, "abab");
    text = static_cast<LPCSTR>(text) + 1;  // source inside the destination
    EXPECT_STREQ(text, "bab");
    text = text;
    EXPECT_STREQ(text, "bab");
    EXPECT_STREQ("<" + text + ">", "<bab>");
    EXPECT_STREQ(CString("x") + CString("y"), "xy");
}

TEST_F(StringTest, FormatNeverTruncates)
{
    for (size_t length : {0u, 1u, 255u, 256u, 257u, 2047u, 2048u, 5000u, 70000u}) {
        std::string argument(length, 'n');
        CString text("previous");
        text.Format("%s\\%s", "C:\\Media", argument.c_str());
        std::string expected = "C:\\Media\\" + argument;
        ASSERT_EQ(text.GetLength(), static_cast<int>(expected.size())) << "argument of " << length;
        EXPECT_EQ(std::string(text), expected);
    }
    CString text;
    text.Format("%s", static_cast<LPCSTR>(text));  // formatting itself
    EXPECT_STREQ(text, "");
    text.Format("%d-%05.1f-%c%%", -12, 2.5, 'z');
    EXPECT_STREQ(text, "-12-002.5-z%");
}

// LoadStringA cuts quietly at the buffer's size; a result of 254 or more
// characters in 256 bytes may have been cut and is loaded again larger.
TEST_F(StringTest, LoadStringGrowsUntilTheTextFits)
{
    struct Case {
        size_t length;
        std::vector<std::string> loads;
    } cases[] = {
        {253, {"LoadStringA(7,256)"}},
        {254, {"LoadStringA(7,256)", "LoadStringA(7,512)"}},
        {300, {"LoadStringA(7,256)", "LoadStringA(7,512)"}},
        {510, {"LoadStringA(7,256)", "LoadStringA(7,512)", "LoadStringA(7,768)"}},
    };
    for (const Case& c : cases) {
        fake::reset();
        std::string resource(c.length, 's');
        resource[c.length - 1] = 'e';
        world().strings[7] = resource;
        CString text;
        EXPECT_TRUE(text.LoadString(7));
        EXPECT_EQ(std::string(text), resource) << "length " << c.length;
        EXPECT_EQ(fake::callsStartingWith("LoadStringA"), c.loads) << "length " << c.length;
    }
}

TEST_F(StringTest, LoadStringOfAMissingOrEmptyString)
{
    CString text("left over");
    EXPECT_FALSE(text.LoadString(101));
    EXPECT_STREQ(text, "");
    world().strings[101] = "";
    EXPECT_FALSE(text.LoadString(101));
    EXPECT_STREQ(text, "");
}
