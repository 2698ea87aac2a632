// A full name split into its parts the way Outlook splits one typed into its
// Full Name box: used for a card that gives FN and no N.

#include "vcard/full_name.h"

#include <gtest/gtest.h>

#include "support/recording_sink.h"

namespace tessaly {
namespace {

std::string parts(std::string_view fullName) {
    const NameParts p = splitFullName(fullName);
    return p.title + "|" + p.first + "|" + p.middle + "|" + p.last + "|" + p.suffix;
}

TEST(FullName, WesternNamesSplitIntoTitleFirstMiddleLastAndSuffix) {
    const std::pair<const char*, const char*> cases[] = {
        {"Dr. Jane Q. Public Jr.", "Dr.|Jane|Q.|Public|Jr."},
        {"Jane Q. Public", "|Jane|Q.|Public|"},
        {"  Jane   Public ", "|Jane||Public|"},
        {"Mr John Smith", "Mr|John||Smith|"},
        {"MRS. Ann Lee", "MRS.|Ann||Lee|"},
        {"Prof. Dr. Hans Peter Müller", "Prof. Dr.|Hans|Peter|Müller|"},
        {"John Smith III", "|John||Smith|III"},
        {"John Smith, Jr.", "|John||Smith|Jr."},
        {"Ann Lee PhD", "|Ann||Lee|PhD"},
        {"María José García López", "|María|José García|López|"},
        {"Jean-Luc Picard", "|Jean-Luc||Picard|"},
        // "Last, First Middle" when the name holds a comma.
        {"Public, Jane Q.", "|Jane|Q.|Public|"},
        {"van der Berg, Anna", "|Anna||van der Berg|"},
        {"Ms. Public, Jane", "Ms.|Jane||Public|"},
        // One word is the first name, even one that could be a title.
        {"Cher", "|Cher|||"},
        {"Dr.", "|Dr.|||"},
        {"Miss Jr.", "Miss|Jr.|||"},
        {"", "||||"},
        {"   ", "||||"},
    };
    for (const auto& [fullName, expected] : cases) EXPECT_EQ(parts(fullName), expected) << fullName;
}

TEST(FullName, NamesInScriptsWithoutSpacesStayWholeAsTheLastName) {
    EXPECT_EQ(parts("山田太郎"), "|||山田太郎|");
    EXPECT_EQ(parts("김철수"), "|||김철수|");
    EXPECT_EQ(parts("王小明"), "|||王小明|");
    // Written with a space (ideographic or not), the family name comes first.
    EXPECT_EQ(parts("山田 太郎"), "|太郎||山田|");
    EXPECT_EQ(parts("山田\xE3\x80\x80太郎"), "|太郎||山田|");
    EXPECT_EQ(parts("イグザンプル ドット コム"), "|ドット コム||イグザンプル|");
}

TEST(FullName, ACardWithoutNGetsTheSplitNameAndOneWithNKeepsIts) {
    EXPECT_EQ(testing::readCard("FN:Dr. Jane Q. Public Jr.\r\n"),
              "FirstName=Jane|MiddleName=Q.|LastName=Public|Suffix=Jr.|Title=Dr.");
    EXPECT_EQ(testing::readCard("FN:Public\\, Jane\r\n"), "FirstName=Jane|LastName=Public");
    EXPECT_EQ(testing::readCard("FN:Dr. Jane Public\r\nN:Roe;Jane;;;\r\n"), "FirstName=Jane|LastName=Roe");
}

TEST(FullName, AnOrganisationsCardKeepsItsNameAsTheCompany) {
    // vCard 4.0's kind, Apple's "show as company", or an FN that is the ORG.
    EXPECT_EQ(testing::readCard("KIND:org\r\nFN:Acme Trading Ltd\r\n"), "Company=Acme Trading Ltd");
    EXPECT_EQ(testing::readCard("KIND:Org\r\nFN:Acme\r\nORG:Acme Trading Ltd;Sales\r\n"),
              "Company=Acme Trading Ltd|Department=Sales");
    EXPECT_EQ(testing::readCard("X-ABShowAs:COMPANY\r\nFN:Acme Trading\r\nORG:Acme Trading Ltd\r\n"),
              "Company=Acme Trading Ltd");
    EXPECT_EQ(testing::readCard("FN:ACME Trading\r\nORG:Acme Trading\r\n"), "Company=Acme Trading");
    // A person's card of any kind keeps its name.
    EXPECT_EQ(testing::readCard("KIND:individual\r\nFN:Jane Roe\r\nORG:Acme\r\n"),
              "FirstName=Jane|LastName=Roe|Company=Acme");
    EXPECT_EQ(testing::readCard("KIND:org\r\nN:Roe;Jane\r\nFN:Acme\r\n"), "FirstName=Jane|LastName=Roe");
}

}  // namespace
}  // namespace tessaly
