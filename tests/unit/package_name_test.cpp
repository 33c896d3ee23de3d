#include "test_support.h"

namespace {

struct Rule {
    const char* abbreviation;  // NULL: the read fails
    const char* iso;           // NULL: the read fails
    const char* package;
    bool isoRead;
};

}  // namespace

class PackageNameTest : public FakeWorldTest {
protected:
    std::string Select(const Rule& rule, const char* base = "quelvarine")
    {
        fake::reset();
        world().locale.clear();
        if (rule.abbreviation) world().locale[LOCALE_SABBREVLANGNAME] = rule.abbreviation;
        if (rule.iso) world().locale[LOCALE_SISO639LANGNAME] = rule.iso;
        return std::string(SelectPackageName(base));
    }
};

TEST_F(PackageNameTest, RuleTable)
{
    const Rule rules[] = {
        {"ENU", "en", "quelvarine_en*.msi", true},
        {"DEU", "de", "quelvarine_de*.msi", true},
        {"JPN", "ja", "quelvarine_JPN.msi", true},
        {"CHT", "zh", "quelvarine_CHT.msi", false},
        {"chs", "zh", "quelvarine_chs.msi", false},
        {"ZHH", "zh", "quelvarine_cht.msi", false},
        {"zhm", "zh", "quelvarine_cht.msi", false},
        {"NOB", "nb", "quelvarine_nor.msi", false},
        {"NON", "nn", "quelvarine_nor.msi", false},
        {"NOR", "no", "quelvarine_no*.msi", true},
        {"NOR", "nb", "quelvarine_NOR.msi", true},
        {"ZHI", "zh", "quelvarine_chs.msi", true},
        {"ZHI", "ZH", "quelvarine_chs.msi", true},
        {"chtx", "xx", "quelvarine_chtx.msi", true},
        {"ENU", "EN", "quelvarine_EN*.msi", true},  // the ISO name as the platform spells it
        {"E", "en", "quelvarine_E.msi", true},      // the two-letter compare stops at an end
        {"E", "e", "quelvarine_e*.msi", true},
        {"ENU", NULL, "quelvarine_ENU.msi", true},  // unreadable ISO name: seen as empty
        {NULL, "en", "", false},
    };
    for (const Rule& rule : rules) {
        EXPECT_EQ(Select(rule), rule.package) << Str(rule.abbreviation) << "/" << Str(rule.iso);
        size_t expectedReads = rule.abbreviation == NULL ? 1 : (rule.isoRead ? 2 : 1);
        EXPECT_EQ(fake::callsStartingWith("GetLocaleInfoA").size(), expectedReads) << Str(rule.abbreviation);
    }
}

// Only A-Z fold: a code page's accented capitals or Turkish dotted I never
// make two tags equal.
TEST_F(PackageNameTest, CaseFoldingIsAsciiOnly)
{
    EXPECT_EQ(Select({"\xC7HT", "zz", "", true}), "quelvarine_\xC7HT.msi");
    EXPECT_EQ(Select({"CH\xD4", "zz", "", true}), "quelvarine_CH\xD4.msi");
    EXPECT_EQ(Select({"\xC9NU", "\xE9n", "", true}), "quelvarine_\xC9NU.msi") << "0xC9 and 0xE9 are different bytes";
    EXPECT_EQ(Select({"\xE9NU", "\xE9n", "", true}), "quelvarine_\xE9n*.msi");
    EXPECT_EQ(Select({"\xC9NU", "en", "", true}), "quelvarine_\xC9NU.msi");
}

TEST_F(PackageNameTest, ReadsTheUserDefaultLocaleIntoBuffersOf256)
{
    Select({"ENU", "en", "", true});
    EXPECT_EQ(fake::callsStartingWith("GetLocaleInfoA"),
              (std::vector<std::string>{"GetLocaleInfoA(1024,3,256)", "GetLocaleInfoA(1024,89,256)"}));
}

TEST_F(PackageNameTest, UnterminatedLocaleStringsAreNotReadPastTheirBuffer)
{
    fake::reset();
    world().localeUnterminated = true;
    world().locale = {{LOCALE_SABBREVLANGNAME, std::string(300, 'Q')}, {LOCALE_SISO639LANGNAME, std::string(300, 'Q')}};
    std::string name(SelectPackageName("b"));
    EXPECT_EQ(name, "b_" + std::string(255, 'Q') + "*.msi");

    // A count that says less than the buffer holds: the text ends there.
    world().locale = {{LOCALE_SABBREVLANGNAME, "JPNx"}, {LOCALE_SISO639LANGNAME, "jax"}};
    EXPECT_EQ(std::string(SelectPackageName("b")), "b_JPN.msi");
}

TEST_F(PackageNameTest, BaseNameIsUsedAsStored)
{
    EXPECT_EQ(Select({"CHT", "zh", "", false}, "My Product"), "My Product_CHT.msi");
    EXPECT_EQ(Select({"ENU", "en", "", true}, ""), "_en*.msi");
}
