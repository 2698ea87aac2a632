// The property rules, seen through the reader: each check reads one card and
// compares every slot it filled, so a rule that fills a wrong slot shows too.

#include <gtest/gtest.h>

#include "support/recording_sink.h"

namespace tessaly {
namespace {

using testing::readCard;

// The formatted name fills the name parts only when no name part is there.
TEST(NameRules, ComponentsFillTheNameSlotsUntrimmedAndOnlyForTheExactNameAndFormattedNameIsTheFallback) {
    EXPECT_EQ(readCard("N:Doe;John;Q;Dr.;Jr.\r\n"), "FirstName=John|MiddleName=Q|LastName=Doe|Suffix=Jr.|Title=Dr.");
    EXPECT_EQ(readCard("NOTE:n\r\nNICKNAME:Nick\r\nNAME:x\r\nn;CHARSET=UTF-8:Low; Case\r\n"),
              "FirstName= Case|LastName=Low|Comments=n|ShortName=Nick");
    EXPECT_EQ(readCard("FN: Ada Lovelace \r\n"), "FirstName=Ada|LastName=Lovelace");
    EXPECT_EQ(readCard("FN:Ada Lovelace\r\nN:Lovelace;Ada\r\n"), "FirstName=Ada|LastName=Lovelace");
    EXPECT_EQ(readCard("FN:Ada\r\nN:;;;Lady;\r\n"), "Title=Lady");
}

TEST(OrganisationRules, CompanyDepartmentAndTitlesAreTrimmedAndLaterLinesOverwrite) {
    EXPECT_EQ(readCard("ORG: Acme\\, Inc. ; Sales ;Extra\r\nTITLE:First\r\nTITLE: Boss \r\nROLE:Lead\r\n"),
              "Company=Acme, Inc.|JobTitle=Lead|Profession=Boss|Department=Sales|"
              "unplaced=2 ORG (a further organisational unit)");
}

TEST(Escapes, AreResolvedAndEscapedSemicolonsDoNotSplit) {
    EXPECT_EQ(readCard("N:O\\;Brien;Pat\\\\rick\r\nNOTE:a\\nb\\Nc\\,d\\x\r\n"),
              "FirstName=Pat\\rick|LastName=O;Brien|Comments=a\r\nb\r\nc,d\\x");
    // A backslash that ends a value escapes nothing and keeps the last component.
    EXPECT_EQ(readCard("N:Smith;John\\\r\nORG:Acme\\\r\nADR;WORK:;;Main St;Town\\\r\n"),
              "FirstName=John\\|LastName=Smith|Company=Acme\\|BusinessAddress=Main St|BusinessCity=Town\\");
}

// Components after the last one a rule fills change nothing, escaped or not,
// and an escape next to the last one used keeps it whole.
TEST(Components, AfterTheLastOneUsedChangeNothing) {
    EXPECT_EQ(readCard("N:Doe;John;Q;Dr.;Jr.;x\\\\;y;;;\\\\\r\n"),
              "FirstName=John|MiddleName=Q|LastName=Doe|Suffix=Jr.|Title=Dr.");
    EXPECT_EQ(readCard("N:Doe;John;Q;Dr.;Jr\\\\;x\\;y;z\r\n"),
              "FirstName=John|MiddleName=Q|LastName=Doe|Suffix=Jr\\|Title=Dr.");
    EXPECT_EQ(readCard("N:;;;;S\\;t;;\r\nORG: A ; B\\;C ;D;E\r\n"),
              "Suffix=S;t|Company=A|Department=B;C|unplaced=3 ORG (a further organisational unit)");
    EXPECT_EQ(readCard("ORG:A\\\\;B\\\\\r\n"), "Company=A\\|Department=B\\");
    EXPECT_EQ(readCard("ADR;HOME:;;1 St;Town;ST;123;Land;more;and\\;more\r\n"),
              "PersonalAddress=1 St|PersonalCity=Town|PersonalZip=123|PersonalState=ST|PersonalCountry=Land|"
              "eSelAddress=1");
    EXPECT_EQ(readCard("ADR;WORK:;;;;;;Land\\;X;;\r\n"), "BusinessCountry=Land;X");
    EXPECT_EQ(readCard("N:" + std::string(1000, ';') + "\r\nORG:" + std::string(1000, ';') + "x\r\n"), "");
}

TEST(TelephoneRules, VoiceIsImpliedUnlessTheLineIsAFaxAndAKindWordIsNeeded) {
    EXPECT_EQ(readCard("TEL;TYPE=CELL:1\r\nTEL;HOME:2\r\nTEL;TYPE=WORK;TYPE=PREF:3\r\nTEL;TYPE=PAGER:4\r\n"
                       "TEL;TYPE=CAR:5\r\nTEL;TYPE=WORK,FAX:6\r\nTEL;HOME;FAX:7\r\nTEL:8\r\n"),
              "OfficePhone=3|OfficeFax=6|CellPhone=1|Pager=4|CarPhone=5|HomePhone=2|HomeFax=7|otherPhone=8");
    // One line can fill several slots, groups are ignored and tel: URIs lose their scheme.
    EXPECT_EQ(readCard("TEL;TYPE=WORK,HOME,VOICE:+1 555\r\n"), "OfficePhone=+1 555|HomePhone=+1 555");
    EXPECT_EQ(readCard("TEL;VALUE=uri;TYPE=\"cell,voice\":tel:+33-6\r\nitem1.TEL;type=CAR:77\r\n"),
              "CellPhone=+33-6|CarPhone=77");
}

TEST(AddressRules, WorkAndHomeAddressesFillTheirSlotsAndHomeIsTheMailingAddress) {
    EXPECT_EQ(readCard("ADR;TYPE=WORK:;;1 Main St;Springfield;IL;62701;USA;extra\r\n"
                       "ADR;HOME:PO;Apt 2;9 Elm Rd;Shelbyville;KY;40065;USA\r\n"),
              "BusinessAddress=1 Main St|BusinessCity=Springfield|BusinessZip=62701|BusinessState=IL|"
              "BusinessCountry=USA|PersonalAddress=9 Elm Rd\r\nApt 2|PersonalCity=Shelbyville|PersonalZip=40065|"
              "PersonalState=KY|PersonalCountry=USA|eSelAddress=1|homePostOfficeBox=PO");
    EXPECT_EQ(readCard("item1.ADR;type=WORK:;;Quay 1;Bristol\r\nitem2.ADR;type=HOME:;;Lane 2;Bath\r\n"),
              "BusinessAddress=Quay 1|BusinessCity=Bristol|PersonalAddress=Lane 2|PersonalCity=Bath|eSelAddress=1");
    // An address of neither kind is the other address; one part is no address.
    EXPECT_EQ(readCard("ADR;TYPE=POSTAL:;;x;y\r\nADR:;;x;y\r\nADR;HOME:single\r\n"),
              "otherStreet=x|otherCity=y|unplaced=3 ADR (a further address)|unplaced=4 ADR (an address of one part)");
}

TEST(EmailRules, EveryAddressIsKeptPreferredFirstAndTheRestMoveUpAtHandOver) {
    EXPECT_EQ(readCard("EMAIL:plain@x\r\nEMAIL;TYPE=INTERNET:second@x\r\nEMAIL;TYPE=INTERNET;TYPE=PREF:pref@x\r\n"),
              "Email=pref@x|Email2=plain@x|Email3=second@x");
    // Three addresses keep their order; an empty value is no address.
    EXPECT_EQ(readCard("EMAIL:a@x\r\nEMAIL:b@x\r\nEMAIL:c@x\r\nEMAIL;PREF: \r\n"), "Email=a@x|Email2=b@x|Email3=c@x");
    // A second preferred address goes to the next free slot, untrimmed.
    EXPECT_EQ(readCard("EMAIL;PREF:p@x\r\nitem1.EMAIL;type=pref: q@x\r\n"), "Email=p@x|Email2= q@x");
}

TEST(DateRules, DigitsDashesAndTimesConvertAndWhatIsNoDateLeavesTheSlotWhileTheCardGoesOn) {
    EXPECT_EQ(dateValueOf(1980, 4, 15), 29326);  // days since 30 December 1899
    for (const char* line : {"BDAY:19800415\r\n", "BDAY:19800415T103000\r\n", "BDAY;VALUE=date:1980-04-15\r\n",
                             "BDAY:1980-04-15T10:30:00Z\r\n"})
        EXPECT_EQ(readCard(line), "BirthDay=1980-04-15") << line;
    EXPECT_EQ(readCard("ANNIVERSARY:2000-02-29\r\n"), "Anniversary=2000-02-29");
    EXPECT_EQ(readCard("X-ANNIVERSARY:20100101\r\n"), "Anniversary=2010-01-01");
    EXPECT_EQ(readCard("BDAY:1980-04-15\r\nBDAY:\r\nBDAY:1980-13-01\r\nBDAY:--0415\r\nBDAY:soon\r\n"
                       "NOTE:our anniversary party\r\nANNIVERSARY:2001-02-29\r\nTITLE:still read\r\n"),
              "Profession=still read|BirthDay=1980-04-15|Comments=our anniversary party");
}

TEST(SingleValueRules, WebImCategoriesAndNotesKeepTheWholeValue) {
    EXPECT_EQ(readCard("URL:https://example.com:8080/a\r\nX-MS-IMADDRESS:xmpp:me@chat.example\r\n"
                       "CATEGORIES:Friends,Work\r\n"),
              "WebPage=https://example.com:8080/a|IMAddress=xmpp:me@chat.example|Categories=Friends,Work");
    EXPECT_EQ(readCard("item2.URL;type=pref:http://a.example\r\n"), "WebPage=http://a.example");
    // The line-break forms of a note become CR LF.
    EXPECT_EQ(readCard("NOTE:a=0D=0Ab\\nc\r\n"), "Comments=a\r\nb\r\nc");
    // Each one, side by side too, and none made of the text around another.
    EXPECT_EQ(readCard("NOTE:=0D=0D=0A=0A x=0D=0A=0D=0A\r\n"), "Comments==0D\r\n=0A x\r\n\r\n");
    EXPECT_EQ(readCard("NOTE;ENCODING=QUOTED-PRINTABLE:caf=C3=A9=0D=0A=3D\r\n"), "Comments=caf\xC3\xA9\r\n=");
}

TEST(Charsets, ValuesAreDecodedInTheirCharsetOrAsUtf8OrWindows1252) {
    // Cyrillic "Ivan": ISO-8859-5 and Windows-1252 read these bytes differently.
    EXPECT_EQ(readCard("N;charset=\"iso-8859-5\":\xB8\xD2\xD0\xDD\r\n"), "LastName=\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD");
    EXPECT_EQ(readCard("NOTE;encoding=quoted-printable;Charset=ISO-8859-5:=B8=D2=D0=DD\r\n"),
              "Comments=\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD");
    EXPECT_EQ(readCard("N;CHARSET=SHIFT_JIS:\x93\x63\x92\x86\r\n"), "LastName=\xE7\x94\xB0\xE4\xB8\xAD");
    EXPECT_EQ(readCard("N:M\xC3\xBCller\r\n"), "LastName=M\xC3\xBCller");
    EXPECT_EQ(readCard("N:M\xFCller\r\n"), "LastName=M\xC3\xBCller");
    // A label that does not fit the bytes, or names no known set, is not trusted.
    EXPECT_EQ(readCard("N;CHARSET=UTF-8:M\xFCller\r\n"), "LastName=M\xC3\xBCller");
    EXPECT_EQ(readCard("N;CHARSET=X-NOPE:M\xC3\xBCller\r\n"), "LastName=M\xC3\xBCller");
    EXPECT_EQ(readCard("N;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=C3=89mile\r\n"), "LastName=\xC3\x89mile");
}

TEST(HeadAndValue, TheValueIsEverythingAfterTheFirstColonOutsideQuotes) {
    EXPECT_EQ(readCard("ADR;LABEL=\"Suite 5: rear\";X-LONGER-PARAMETER-NAME=\"c:d\";TYPE=WORK:;;1 Main;Town\r\n"),
              "BusinessAddress=1 Main|BusinessCity=Town");
    EXPECT_EQ(readCard("TITLE;X=\"a:b\r\n"), "");  // the quote never closes: no value
    // Lines are trimmed of spaces only.
    EXPECT_EQ(readCard("   TITLE:Indented  \r\n"), "Profession=Indented");
    EXPECT_EQ(readCard("\tTITLE:tab\r\n"), "unplaced=2 \tTITLE");
}

}  // namespace
}  // namespace tessaly
