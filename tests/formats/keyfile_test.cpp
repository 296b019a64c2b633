#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "formats/keyfile.h"
#include "model/model.h"
#include "support/model_compare.h"

using namespace orv;
using orvtest::CrLf;

namespace {

// One node of two entries, upper-case hex, comment lines and a TAB in a marker line.
std::string Sample() { return orvtest::FixtureText("key", "one_node_two_entries.key"); }

KeyframeRead ReadText(CModel& model, const std::string& text)
{
    TextBuffer buffer(text);
    return ReadKey(model, buffer);
}

}  // namespace

TEST(Key, ReadsTheSampleAndWritesItInTheFixedLayoutWithTheModelsJointCount)
{
    for (const std::string& text : {Sample(), CrLf(Sample())}) {
        CModel m;
        auto [k, s] = ReadText(m, text);
        EXPECT_EQ(std::tie(s.recognised, s.complete, k.joints, m.frameCount), std::make_tuple(true, true, 7, 20));
        EXPECT_FLOAT_EQ(m.frameTime, 0.08f);
        ASSERT_EQ(k.nodes.size(), 1u);
        ASSERT_EQ(k.nodes[0].entries.size(), 2u);

        // JOINTS is the model's node count, not the one read; places and turns go back
        // in the file's order of axes.
        orvtest::ExpectSameAsFixture("key", "one_node_two_entries_written.key", FormatKey(k, 3, "walk.key"));

        // Through a file everything reads back.
        m.nodes.resize(3);
        m.keyframe = std::move(k);
        orvtest::TempDir dir;
        ASSERT_TRUE(orvtest::Ok(WriteKey(m, dir / "walk.key")));
        CModel back;
        const auto read = LoadKeyFile(dir / "walk.key", back);
        ASSERT_TRUE(orvtest::Ok(read));
        const auto& again = read->keyframe;
        EXPECT_EQ(std::tie(again.joints, again.name), std::make_tuple(3, std::string("walk.key")));
        orvtest::ExpectSameKeyframe(again, *m.keyframe);

        m.keyframe.reset();
        EXPECT_FALSE(WriteKey(m, dir.path / "none.key"));
    }
}

TEST(ReadKey, MalformedInputNeverCrashes)
{
    const std::string full = CrLf(Sample());
    // A cut is reported wherever it falls, up to the last number of the last line (a file
    // may end without a line end, so a cut inside that number cannot be told).
    const std::size_t lastNumber = full.find_last_of(' ', full.size() - 3) + 1;
    for (std::size_t n = 0; n < full.size(); ++n) {
        CModel m;
        auto [k, s] = ReadText(m, full.substr(0, n));
        EXPECT_LE(k.nodes.size(), 1u);
        if (n <= lastNumber) {
            EXPECT_FALSE(s.complete) << n;
            EXPECT_FALSE(s.missing.empty()) << n;
        }
        ComputeKeyDeltas(k);
        EXPECT_NE(FormatKey(k, 1, "t.key").find("SECTION: KEYFRAME NODES"), std::string::npos) << n;
    }

    CModel m;
    auto [k, s] = ReadText(m, orvtest::FixtureText("key", "counts_at_int_limits.key"));
    EXPECT_FALSE(s.complete);
    ASSERT_EQ(k.nodes.size(), 1u);
    EXPECT_EQ(k.nodes[0].entries.size(), 2u);
    ComputeKeyDeltas(k);  // frame differences beyond 32 bits
    for (const auto& e : k.nodes[0].entries)
        EXPECT_TRUE(std::isfinite(e.deltaPosition.x) && std::isfinite(e.deltaRotation.y));
}

// A header that cannot be played by and values that are no numbers make the file
// damaged: each is read as something sound and named, and what is written from it reads
// back whole. Marker sections with the count after the section name, a count larger than
// the rows present (said), or no count line at all give the markers there are, and the
// node after them.
TEST(ReadKey, UnplayableHeadersValuesThatAreNoNumbersAndMarkerVariantsAreReadSoundly)
{
    // Each damage by its name, and what is read: the report, the rate, the frames, the
    // markers and the nodes.
    const std::string full = Sample();
    std::vector<std::pair<std::string, std::string>> cases = {
        {"no header", full.substr(full.find("SECTION: KEYFRAME NODES"))}};
    for (const char* file : {"fps_frames_zero_values_nan.key", "markers_count_on_section_line.key",
                             "markers_count_past_rows.key", "markers_count_line_missing.key"})
        cases.emplace_back(file, orvtest::FixtureText("key", file));
    for (const auto& [from, to] : {std::pair{"FPS    12.500", "FPS    0"},
                                   {"FPS    12.500", "FPS    -2"},
                                   {"FPS    12.500", "FPS    nan"},
                                   {"FRAMES 20", "FRAMES 0"},
                                   {"FRAMES 20", "FRAMES -4"},
                                   {"FRAMES 20", "FRAMES "},
                                   {"-4.00000000   5.00000000", "-4.00000000   nan"},
                                   {"5.000000 1", "inf 1"}})
        cases.emplace_back(to, orvtest::Replaced(full, from, to));
    std::string report;
    for (const auto& [name, text] : cases) {
        SCOPED_TRACE(name);
        CModel m;
        auto [k, s] = ReadText(m, text);
        report += name + (s.complete ? ", complete" : "") + (s.damaged ? ", damaged" : "") + ": FPS " +
                  std::to_string(k.fps) + ", FRAMES " + std::to_string(k.frames) + ", the model's " +
                  std::to_string(m.frameCount) + ", " + std::to_string(k.markers.size()) + " markers, nodes:";
        for (const auto& node : k.nodes)
            report += " " + node.meshName;
        report += s.missing.empty() ? "\n" : "\n  " + s.missing + "\n";
        EXPECT_FLOAT_EQ(m.frameTime, 1.0f / k.fps);
        const ReadStatus again = ReadText(m, FormatKey(k, 1, "k.key")).status;
        EXPECT_TRUE(again.complete) << again.missing;
    }
    orvtest::ExpectSameAsFixture("expected", "readkey_damaged.txt", report);
}

