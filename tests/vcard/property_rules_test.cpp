// The property rules, seen through the reader: each test reads one card.

#include <gtest/gtest.h>

#include "support/recording_sink.h"
#include "vcard/vcard_date.h"

namespace tessaly {
namespace {

using testing::readCard;

TEST(NameRules, ComponentsFillTheFiveNameSlotsAsTheyStand) {
    const ContactRecord card = readCard("N:Doe;John;Q;Dr.;Jr.\r\n");
    EXPECT_EQ(card.eContact_LastName, "Doe");
    EXPECT_EQ(card.eContact_FirstName, "John");
    EXPECT_EQ(card.eContact_MiddleName, "Q");
    EXPECT_EQ(card.eContact_Title, "Dr.");
    EXPECT_EQ(card.eContact_Suffix, "Jr.");

    const ContactRecord partial = readCard("N:Doe; John\r\n");
    EXPECT_EQ(partial.eContact_FirstName, " John");  // not trimmed one by one
    EXPECT_EQ(partial.eContact_MiddleName, "");
}

TEST(NameRules, NameTestNeedsTheExactPropertyName) {
    const ContactRecord card = readCard("NOTE:n\r\nNICKNAME:Nick\r\nNAME:x\r\nn;CHARSET=UTF-8:Low;Case\r\n");
    EXPECT_EQ(card.eContact_LastName, "Low");
    EXPECT_EQ(card.eContact_FirstName, "Case");
    EXPECT_EQ(card.eContact_ShortName, "Nick");
    EXPECT_EQ(card.eContact_Comments, "n");
}

TEST(NameRules, FormattedNameFillsTheFirstNameOnlyWhenNoNamePartIsThere) {
    EXPECT_EQ(readCard("FN: Ada Lovelace \r\n").eContact_FirstName, "Ada Lovelace");
    const ContactRecord named = readCard("FN:Ada Lovelace\r\nN:Lovelace;Ada\r\n");
    EXPECT_EQ(named.eContact_FirstName, "Ada");
    EXPECT_EQ(readCard("FN:Ada\r\nN:;;;Lady;\r\n").eContact_FirstName, "");
}

TEST(OrganisationRules, CompanyAndDepartmentAreTrimmed) {
    const ContactRecord card = readCard("ORG: Acme\\, Inc. ; Sales ;Extra\r\nTITLE: Boss \r\nROLE:Lead\r\n");
    EXPECT_EQ(card.eContact_Company, "Acme, Inc.");
    EXPECT_EQ(card.eContact_Department, "Sales");
    EXPECT_EQ(card.eContact_Profession, "Boss");
    EXPECT_EQ(card.eContact_JobTitle, "Lead");
    EXPECT_EQ(readCard("ORG:Solo\r\n").eContact_Department, "");
}

TEST(Escapes, AreResolvedAndEscapedSemicolonsDoNotSplit) {
    const ContactRecord card = readCard("N:O\\;Brien;Pat\\\\rick\r\nNOTE:a\\nb\\Nc\\,d\\x\r\n");
    EXPECT_EQ(card.eContact_LastName, "O;Brien");
    EXPECT_EQ(card.eContact_FirstName, "Pat\\rick");
    EXPECT_EQ(card.eContact_Comments, "a\r\nb\r\nc,d\\x");
}

TEST(Escapes, ABackslashThatEndsAValueEscapesNothingAndKeepsTheLastComponent) {
    const ContactRecord card =
        readCard("N:Smith;John\\\r\nORG:Acme\\\r\nADR;WORK:;;Main St;Town\\\r\n");
    EXPECT_EQ(card.eContact_LastName, "Smith");
    EXPECT_EQ(card.eContact_FirstName, "John\\");
    EXPECT_EQ(card.eContact_Company, "Acme\\");
    EXPECT_EQ(card.eContact_BusinessCity, "Town\\");
}

TEST(LaterLines, OverwriteEarlierOnesOfTheSameKind) {
    EXPECT_EQ(readCard("TITLE:First\r\nTITLE:Second\r\n").eContact_Profession, "Second");
}

TEST(TelephoneRules, VoiceIsImpliedUnlessTheLineIsAFax) {
    const ContactRecord card = readCard(
        "TEL;TYPE=CELL:1\r\nTEL;HOME:2\r\nTEL;TYPE=WORK;TYPE=PREF:3\r\nTEL;TYPE=PAGER:4\r\n"
        "TEL;TYPE=CAR:5\r\nTEL;TYPE=WORK,FAX:6\r\nTEL;HOME;FAX:7\r\nTEL:8\r\n");
    EXPECT_EQ(card.eContact_CellPhone, "1");
    EXPECT_EQ(card.eContact_HomePhone, "2");
    EXPECT_EQ(card.eContact_OfficePhone, "3");  // not the fax that came later
    EXPECT_EQ(card.eContact_Pager, "4");
    EXPECT_EQ(card.eContact_CarPhone, "5");
    EXPECT_EQ(card.eContact_OfficeFax, "6");
    EXPECT_EQ(card.eContact_HomeFax, "7");
}

TEST(TelephoneRules, OneLineCanFillSeveralSlotsAndTelUrisLoseTheirScheme) {
    const ContactRecord card = readCard("TEL;TYPE=WORK,HOME,VOICE:+1 555\r\n");
    EXPECT_EQ(card.eContact_OfficePhone, "+1 555");
    EXPECT_EQ(card.eContact_HomePhone, "+1 555");
    EXPECT_EQ(readCard("TEL;VALUE=uri;TYPE=\"cell,voice\":tel:+33-6\r\n").eContact_CellPhone, "+33-6");
    EXPECT_EQ(readCard("item1.TEL;type=CELL:77\r\n").eContact_CellPhone, "77");
}

TEST(AddressRules, WorkAndHomeAddressesFillTheirSlots) {
    const ContactRecord card = readCard(
        "ADR;TYPE=WORK:;;1 Main St;Springfield;IL;62701;USA;extra\r\n"
        "ADR;HOME:PO;Apt 2;9 Elm Rd;Shelbyville;KY;40065;USA\r\n");
    EXPECT_EQ(card.eContact_BusinessAddress, "1 Main St");
    EXPECT_EQ(card.eContact_BusinessCity, "Springfield");
    EXPECT_EQ(card.eContact_BusinessState, "IL");
    EXPECT_EQ(card.eContact_BusinessZip, "62701");
    EXPECT_EQ(card.eContact_BusinessCountry, "USA");
    EXPECT_EQ(card.eContact_BusinessStreet, "");
    EXPECT_EQ(card.eContact_PersonalAddress, "9 Elm Rd");
    EXPECT_EQ(card.eContact_PersonalCity, "Shelbyville");
    EXPECT_EQ(card.eSelAddress, "1");
}

TEST(AddressRules, GroupedFormsAndWhatFillsNothing) {
    EXPECT_EQ(readCard("item1.ADR;type=WORK:;;Quay 1;Bristol\r\n").eContact_BusinessCity, "Bristol");
    EXPECT_EQ(readCard("item1.ADR;type=HOME:;;Lane 2;Bath\r\n").eSelAddress, "1");
    const ContactRecord none = readCard("ADR;TYPE=POSTAL:;;x;y\r\nADR:;;x;y\r\nADR;HOME:single\r\n");
    EXPECT_EQ(none.eContact_PersonalAddress, "");
    EXPECT_EQ(none.eContact_BusinessAddress, "");
    EXPECT_EQ(none.eSelAddress, "");
}

TEST(EmailRules, EveryAddressIsKeptPreferredFirst) {
    const ContactRecord card = readCard(
        "EMAIL:plain@example.com\r\nEMAIL;TYPE=INTERNET:second@example.com\r\n"
        "EMAIL;TYPE=INTERNET;TYPE=PREF:pref@example.com\r\n");
    EXPECT_EQ(card.eContact_Email, "pref@example.com");
    EXPECT_EQ(card.eContact_Email2, "plain@example.com");
    EXPECT_EQ(card.eContact_Email3, "second@example.com");
}

TEST(EmailRules, AddressesMoveUpAtHandOverAndTheThirdSlotTakesTheOverflow) {
    const ContactRecord card = readCard(
        "EMAIL:a@x\r\nEMAIL:b@x\r\nEMAIL:c@x\r\nEMAIL;PREF: \r\n");
    EXPECT_EQ(card.eContact_Email, "a@x");
    EXPECT_EQ(card.eContact_Email2, "c@x");
    EXPECT_EQ(card.eContact_Email3, "");
    // A second preferred address goes to the next free slot.
    const ContactRecord two = readCard("EMAIL;PREF:p@x\r\nitem1.EMAIL;type=pref: q@x\r\n");
    EXPECT_EQ(two.eContact_Email, "p@x");
    EXPECT_EQ(two.eContact_Email2, " q@x");  // kept untrimmed
}

TEST(DateRules, DigitsDashesAndTimesConvert) {
    const DateValue expected = dateValueOf(1980, 4, 15);
    EXPECT_EQ(expected, 29326);
    EXPECT_EQ(readCard("BDAY:19800415\r\n").eContact_BirthDay, expected);
    EXPECT_EQ(readCard("BDAY:19800415T103000\r\n").eContact_BirthDay, expected);
    EXPECT_EQ(readCard("BDAY;VALUE=date:1980-04-15\r\n").eContact_BirthDay, expected);
    EXPECT_EQ(readCard("BDAY:1980-04-15T10:30:00Z\r\n").eContact_BirthDay, expected);
    EXPECT_EQ(readCard("ANNIVERSARY:2000-02-29\r\n").eContact_Anniversary, dateValueOf(2000, 2, 29));
    EXPECT_EQ(readCard("X-ANNIVERSARY:20100101\r\n").eContact_Anniversary, dateValueOf(2010, 1, 1));
}

TEST(DateRules, ValuesThatAreNoDateLeaveTheSlotAndTheCardGoesOn) {
    const ContactRecord card = readCard(
        "BDAY:1980-04-15\r\nBDAY:\r\nBDAY:1980-13-01\r\nBDAY:--0415\r\nBDAY:soon\r\n"
        "NOTE:our anniversary party\r\nANNIVERSARY:2001-02-29\r\nTITLE:still read\r\n");
    EXPECT_EQ(card.eContact_BirthDay, dateValueOf(1980, 4, 15));
    EXPECT_EQ(card.eContact_Anniversary, 0);
    EXPECT_EQ(card.eContact_Profession, "still read");
}

TEST(SingleValueRules, WebImCategoriesKeepTheWholeValue) {
    const ContactRecord card = readCard(
        "URL:https://example.com:8080/a\r\nX-MS-IMADDRESS:xmpp:me@chat.example\r\n"
        "CATEGORIES:Friends,Work\r\n");
    EXPECT_EQ(card.eContact_WebPage, "https://example.com:8080/a");
    EXPECT_EQ(card.eContact_IMAddress, "xmpp:me@chat.example");
    EXPECT_EQ(card.eContact_Categories, "Friends,Work");
    EXPECT_EQ(readCard("item2.URL;type=pref:http://a.example\r\n").eContact_WebPage, "http://a.example");
}

TEST(NoteRules, LineBreakFormsBecomeCarriageReturnLineFeed) {
    EXPECT_EQ(readCard("NOTE:a=0D=0Ab\\nc\r\n").eContact_Comments, "a\r\nb\r\nc");
    EXPECT_EQ(readCard("NOTE;ENCODING=QUOTED-PRINTABLE:caf=C3=A9=0D=0A=3D\r\n").eContact_Comments,
              "caf\xC3\xA9\r\n=");
}

TEST(Charsets, ValuesAreDecodedInTheirCharsetOrAsUtf8OrWindows1252) {
    EXPECT_EQ(readCard("N;CHARSET=ISO-8859-1:M\xFCller\r\n").eContact_LastName, "M\xC3\xBCller");
    EXPECT_EQ(readCard("N;CHARSET=SHIFT_JIS:\x93\x63\x92\x86\r\n").eContact_LastName,
              "\xE7\x94\xB0\xE4\xB8\xAD");
    EXPECT_EQ(readCard("N:M\xC3\xBCller\r\n").eContact_LastName, "M\xC3\xBCller");
    EXPECT_EQ(readCard("N:M\xFCller\r\n").eContact_LastName, "M\xC3\xBCller");
    // A label that does not fit the bytes, or names no known set, is not trusted.
    EXPECT_EQ(readCard("N;CHARSET=UTF-8:M\xFCller\r\n").eContact_LastName, "M\xC3\xBCller");
    EXPECT_EQ(readCard("N;CHARSET=X-NOPE:M\xC3\xBCller\r\n").eContact_LastName, "M\xC3\xBCller");
    EXPECT_EQ(readCard("N;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=C3=89mile\r\n").eContact_LastName,
              "\xC3\x89mile");
}

TEST(HeadAndValue, TheValueIsEverythingAfterTheFirstColonOutsideQuotes) {
    const ContactRecord card = readCard("ADR;LABEL=\"Suite 5: rear\";TYPE=WORK:;;1 Main;Town\r\n");
    EXPECT_EQ(card.eContact_BusinessCity, "Town");
    EXPECT_EQ(readCard("   TITLE:Indented  \r\n").eContact_Profession, "Indented");
    EXPECT_EQ(readCard("\tTITLE:tab\r\n").eContact_Profession, "");
}

}  // namespace
}  // namespace tessaly
