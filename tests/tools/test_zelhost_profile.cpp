// zelhost's own pieces that the end-to-end runs reach only through their
// effects: the profile format and the JSON writer.
#include <gtest/gtest.h>

#include "json.h"
#include "profile.h"

namespace zelhost {
namespace {

std::u16string Field(const WCHAR* field) { return std::u16string(field); }

TEST(ZelhostProfile, BuiltinsParseFillTheSettingsAndSurviveTheirOwnText) {
    for (const std::string& name : BuiltinProfileNames()) {
        std::string error;
        const std::optional<Profile> profile = ParseProfile(BuiltinProfileText(name), name, error);
        ASSERT_TRUE(profile) << error;
        EXPECT_EQ(profile->name, name);
        // The text a profile writes of itself (what the player keeps) reads back the same.
        const std::optional<Profile> again = ParseProfile(profile->ToText(), "saved", error);
        ASSERT_TRUE(again) << error << "\n" << profile->ToText();
        EXPECT_EQ(again->ToText(), profile->ToText());
        EXPECT_EQ(again->capabilities, profile->capabilities);
        EXPECT_EQ(again->folders, profile->folders);
    }

    std::string error;
    const std::optional<Profile> xpl = ParseProfile(BuiltinProfileText("xpl-db"), "xpl-db", error);
    ASSERT_TRUE(xpl);
    EXPECT_TRUE(xpl->UsesDatabase());
    tagDeviceSettings settings{};
    settings.FreeMB = 77;  // everything the host does not supply starts from zero
    xpl->FillSettings(settings);
    EXPECT_EQ(settings.FreeMB, 0u);
    EXPECT_EQ(Field(settings.DBLibraryPath), u"E:\\System\\ZELPlayerDB.dll");
    EXPECT_EQ(Field(settings.Folders[2]), u"Photo");

    const std::optional<Profile> plp = ParseProfile(BuiltinProfileText("plp-plain"), "plp-plain", error);
    ASSERT_TRUE(plp);
    EXPECT_FALSE(plp->UsesDatabase());
}

TEST(ZelhostProfile, EveryFieldHasItsSyntaxAndFaultsNameTheLine) {
    std::string error;
    const std::optional<Profile> custom = ParseProfile(
        "# a player of my own\n"
        "Drive = f\n"
        "model = Pocket 2\n"
        "product-id = 0x1234\n"
        "player-type = 7\n"
        "capabilities = image | 0x100, lyrics+0x40000\n"
        "extensions = mp3.jpg.txt\n"
        "folder.music = /Audio/Songs/\n"
        "folder.6 = Radio\n"
        "folder.video = \\ Clips / \n"
        "album-art = 96 x 64\n"
        "use-player-library = YES\n"
        "special = Audio\\Songs\n",
        "mine", error);
    ASSERT_TRUE(custom) << error;
    EXPECT_TRUE(custom->drive == u'F' && custom->model == u"Pocket 2" && custom->productId == 0x1234 &&
                custom->playerType == 7u);
    EXPECT_EQ(custom->capabilities, ZEL_CAP_IMAGE | ZEL_CAP_TEXT | ZEL_CAP_LYRICS | ZEL_CAP_BROADCAST);
    EXPECT_EQ(custom->extensions, u"MP3.JPG.TXT");
    EXPECT_EQ(custom->folders[0], u"Audio\\Songs");
    EXPECT_EQ(custom->folders[6], u"Radio");
    // Blanks beside the separators go with them, so the saved profile reads back the same.
    EXPECT_EQ(custom->folders[1], u"Clips");
    EXPECT_EQ(ParseProfile(custom->ToText(), "again", error)->ToText(), custom->ToText());
    EXPECT_TRUE(custom->albumArtWidth == 96u && custom->albumArtHeight == 64u && custom->usePlayerLibrary);
    ASSERT_EQ(custom->specialFolders.size(), 1u);
    EXPECT_TRUE(ParseProfile(custom->ToText(), "again", error)->usePlayerLibrary);
    EXPECT_EQ(CapabilityNames(custom->capabilities),
              (std::vector<std::string>{"lyrics", "image", "text", "broadcast"}));
    EXPECT_EQ(CapabilityNames(0x40000000), std::vector<std::string>{"0x40000000"});

    struct Fault {
        const char* text;
        const char* expected;
    };
    const Fault faults[] = {
        {"model = x\ncolour = red\n", "line 2: unknown key 'colour'"},
        {"just words\n", "line 1: expected"},
        {"capabilities = image sparkle\n", "unknown capability 'sparkle'"},
        {"drive = EF\n", "drive must be one letter"},
        {"product-id = 0x10000\n", "16-bit"},
        {"player-type = dvd\n", "player-type"},
        {"album-art = big\n", "album-art"},
        {"use-player-library = maybe\n", "yes or no"},
        {"folder.10 = x\n", "unknown folder"},
        {"model = A model name far too long\n", "longer than 19"},
        {"capabilities = database\n", "needs a 'database' path"},
        {"special=a\nspecial=b\nspecial=c\nspecial=d\nspecial=e\nspecial=f\nspecial=g\n", "line 7: at most 6"},
    };
    for (const Fault& fault : faults) {
        error.clear();
        EXPECT_FALSE(ParseProfile(fault.text, "bad", error)) << fault.text;
        EXPECT_NE(error.find(fault.expected), std::string::npos) << fault.text << " gave: " << error;
    }
    // A PLP player never uses a database, so it needs no library path.
    EXPECT_TRUE(ParseProfile("player-type = plp\ncapabilities = database\n", "plp", error)) << error;
}

TEST(ZelhostJson, EscapesTextAndNestsInOrder) {
    Json root = Json::Object();
    root.Set("name", "say \"hi\"\\\n\t\x01 ü");
    root.Set("count", 3u);
    root.Set("none", Json());
    Json& list = root.Set("list", Json::Array());
    list.Push(true);
    list.Push(Json::Object());
    root.Set("empty", Json::Array());
    EXPECT_EQ(root.Dump(),
              "{\n"
              "  \"name\": \"say \\\"hi\\\"\\\\\\n\\t\\u0001 ü\",\n"
              "  \"count\": 3,\n"
              "  \"none\": null,\n"
              "  \"list\": [\n"
              "    true,\n"
              "    {}\n"
              "  ],\n"
              "  \"empty\": []\n"
              "}\n");
}

}  // namespace
}  // namespace zelhost
