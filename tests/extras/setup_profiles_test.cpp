// The settings dialog's profile list: the slot shifting and the active-profile
// tracking are where a profile could be lost or the wrong receiver end up active.
#include <gtest/gtest.h>

#include "extras/setup_profiles.h"

namespace {
ReceiverProfile Profile(const char* name, const char* host) {
    ReceiverProfile p = NewProfile(name);
    p.Host = host;
    return p;
}

ProfileList ThreeProfiles(int active = 0) {
    ProfileList::Slots slots;
    slots[0] = Profile("A", "10.0.0.1");
    slots[1] = Profile("B", "10.0.0.2");
    slots[2] = Profile("C", "10.0.0.3");
    slots[3].Name = "left over"; // an unusable slot as read from the file
    return ProfileList(slots, 3, active);
}
} // namespace

TEST(ProfileList, DeletingTheSecondOfThreeMovesTheThirdUpAndEmptiesTheLastSlot) {
    ProfileList list = ThreeProfiles();
    EXPECT_EQ(list.Remove(1), 0); // the previous profile is selected next
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.At(1).Name, "C");
    EXPECT_EQ(list.At(1).Host, "10.0.0.3");
    EXPECT_EQ(list.At(2).Name, "left over");
    EXPECT_TRUE(list.At(ProfileList::kSlots - 1).Name.empty());
    EXPECT_EQ(list.Remove(0), 0); // deleting the first selects the (new) first
    EXPECT_EQ(list.At(0).Name, "C");
}

TEST(ProfileList, TheLastProfileCannotBeDeletedAndOutOfRangeIndicesAreRefused) {
    ProfileList::Slots slots;
    slots[0] = Profile("only", "10.0.0.1");
    ProfileList list(slots, 1, 0);
    EXPECT_FALSE(list.CanDelete());
    EXPECT_EQ(list.Remove(0), -1);
    EXPECT_EQ(list.Count(), 1);

    ProfileList three = ThreeProfiles();
    EXPECT_EQ(three.Remove(3), -1);
    EXPECT_EQ(three.Remove(-1), -1);
    EXPECT_EQ(three.MoveUp(0), -1);
    EXPECT_EQ(three.MoveDown(2), -1);
    EXPECT_EQ(three.MoveDown(5), -1);
    EXPECT_EQ(three.Count(), 3);
}

TEST(ProfileList, MovingSwapsAllFieldsAndKeepsTheMovedProfileSelected) {
    ProfileList list = ThreeProfiles();
    list.At(2).Https = 1;
    list.At(2).WPort = 443;
    list.At(2).Pass = "secret";
    EXPECT_EQ(list.MoveUp(2), 1);
    EXPECT_EQ(list.At(1).Name, "C");
    EXPECT_EQ(list.At(1).Host, "10.0.0.3");
    EXPECT_EQ(list.At(1).Https, 1);
    EXPECT_EQ(list.At(1).WPort, 443);
    EXPECT_EQ(list.At(1).Pass, "secret");
    EXPECT_EQ(list.At(2).Name, "B");
    EXPECT_EQ(list.MoveDown(0), 1);
    EXPECT_EQ(list.At(1).Name, "A");
    EXPECT_EQ(list.At(0).Name, "C");
}

TEST(ProfileList, TheActiveProfileFollowsItsProfileThroughMovesAndDeletions) {
    ProfileList list = ThreeProfiles(/*active=*/2); // "C"
    list.MoveUp(2);
    EXPECT_EQ(list.At(list.Active()).Name, "C");
    list.MoveUp(0 + 1);
    EXPECT_EQ(list.At(list.Active()).Name, "C");
    list.Remove(2); // "B", behind the active one
    EXPECT_EQ(list.At(list.Active()).Name, "C");
    list.Remove(1); // "A", another one in front
    EXPECT_EQ(list.At(list.Active()).Name, "C");

    ProfileList deleted = ThreeProfiles(/*active=*/1);
    deleted.Remove(1); // the active one itself: fall back to the first
    EXPECT_EQ(deleted.Active(), 0);

    ProfileList outOfRange = ThreeProfiles(/*active=*/7);
    EXPECT_EQ(outOfRange.Active(), 0);
}

TEST(ProfileList, AddFillsTheExampleValuesUpToTenProfilesAndRefusesBlankNames) {
    ProfileList list = ThreeProfiles();
    EXPECT_EQ(list.Add("   "), -1);
    const int index = list.Add("Neu");
    ASSERT_EQ(index, 3);
    const ReceiverProfile& p = list.At(index);
    EXPECT_EQ(p.Name, "Neu");
    EXPECT_EQ(p.Host, "127.0.0.1");
    EXPECT_EQ(p.WPort, 80);
    EXPECT_EQ(p.User, "root");
    EXPECT_EQ(p.Pass, "tunerpwd");
    EXPECT_EQ(p.Https, 0);
    EXPECT_EQ(p.SPort, 8001);
    while (list.CanAdd())
        list.Add("x");
    EXPECT_EQ(list.Count(), ProfileList::kSlots);
    EXPECT_EQ(list.Add("eleven"), -1);
}

TEST(ProfileList, RenameRefusesBlankNamesAndIndicesBeyondTheList) {
    ProfileList list = ThreeProfiles();
    EXPECT_TRUE(list.Rename(1, "Wohnzimmer"));
    EXPECT_EQ(list.At(1).Name, "Wohnzimmer");
    EXPECT_FALSE(list.Rename(1, ""));
    EXPECT_FALSE(list.Rename(3, "beyond"));
    EXPECT_EQ(list.At(3).Name, "left over");
}

TEST(ProfileFields, HttpsSwitchOverwritesATypedWebPort) {
    ReceiverProfile p = NewProfile("x");
    p.WPort = 8080;
    SetHttps(p, true);
    EXPECT_EQ(p.WPort, 443);
    EXPECT_EQ(p.Https, 1);
    p.WPort = 8443;
    SetHttps(p, false);
    EXPECT_EQ(p.WPort, 80);
    EXPECT_EQ(p.Https, 0);
}

TEST(ProfileFields, PortTextsNeverTurnGarbageIntoAPort) {
    EXPECT_EQ(PortFromText(""), 0);
    EXPECT_EQ(PortFromText("  "), 0);
    EXPECT_EQ(PortFromText("8001"), 8001);
    EXPECT_EQ(PortFromText(" 80 "), 80);
    EXPECT_EQ(PortFromText("80a"), -1);
    EXPECT_EQ(PortFromText("-5"), -1);
    EXPECT_EQ(PortFromText("0x50"), -1);
    EXPECT_EQ(PortToText(0), "");
    EXPECT_EQ(PortToText(8001), "8001");
}