TEST(ReadKey, SaysWhatAFileThatEndsEarlyLacks)
{
    const std::string full = Sample();
    // The whole text without its last line end is complete: the game's own files end so.
    std::vector<std::pair<std::string, std::string>> cuts = {
        {"the whole but its last line end", full.substr(0, full.size() - 1)},
        {"cut inside the last line", full.substr(0, full.rfind("0.00000000 "))},
        {"cut before NODES 1, then NODES", full.substr(0, full.find("NODES 1")) + "NODES "},
        {"NODES 2", orvtest::Replaced(full, "NODES 1", "NODES 2")},
    };
    for (const char* at : {"FPS", "SECTION: KEYFRAME", "NODES 1", "ENTRIES", "   1:       10"})
        cuts.emplace_back(std::string("cut before ") + at, full.substr(0, full.find(at)));
    std::string report;
    for (const auto& [name, text] : cuts) {
        CModel m;
        const ReadStatus s = ReadText(m, text).status;
        report += name + (s.complete ? ", complete\n" : ":\n  " + s.missing + "\n");
    }
    orvtest::ExpectSameAsFixture("expected", "readkey_cut.txt", report);
}

TEST(ComputeKeyDeltas, PairsEachEntryWithTheNextAndWrapsAngles)
{
    CModel m;
    auto [k, s] = ReadText(m, orvtest::FixtureText("key", "deltas_wrap_pair_and_stand_alone.key"));
    ASSERT_TRUE(s.complete) << s.missing;
    ComputeKeyDeltas(k);
    const auto &a = k.nodes[0].entries, &b = k.nodes[1].entries, &c = k.nodes[2].entries;
    EXPECT_EQ(a[0].deltaPosition, Vec3(1, -2, 0.5f));
    EXPECT_FLOAT_EQ(a[0].deltaRotation.x, -34.0f);  // pitch 170 -> 190
    EXPECT_FLOAT_EQ(a[0].deltaRotation.y, -34.0f);  // roll 170 -> 190
    EXPECT_FLOAT_EQ(a[0].deltaRotation.z, -35.0f);  // yaw 170 -> 180 wraps
    // The last pairs with the first: span 0 - 10 + 20 = 10.
    EXPECT_EQ(a[1].deltaPosition, Vec3(-1, 2, -0.5f));
    EXPECT_FLOAT_EQ(a[1].deltaRotation.x, 34.0f);   // 190 -> 170 comes back the short way
    EXPECT_FLOAT_EQ(a[1].deltaRotation.z, -1.0f);   // 180 -> 170: neither side above 180
    EXPECT_FLOAT_EQ(b[0].deltaRotation.x, 1.0f);    // pitch to exactly 180
    EXPECT_FLOAT_EQ(b[0].deltaRotation.y, -35.0f);  // roll to exactly 180
    EXPECT_EQ(c[0].deltaPosition, Vec3());          // one frame apart
    EXPECT_FLOAT_EQ(c[1].deltaRotation.x, (350.0f - 10.0f - 360.0f) / 19.0f);
    EXPECT_EQ(k.nodes[3].entries[0].deltaPosition, Vec3());  // alone: pairs with itself
}

TEST(SaveKeyframe, RefusesNodesWithoutOrBeyondFramesAndCreateEmptyReplacesTheKeyframe)
{
    orvtest::TempDir dir;
    CModel m;
    m.keyframe = CKeyframe();
    CKeyframe& k = *m.keyframe;
    k.frames = 10;
    // Each entry's num, frame, flags, position, rotation and their deltas.
    k.nodes = {{"hip", {{0, 0, 0, {0, 0, 0}, {}, {}, {}}, {1, 5, 0, {5, 0, 0}, {}, {}, {}}}}, {"knee", {}}};
    CKeyframeNode& b = k.nodes[1];

    const auto path = dir.path / "k.key";
    EXPECT_EQ(SaveKeyframe(m, path).error(), "Cannot save keyfile, since node \"knee\" has no frames.");
    b.entries.push_back({0, 10, 0, {}, {}, {}, {}});
    EXPECT_EQ(SaveKeyframe(m, path).error(), "Cannot save keyfile, since node \"knee\" has wrong frame.");
    EXPECT_FALSE(std::filesystem::exists(path));

    b.entries[0].frame = 9;
    EXPECT_TRUE(orvtest::Ok(SaveKeyframe(m, path)));
    EXPECT_EQ(k.nodes[0].entries[0].deltaPosition, Vec3(1, 0, 0));  // deltas computed before writing
    EXPECT_NE(SaveKeyframe(m, dir.path / "no" / "k.key").error().find("k.key"), std::string::npos);

    // A new empty keyframe replaces this one and is written at once; with no entries, no
    // frames is right.
    ASSERT_TRUE(orvtest::Ok(CreateEmptyKeyframe(m, "new.key", dir / "new.key")));
    EXPECT_EQ(m.keyframe.value_or(CKeyframe()).name, "new.key");
    orvtest::ExpectSameAsFixture("expected", "create_empty.key", orvtest::SlurpText(dir / "new.key"));
    CModel back;
    EXPECT_TRUE(LoadKeyFile(dir / "new.key", back).value_or(KeyframeRead()).status.complete);
}
