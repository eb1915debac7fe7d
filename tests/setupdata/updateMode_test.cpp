// updateMode_test.cpp -- the folder and group an update proposes, from a temporary registry store.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "main/u_setupRessource.h"
#include "tests/setupdata/setupFixture.h"

namespace {

std::vector<uint8_t> UpdateData(uint32_t previousVersion) {
    FixtureProduct fixture;
    fixture.product.header.previousVersion = previousVersion;
    return fixture.Build();
}

TEST(UpdateModeTest, ProposesTheRecordedFolder) {
    const std::string longest = "/games/" + std::string(248, 'u');
    const std::string tooLong = longest + "x";
    ASSERT_EQ(255u, longest.size());
    const std::string fallback = "/srv/programs/Fixture Game";
    const struct {
        const char* name;
        std::string currentUser; // empty: no record
        std::string localMachine;
        std::string proposed;
    } cases[] = {
        {"both roots: the current user's record wins", "/games/user", "/games/machine", "/games/user"},
        {"only the machine's record", "", "/games/machine", "/games/machine"},
        {"255 characters are used whole", longest, "", longest},
        {"256 characters count as absent", tooLong, "/games/machine", "/games/machine"},
        {"256 characters and no other record", tooLong, "", fallback},
        {"no record: Program Files and the default folder", "", "", fallback},
    };
    for (const auto& c : cases) {
        RegistryScope registry;
        if (!c.currentUser.empty())
            registry.Record(HKEY_CURRENT_USER, c.currentUser);
        if (!c.localMachine.empty())
            registry.Record(HKEY_LOCAL_MACHINE, c.localMachine);
        LoadedData loaded(UpdateData(1239));
        ASSERT_TRUE(loaded.loaded) << c.name;
        EXPECT_EQ(c.proposed, gRessource.GetString(1)) << c.name;
        EXPECT_STREQ("", gRessource.GetString(3)) << c.name;
        EXPECT_STREQ("Fixture Game", gRessource.GetString(2)) << c.name;
    }
}

TEST(UpdateModeTest, FreshInstallKeepsTheDataDefaults) {
    RegistryScope registry;
    registry.Record(HKEY_CURRENT_USER, "/games/user");
    LoadedData loaded(UpdateData(0));
    ASSERT_TRUE(loaded.loaded);
    EXPECT_STREQ("\\Fixture Game", gRessource.GetString(1));
    EXPECT_STREQ("Fixture Group", gRessource.GetString(3));
}

} // namespace
