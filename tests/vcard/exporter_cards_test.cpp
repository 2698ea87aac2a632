// Cards in the forms address books write them, each with every field it must
// fill and every value it must report as held by no field. Written from the
// formats as documented: vCard 2.1 with Outlook's X-MS- lines, vCard 3.0 with
// Apple's grouped lines and labels, Google's, Android's, Evolution's, KDE's
// and Thunderbird's extensions, and vCard 4.0.

#include <gtest/gtest.h>

#include "support/recording_sink.h"

namespace tessaly {
namespace {

using testing::readCard;

// Outlook 2007's own export (the card the round trip through the Outlook
// target uses too): job title as TITLE and profession as ROLE, numbers of
// every kind (callback and the like as X-MS-TEL), three addresses with the
// mailing one named, related names, the IM address and the free/busy address.
TEST(ExporterCards, Outlook2007) {
    const std::string card = testing::readFile(std::string(TESSALY_SOURCE_DIR) + "/tests/data/outlook-2007-card.vcf");
    const testing::RecordingSink sink = testing::readText(card);
    ASSERT_EQ(sink.cards.size(), 1u);
    EXPECT_EQ(testing::slotsOf(sink.cards[0]),
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
    EXPECT_EQ(readCard("VERSION:3.0\r\n"
                       "PRODID:-//Apple Inc.//macOS 14.0//EN\r\n"
                       "N:Appleseed;Johnny;;;\r\n"
                       "FN:Johnny Appleseed\r\n"
                       "item1.EMAIL;type=INTERNET;type=pref:johnny@example.com\r\n"
                       "item1.X-ABLabel:_$!<Other>!$_\r\n"
                       "TEL;type=CELL;type=VOICE;type=pref:+1 408 555 0100\r\n"
                       "TEL;type=IPHONE;type=CELL;type=VOICE:+1 408 555 0101\r\n"
                       "TEL;type=MAIN:+1 408 555 0102\r\n"
                       "item2.ADR;type=HOME;type=pref:;;1 Infinite Loop;Cupertino;CA;95014;United States\r\n"
                       "item2.X-ABADR:us\r\n"
                       "item3.X-ABRELATEDNAMES;type=pref:Jane Appleseed\r\n"
                       "item3.X-ABLabel:_$!<Spouse>!$_\r\n"
                       "item4.X-ABRELATEDNAMES:Bob Boss\r\n"
                       "item4.X-ABLabel:_$!<Manager>!$_\r\n"
                       "item5.X-ABRELATEDNAMES:Pat\r\n"
                       "item5.X-ABLabel:_$!<Father>!$_\r\n"
                       "IMPP;X-SERVICE-TYPE=Jabber;type=HOME:xmpp:johnny@jabber.example\r\n"
                       "IMPP;X-SERVICE-TYPE=Skype:skype:johnny.s\r\n"
                       "X-SOCIALPROFILE;type=twitter:https://twitter.com/johnny\r\n"
                       "X-ABUID:5AD380FD-B2DE-4261-BA99-DE1D1DB52FBE\\:ABPerson\r\n"),
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
    EXPECT_EQ(readCard("VERSION:3.0\r\n"
                       "FN:Gina Google\r\n"
                       "N:Google;Gina;;;\r\n"
                       "EMAIL;TYPE=INTERNET;TYPE=HOME:a@example.com\r\n"
                       "EMAIL;TYPE=INTERNET;TYPE=WORK:b@example.com\r\n"
                       "EMAIL;TYPE=INTERNET:c@example.com\r\n"
                       "EMAIL;TYPE=INTERNET:d@example.com\r\n"
                       "EMAIL;TYPE=INTERNET:e@example.com\r\n"
                       "TEL;TYPE=CELL:555-1\r\n"
                       "TEL;TYPE=CELL:555-2\r\n"
                       "TEL;TYPE=CELL:555-3\r\n"
                       "TEL;TYPE=X-Satellite:555-4\r\n"
                       "URL:http://blog.example\r\n"
                       "URL:http://second.example\r\n"
                       "URL:http://third.example\r\n"
                       "item1.X-ABDATE:2001-02-03\r\n"
                       "item1.X-ABLabel:_$!<Anniversary>!$_\r\n"
                       "NICKNAME:Gigi\r\n"),
              "FirstName=Gina|LastName=Google|Email=a@example.com|Email2=b@example.com|Email3=c@example.com|"
              "WebPage=http://blog.example|CellPhone=555-1|ShortName=Gigi|email4=d@example.com|otherPhone=555-2|"
              "personalHomePage=http://second.example|unplaced=12 TEL (a further mobile number)|"
              "unplaced=13 TEL (a further other number)|unplaced=16 URL (a further web page)|"
              "unplaced=17 X-ABDATE|unplaced=9 EMAIL (a further e-mail address)");
}

// Evolution and KDE: their manager, assistant, spouse, office, profession,
// department and file-as lines.
TEST(ExporterCards, EvolutionAndKde) {
    EXPECT_EQ(readCard("VERSION:3.0\r\n"
                       "N:Evo;Eve;;;\r\n"
                       "X-EVOLUTION-FILE-AS:Evo\\, Eve\r\n"
                       "X-EVOLUTION-MANAGER:Max\r\n"
                       "X-EVOLUTION-ASSISTANT:Ann\r\n"
                       "X-EVOLUTION-SPOUSE:Sue\r\n"
                       "X-EVOLUTION-ANNIVERSARY:2005-05-05\r\n"
                       "X-EVOLUTION-BLOG-URL:http://blog.example\r\n"
                       "X-KADDRESSBOOK-X-OFFICE:Room 12\r\n"
                       "X-KADDRESSBOOK-X-PROFESSION:Chemist\r\n"
                       "X-KADDRESSBOOK-X-DEPARTMENT:Labs\r\n"
                       "X-KADDRESSBOOK-X-IMADDRESS:eve@im.example\r\n"
                       "X-KADDRESSBOOK-X-MANAGERSNAME:Second Boss\r\n"
                       "CALURI:http://cal.example/eve\r\n"),
              "FirstName=Eve|LastName=Evo|JobTitle=Chemist|Location=Room 12|Department=Labs|Manager=Max|"
              "Assistant=Ann|IMAddress=eve@im.example|Spouse=Sue|Anniversary=2005-05-05|fileAs=Evo, Eve|"
              "unplaced=9 X-EVOLUTION-BLOG-URL|"
              "unplaced=14 X-KADDRESSBOOK-X-MANAGERSNAME (a further manager's name)|"
              "unplaced=15 CALURI");
}

// vCard 4.0: RELATED by type and as text, ANNIVERSARY, GENDER, LANG, IMPP
// and tel: URIs.
TEST(ExporterCards, Version4) {
    EXPECT_EQ(readCard("VERSION:4.0\r\n"
                       "KIND:individual\r\n"
                       "FN:Vera Four\r\n"
                       "N:Four;Vera;;;\r\n"
                       "GENDER:F;she/her\r\n"
                       "LANG;PREF=1:fr\r\n"
                       "ANNIVERSARY:20100710\r\n"
                       "RELATED;TYPE=spouse;VALUE=text:Victor Four\r\n"
                       "RELATED;TYPE=child;VALUE=text:Val\r\n"
                       "RELATED;TYPE=co-worker:urn:uuid:03a0e51f-d1aa-4385-8a53-e29025acd8af\r\n"
                       "TEL;VALUE=uri;TYPE=\"voice,work\":tel:+33-1-23\r\n"
                       "TEL;VALUE=uri;TYPE=textphone:tel:+33-1-24\r\n"
                       "IMPP;PREF=1:xmpp:vera@example.com\r\n"
                       "EMAIL;TYPE=work:vera@example.com\r\n"
                       "CLASS:PUBLIC\r\n"),
              "FirstName=Vera|LastName=Four|Email=vera@example.com|OfficePhone=+33-1-23|"
              "IMAddress=vera@example.com|Spouse=Victor Four|Childern=Val|Anniversary=2010-07-10|"
              "ttyTddPhone=+33-1-24|gender=F|language=fr|"
              "unplaced=11 RELATED (a related contact given by reference)");
}

// Thunderbird: work and home web pages of its own, and the second of three
// e-mail addresses kept second.
TEST(ExporterCards, Thunderbird) {
    EXPECT_EQ(readCard("VERSION:4.0\r\n"
                       "FN:Tom Bird\r\n"
                       "N:Bird;Tom;;;\r\n"
                       "EMAIL;PREF=1:first@example.com\r\n"
                       "EMAIL:second@example.com\r\n"
                       "EMAIL:third@example.com\r\n"
                       "URL;TYPE=work:http://tb.example/work\r\n"
                       "URL;TYPE=home:http://tb.example/home\r\n"
                       "X-GENDER:Male\r\n"),
              "FirstName=Tom|LastName=Bird|Email=first@example.com|Email2=second@example.com|"
              "Email3=third@example.com|WebPage=http://tb.example/work|personalHomePage=http://tb.example/home|"
              "gender=M");
}

}  // namespace
}  // namespace tessaly
