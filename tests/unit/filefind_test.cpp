#include "test_support.h"

class FileFindTest : public FakeWorldTest {
protected:
    void SetUp() override
    {
        FakeWorldTest::SetUp();
        world().files = {{"quelvarine_eng.msi", false}, {"quelvarine_enu.msi", false}, {"readme.txt", false}};
    }
};

TEST_F(FileFindTest, FirstMatchIsReportedAfterOneAdvance)
{
    CFileFind finder;
    ASSERT_TRUE(finder.FindFile(".\\quelvarine_en*.msi"));
    EXPECT_STREQ(finder.GetFileName(), "") << "nothing is found before the first advance";
    EXPECT_STREQ(finder.GetRoot(), "C:\\Media");

    EXPECT_TRUE(finder.FindNextFile()) << "a second entry was read ahead";
    EXPECT_STREQ(finder.GetFileName(), "quelvarine_eng.msi");
    EXPECT_FALSE(finder.FindNextFile());
    EXPECT_STREQ(finder.GetFileName(), "quelvarine_enu.msi");
    EXPECT_EQ(world().openSearches, 1) << "the search stays open until Close";
    finder.Close();
    EXPECT_EQ(world().openSearches, 0);
    EXPECT_STREQ(finder.GetFileName(), "");
    EXPECT_FALSE(finder.FindNextFile());
}

TEST_F(FileFindTest, SingleMatchStillReportedWhenTheAdvanceFails)
{
    CFileFind finder;
    ASSERT_TRUE(finder.FindFile("README.TXT"));
    EXPECT_FALSE(finder.FindNextFile());
    EXPECT_STREQ(finder.GetFileName(), "readme.txt") << "the file system's spelling";
}

TEST_F(FileFindTest, NoMatchKeepsThePlatformErrorAndHoldsNoSearch)
{
    for (DWORD error : {static_cast<DWORD>(ERROR_FILE_NOT_FOUND), static_cast<DWORD>(ERROR_NOT_READY)}) {
        world().findFirstError = error;
        CFileFind finder;
        hostwin::SetLastError(0xdeadbeef);
        EXPECT_FALSE(finder.FindFile(".\\quelvarine_CHT.msi"));
        EXPECT_EQ(hostwin::GetLastError(), error);
        EXPECT_STREQ(finder.GetFileName(), "");
        EXPECT_FALSE(finder.FindNextFile());
        EXPECT_EQ(world().openSearches, 0);
    }
}

TEST_F(FileFindTest, DirectoriesMatchLikeFiles)
{
    world().files = {{"quelvarine_CHT.msi", true}};
    CFileFind finder;
    EXPECT_TRUE(finder.FindFile("quelvarine_cht.msi"));
    finder.FindNextFile();
    EXPECT_STREQ(finder.GetFileName(), "quelvarine_CHT.msi");
}

TEST_F(FileFindTest, ASecondSearchEndsTheFirst)
{
    CFileFind finder;
    ASSERT_TRUE(finder.FindFile("*.msi"));
    EXPECT_FALSE(finder.FindFile("missing.msi"));
    EXPECT_EQ(world().openSearches, 0) << "the failed second search leaves nothing open";
    EXPECT_EQ(fake::callsStartingWith("FindClose").size(), 1u);
    ASSERT_TRUE(finder.FindFile());  // null pattern: "*.*"
    EXPECT_EQ(fake::callsStartingWith("FindFirstFileA").back(), "FindFirstFileA(*.*)");
    EXPECT_EQ(world().openSearches, 1);
}

TEST_F(FileFindTest, UnresolvableFullPathFailsWithInvalidName)
{
    world().fullPathFails = true;
    CFileFind finder;
    hostwin::SetLastError(0xdeadbeef);
    EXPECT_FALSE(finder.FindFile("*.msi"));
    EXPECT_EQ(hostwin::GetLastError(), static_cast<DWORD>(ERROR_INVALID_NAME));
    EXPECT_EQ(world().openSearches, 0);

    // A full path of 260 characters or more does not fit the finder's root.
    world().fullPathFails = false;
    world().currentDirectory = "C:\\" + std::string(250, 'd');
    hostwin::SetLastError(0xdeadbeef);
    EXPECT_FALSE(finder.FindFile(".\\quelvarine_enu.msi"));
    EXPECT_EQ(hostwin::GetLastError(), static_cast<DWORD>(ERROR_INVALID_NAME));
    EXPECT_EQ(world().openSearches, 0);
}

TEST_F(FileFindTest, PatternsOfMaxPathOrMoreAreRefusedNotCut)
{
    std::string name(255, 'p');
    world().files = {{name + ".msi", false}};
    world().currentDirectory = "C:";  // keeps the full path short
    CFileFind finder;
    EXPECT_FALSE(finder.FindFile((name + ".msi").c_str()));  // 259 characters: searched
    EXPECT_EQ(fake::callsStartingWith("FindFirstFileA").size(), 1u);

    for (size_t extra : {1u, 2u, 5000u}) {
        std::string pattern = name + ".msi" + std::string(extra, '*');
        hostwin::SetLastError(0xdeadbeef);
        EXPECT_FALSE(finder.FindFile(pattern.c_str())) << pattern.size();
        EXPECT_EQ(hostwin::GetLastError(), static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE)) << pattern.size();
    }
    EXPECT_EQ(fake::callsStartingWith("FindFirstFileA").size(), 1u) << "never handed to the system";
}

TEST_F(FileFindTest, RootCutAtTheLastSeparatorStepsOverDoubleByteCharacters)
{
    // cp932 "\x95\x5C" ends in the byte of a backslash.
    world().codePage = 932;
    world().files = {{"\x95\x5C.msi", false}};
    CFileFind finder;
    ASSERT_TRUE(finder.FindFile("\x95\x5C.msi"));
    EXPECT_STREQ(finder.GetRoot(), "C:\\Media");
}
