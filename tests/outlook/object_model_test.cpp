// The object model as an automation client meets it: each member fails on its
// own, with a cause, and the calls after it still work.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>

#include "outlook/contact_item_writer.h"
#include "outlook/session.h"
#include "support/test_files.h"
#include "support/written_stores.h"

namespace tessaly::outlook {
namespace {

constexpr auto failureOf = &testing::thrownMessage<AutomationError>;

class ObjectModel : public ::testing::Test {
protected:
    void SetUp() override {
        session.Logon();
        store = session.Stores().AddPSTStore((dir.path() / "store.pst").string(), 1, "Store");
        store->ValidateIPMTree();
    }
    std::shared_ptr<ContactItem> newContact() { return store->GetDefaultFolder(10)->Items()->Add(2); }

    testing::TempDir dir;
    Session session{testing::fixedOptions()};
    std::shared_ptr<Store> store;
};

TEST_F(ObjectModel, TheStoreIsFoundByItsIdInAnyLetterCaseAndAnUnknownIdFailsAlone) {
    EXPECT_EQ(store->EntryID().size(), 40u);
    EXPECT_EQ(session.GetStoreFromID(store->EntryID()), store);
    std::string lower = store->EntryID();
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_EQ(session.GetStoreFromID(lower), store);
    EXPECT_EQ(failureOf([&] { session.GetStoreFromID("00"); }), "no store of this session has the id '00'");
    EXPECT_EQ(failureOf([&] { store->GetDefaultFolder(99); }), "there is no default folder of type 99");
    EXPECT_EQ(failureOf([&] { store->GetDefaultFolder(10)->Items()->Add(0); }),
              "items of type 0 are not supported; contacts (2) are");
    EXPECT_EQ(failureOf([&] { session.Stores().AddPSTStore((dir.path() / "x.pst").string(), 2, "X"); }),
              "store format 2 is not supported");
    Session loggedOff;
    EXPECT_EQ(failureOf([&] { loggedOff.Stores(); }), "the session is not logged on");
}

TEST_F(ObjectModel, ARefusedValueOrAMissingPictureCostsOnlyThatCall) {
    const auto item = newContact();
    const std::string missing = (dir.path() / "missing.gif").string();
    const std::pair<std::function<void()>, std::string> refused[] = {
        {[&] { item->setProperty("ShoeSize", std::string("44")); }, "a contact item has no property 'ShoeSize'"},
        {[&] { item->setProperty("FirstName", AutomationDate{30000}); }, "the property FirstName takes text"},
        {[&] { item->setProperty("Birthday", std::string("1990-01-01")); }, "the property Birthday takes a date"},
        {[&] { item->setProperty("Birthday", AutomationDate{-200000}); },
         "the property Birthday takes a date from 1601 to 9999"},
        {[&] { item->setProperty("Anniversary", AutomationDate{std::nan("")}); },
         "the property Anniversary takes a date from 1601 to 9999"},
        {[&] { item->setProperty("SelectedMailingAddress", std::string("4")); },
         "SelectedMailingAddress takes 1 (home), 2 (business), 3 (other) or empty text, not '4'"},
        {[&] { item->setProperty("Gender", std::string("F")); },
         "Gender takes 0 (unspecified), 1 (female), 2 (male) or empty text, not 'F'"},
        {[&] { item->setProperty("Sensitivity", std::string("9")); },
         "Sensitivity takes 0 (normal), 1 (personal), 2 (private), 3 (confidential) or empty text, not '9'"},
        {[&] { item->AddPicture(missing); },
         "the picture file " + missing + " cannot be read: No such file or directory"},
        {[&] { item->AddPicture(dir.path().string()); },
         "the picture file " + dir.path().string() + " cannot be read: Is a directory"},
    };
    for (const auto& [call, message] : refused) EXPECT_EQ(failureOf(call), message);
    item->setProperty("firstname", std::string("Ada"));  // names in any letter case
    // A name read again from the same place is read as it is now.
    std::string name = "LastName";
    item->setProperty(name, std::string("Lovelace"));
    name.replace(0, name.size(), "Suffix  ", 6);
    item->setProperty(name, std::string("Jr"));
    EXPECT_EQ(item->content()[ContactField::LastName], "Lovelace");
    EXPECT_EQ(item->content()[ContactField::Suffix], "Jr");
    item->AddPicture("");                                // no picture: nothing to do
    item->SetPicture("");
    EXPECT_EQ(item->content()[ContactField::FirstName], "Ada");
    EXPECT_FALSE(item->content().picture);
    item->SetPicture("GIF89a picture");
    ASSERT_TRUE(item->content().picture);
    EXPECT_EQ(item->content().picture->mimeType, "image/gif");
    item->Save();
    // The fields stay readable once the store has them.
    EXPECT_EQ(item->content()[ContactField::FirstName], "Ada");
    EXPECT_EQ(item->content().picture->mimeType, "image/gif");
    EXPECT_EQ(failureOf([&] { item->Save(); }), "the contact is saved already");
    session.Logoff();
    EXPECT_EQ(failureOf([&] { newContact(); }), "the store is closed: its session was logged off");
    testing::expectValidPst(dir.path() / "store.pst");
}

// An item that could not be made fails every later statement: the cause of the
// failed save is the first failure, not the last.
TEST_F(ObjectModel, AContactNotSavedIsReportedWithItsFirstFailure) {
    ContactRecord record;
    record.eContact_FirstName = "Ada";
    record.eContact_BirthDay = 30000;
    const ContactItemOutcome outcome = CreateContactItem(session, store->EntryID(), 99, record);
    EXPECT_FALSE(outcome.saved);
    EXPECT_EQ(outcome.failures.back(), "Save: there is no item");
    EXPECT_EQ(notSavedCause(outcome), "Add: there is no default folder of type 99");
    // Empty fields too: a statement is spared only where there is an item.
    EXPECT_NE(std::find(outcome.failures.begin(), outcome.failures.end(), "MiddleName: there is no item"),
              outcome.failures.end());
}

TEST_F(ObjectModel, AStoreIsNeverWrittenOverAnExistingFile) {
    const auto taken = dir.write("taken.pst", "someone's file");
    EXPECT_EQ(failureOf([&] { session.Stores().AddPSTStore(taken.string(), 1, "X"); }),
              taken.string() + ": a file of this name already exists; it is left as it is");
    EXPECT_EQ(testing::readFile(taken), "someone's file");
}

}  // namespace
}  // namespace tessaly::outlook
