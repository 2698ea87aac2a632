// Cards in the forms address books write them (tests/data/exporter-cards),
// each with every field it must fill and every value it must report as held
// by no field. Written from the
// formats as documented: vCard 2.1 with Outlook's X-MS- lines, vCard 3.0 with
// Apple's grouped lines and labels, Google's, Android's, Evolution's, KDE's
// and Thunderbird's extensions, and vCard 4.0.

#include <gtest/gtest.h>

#include "support/recording_sink.h"

namespace tessaly {
namespace {

// The filled fields of the one card in tests/data/exporter-cards/NAME, and
// what it holds that no field does (see readCard).
std::string cardFile(const std::string& name) {
    const testing::RecordingSink sink = testing::readText(
        testing::readFile(std::string(TESSALY_SOURCE_DIR) + "/tests/data/exporter-cards/" + name));
    return sink.cards.size() == 1 ? testing::slotsOf(sink.cards[0]) : std::to_string(sink.cards.size()) + " cards";
}

// Outlook 2007's own export (the card the round trip through the Outlook
// target uses too): job title as TITLE and profession as ROLE, numbers of
// every kind (callback and the like as X-MS-TEL), three addresses with the
// mailing one named, related names, the IM address and the free/busy address.
TEST(ExporterCards, Outlook2007) {
    EXPECT_EQ(cardFile("outlook-2007.vcf"),
              "FirstName=Quick|MiddleName=Brown|LastName=Fox|Suffix=Jr|Title=Dr|Email=one@example.com|"
              "Email2=two@example.com|Email3=three@example.com|Company=Acme|JobTitle=Physicist|Profession=Engineer|"
              "BusinessAddress=1 Main St\r\nFloor 3|BusinessCity=Springfield|BusinessZip=62701|BusinessState=IL|"
              "BusinessCountry=USA|WebPage=http://work.example|Department=Sales|Manager=Mona Manager|"
              "Assistant=Al Assistant|OfficePhone=+1 111|OfficeFax=+1 777|CellPhone=+1 333|Pager=+1 666|"
              "CarPhone=+1 444|IMAddress=fox@im.example|PersonalAddress=9 Elm Rd|PersonalCity=Shelbyville|"
              "PersonalZip=40065|PersonalState=KY|PersonalCountry=USA|Spouse=Sam Spouse|Childern=Kim, Lee|"
              "HomePhone=+1 221|HomeFax=+1 778|BirthDay=1970-01-02|Anniversary=1995-06-03|eSelAddress=2|"
              "business2Phone=+1 112|home2Phone=+1 222|otherPhone=+1 555|primaryPhone=+1 888|"
              "companyMainPhone=+1 678|assistantPhone=+1 567|callbackPhone=+1 234|isdnNumber=+1 999|"
              "radioPhone=+1 345|telexNumber=+1 123|ttyTddPhone=+1 456|otherFax=+1 779|homePostOfficeBox=PO Box 9|"
              "otherStreet=5 Oak Ave|otherCity=Capital City|otherCountry=USA|personalHomePage=http://home.example|"
              "freeBusyAddress=http://free.example/fox|isPrivate=1");
}

// Apple Contacts: grouped lines, custom and related names by their labels.
TEST(ExporterCards, AppleContacts) {
    EXPECT_EQ(cardFile("apple-contacts.vcf"),
              "FirstName=Johnny|LastName=Appleseed|Email=johnny@example.com|Manager=Bob Boss|"
              "CellPhone=+1 408 555 0100|IMAddress=johnny@jabber.example|PersonalAddress=1 Infinite Loop|"
              "PersonalCity=Cupertino|PersonalZip=95014|PersonalState=CA|PersonalCountry=United States|"
              "Spouse=Jane Appleseed|eSelAddress=1|otherPhone=+1 408 555 0101|primaryPhone=+1 408 555 0102|"
              "unplaced=20 IMPP (a further instant-messaging address)|unplaced=21 X-SOCIALPROFILE|"
              "unplaced=17 X-ABRELATEDNAMES (a related name (_$!<Father>!$_))");
}

// Google and Android: untyped web pages, several e-mail addresses, a fifth
// one reported, custom phone kinds as other numbers.
TEST(ExporterCards, GoogleAndAndroid) {
    EXPECT_EQ(cardFile("google-android.vcf"),
              "FirstName=Gina|LastName=Google|Email=a@example.com|Email2=b@example.com|Email3=c@example.com|"
              "WebPage=http://blog.example|CellPhone=555-1|ShortName=Gigi|email4=d@example.com|otherPhone=555-2|"
              "personalHomePage=http://second.example|unplaced=12 TEL (a further mobile number)|"
              "unplaced=13 TEL (a further other number)|unplaced=16 URL (a further web page)|"
              "unplaced=17 X-ABDATE|unplaced=9 EMAIL (a further e-mail address)");
}

// Evolution and KDE: their manager, assistant, spouse, office, profession,
// department and file-as lines.
TEST(ExporterCards, EvolutionAndKde) {
    EXPECT_EQ(cardFile("evolution-kde.vcf"),
              "FirstName=Eve|LastName=Evo|JobTitle=Chemist|Location=Room 12|Department=Labs|Manager=Max|"
              "Assistant=Ann|IMAddress=eve@im.example|Spouse=Sue|Anniversary=2005-05-05|fileAs=Evo, Eve|"
              "unplaced=9 X-EVOLUTION-BLOG-URL|"
              "unplaced=14 X-KADDRESSBOOK-X-MANAGERSNAME (a further manager's name)|"
              "unplaced=15 CALURI");
}

// vCard 4.0: RELATED by type and as text, ANNIVERSARY, GENDER, LANG, IMPP
// and tel: URIs.
TEST(ExporterCards, Version4) {
    EXPECT_EQ(cardFile("vcard-4.vcf"),
              "FirstName=Vera|LastName=Four|Email=vera@example.com|OfficePhone=+33-1-23|"
              "IMAddress=vera@jabber.example|Spouse=Victor Four|Childern=Val|Anniversary=2010-07-10|"
              "ttyTddPhone=+33-1-24|gender=F|language=fr|unplaced=6 GENDER (a gender identity)|"
              "unplaced=11 RELATED (a related contact given by reference)");
}

// Thunderbird: work and home web pages of its own, and the second of three
// e-mail addresses kept second.
TEST(ExporterCards, Thunderbird) {
    EXPECT_EQ(cardFile("thunderbird.vcf"),
              "FirstName=Tom|LastName=Bird|Email=first@example.com|Email2=second@example.com|"
              "Email3=third@example.com|WebPage=http://tb.example/work|personalHomePage=http://tb.example/home|"
              "gender=M");
}

}  // namespace
}  // namespace tessaly
