#include <gtest/gtest.h>

#include "model/options_input.h"

using namespace orv;

TEST(OptionsInput, NumbersInTheirRangesAreTakenTheFirstOtherRefusedWithItsMessage)
{
    const std::string rate = "Enter a whole number between 1 and 100 for the frame rate.";
    const std::string size = "Enter a number between 0.00125 and 0.1 for the vertex size.";
    const struct {
        const char *rate, *size;
        std::string refused;
    } cases[] = {{"1", "0.00125", ""},  {" +100\t", "0.1 ", ""}, {"0", "0.2", rate}, {"101", "0.01", rate},
                 {"2.5", "0.01", rate}, {"abc", "0.01", rate},   {"1", "0.2", size}, {"1", "0.001", size},
                 {"1", "0.01x", size},  {"1", "", size}};
    for (const auto& c : cases) {
        const auto read = ReadOptionsNumbers(c.rate, c.size);
        const auto* refused = std::get_if<OptionsRefusal>(&read);
        EXPECT_EQ(refused ? refused->message : "", c.refused) << c.rate << " / " << c.size;
        EXPECT_EQ(refused && refused->field == OptionsRefusal::Field::VertexSize, c.refused == size);
    }
    const auto n = std::get<OptionsNumbers>(ReadOptionsNumbers("7", "0.00125"));
    EXPECT_EQ(std::pair(n.frameRate, n.vertexScaling), std::pair(7, 0.00125f));
}

TEST(OptionsInput, AnotherColormapOrResourceListAsksForNewTexturesAndBackupMinutesFollowTheBox)
{
    // The stored colormap "DFLT.CMP" and list {"/a"}; an empty name: none chosen.
    const struct {
        const char *colorMap, *stored;
        std::vector<std::string> resources;
        bool redraw;
    } cases[] = {{"dflt.cmp", "DFLT.CMP", {"/a"}, false},
                 {"", "DFLT.CMP", {"/a"}, false},
                 {"01redmap.cmp", "01redmap.cmp", {"/a"}, true},
                 {"dflt.cmp", "DFLT.CMP", {"/b", "/a"}, true}};
    for (const auto& c : cases) {
        Settings s{.colorMap = "DFLT.CMP", .resources = {"/a"}};
        EXPECT_EQ(TakeColorMapAndResources(s, c.colorMap, c.resources), c.redraw) << c.colorMap;
        EXPECT_EQ(std::pair(s.colorMap, s.resources), std::pair(std::string(c.stored), c.resources));
    }
    EXPECT_EQ(std::tuple(BackupMinutesWhenToggled(true, 0), BackupMinutesWhenToggled(true, 3),
                         BackupMinutesWhenToggled(false, 3)),
              std::tuple(10, 3, 0));
}
