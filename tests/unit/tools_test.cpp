// The publisher tools' text rules, below their command lines: names folded
// and ordered as Windows does, and names written into JSON exactly.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "folder.h"
#include "text.h"

// Windows upper-cases every letter it has a capital for, past Latin-1 too,
// and orders a folder's names so; '*' and '?' match within the folded names.
TEST(Names, FoldedAndOrderedAsWindowsDoes)
{
    EXPECT_EQ(media::FoldName("a\xc4\x85\xe1\xba\xa1\xef\xbd\x81\xc3\xbf"),  // a ą ạ ａ ÿ
              std::u16string(u"A\u0104\u1EA0\uFF21\u0178"));
    EXPECT_EQ(media::FoldName("\xc3\x9f\xc4\xb1"), std::u16string(u"\u00DF\u0131"));  // ß and dotless ı stay
    EXPECT_EQ(media::FoldName("a\xff"), std::u16string(u"A\xDCFF"));  // a byte that is no UTF-8 keeps its place

    const std::vector<toolkit::FolderEntry> listed = {{"q_pl-\xc4\x84" "b.msi", false, false},
                                                      {"q_pl-\xc4\x85" "a.msi", false, false},
                                                      {"Q_PL!.MSI", true, false}, {"gone.msi", false, true}};
    media::Folder folder(listed);
    ASSERT_EQ(folder.Entries().size(), 3u);
    EXPECT_EQ(folder.Match("q_pl*.msi")->name, "Q_PL!.MSI");  // directories match as files do
    EXPECT_EQ(folder.Match("q_pl-*.msi")->name, "q_pl-\xc4\x85" "a.msi");
    EXPECT_EQ(folder.Match("Q_PL-\xc4\x85?.MSI")->name, "q_pl-\xc4\x85" "a.msi");
    EXPECT_EQ(folder.Match("gone.msi"), nullptr);
    EXPECT_EQ(folder.BrokenLinks(), std::vector<std::string>{"gone.msi"});
}

TEST(Names, WrittenIntoJsonExactly)
{
    EXPECT_EQ(toolkit::JsonString("q_\"\\\n\xc2\xad.msi"), "\"q_\\\"\\\\\\u000a\xc2\xad.msi\"");
    EXPECT_EQ(toolkit::JsonString("q_\xff\xc3.msi"), "\"q_\\udcff\\udcc3.msi\"");  // no UTF-8: lone surrogates
}
