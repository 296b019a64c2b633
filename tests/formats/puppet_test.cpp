#include <gtest/gtest.h>

#include <tuple>

#include "formats/puppet.h"
#include "model/model.h"
#include "support/model_compare.h"

using namespace orv;
using orvtest::CrLf;

namespace {

// Names and flags in mixed forms, comments after sub-modes and on lines of their own, a
// mode without sub-modes, and a mode after the joints section that is not read.
std::string Sample() { return orvtest::FixtureText("pup", "modes_comments_and_joints.pup"); }

ReadStatus ReadText(CModel& model, const std::string& text)
{
    TextBuffer buffer(text);
    return ReadPup(model, buffer);
}

}  // namespace

TEST(Pup, ReadsModesSubModesAndJointsAndWritesThemInTheFixedLayout)
{
    for (const std::string& text : {Sample(), CrLf(Sample())}) {
        CModel m;
        m.puppetModes.push_back(CPuppetMode());  // replaced
        ReadText(m, text);
        // Names lower-cased, flags in hex with or without "0x", the last comment line of a
        // mode as its comment, mode 1 kept without sub-modes, the joint lines as they are
        // and nothing after the section.
        const std::string out = FormatPup(m, "actor.pup");
        orvtest::ExpectSameAsFixture("pup", "modes_comments_and_joints_written.pup", out);
        CModel back;
        ReadText(back, out);
        orvtest::ExpectSamePuppet(back, m);
    }
}

// A last line without its line end is not read (mode 2, cut inside its only sub-mode
// line, is left without sub-modes); "end" ends the read; a joints section may come before
// any mode (a puppet used only for its joints); names hold at most 63 characters, as the
// format's fields allow. Each read replaces what the one before left. What the read said
// of the text heads each: whether it was a puppet file and what was missing.
TEST(ReadPup, StopsWhereTheTextStops)
{
    CModel m;
    for (const char* name : {"last_line_unterminated.pup", "end_before_modes.pup", "joints_before_modes.pup",
                             "names_past_63_characters.pup", "joints_end_missing.pup", "joint_line_unterminated.pup",
                             "no_modes.pup", "mode_without_submodes.pup"}) {
        const ReadStatus st = ReadText(m, orvtest::FixtureText("pup", name));
        const std::string said = std::string(st.recognised ? "# a puppet file" : "# no puppet file") +
                                 (st.complete ? ", whole" : ": " + st.missing) + "\r\n";
        orvtest::ExpectSameAsFixture("expected", std::string("read_") + name, said + FormatPup(m, name));
    }
}

// A file is a puppet file when it has a mode line or a joints section, however empty; it
// is whole unless it ends in a line without its line end (which is not read) or inside
// the joints section.
TEST(ReadPup, SaysWhetherTheTextWasAPuppetFileAndWhetherItEndedEarly)
{
    const std::string modes = "Mode=0\r\nstand\ta.key\t0\t0\t0\r\n";
    for (const std::string& text :
         {modes, modes + "# a last comment", modes + "joints\r\n0=1\r\nend", modes + "joints\r\n0=1\r\nend\r\n  \r\n",
          std::string("# blank puppet\r\njoints\r\n0=1\r\nend\r\n"), std::string("# blank puppet\r\nJOINTS\r\nend\r\n"),
          std::string("Mode=3\r\n")}) {
        CModel m;
        const ReadStatus st = ReadText(m, text);
        EXPECT_EQ(std::tie(st.recognised, st.complete, st.missing), std::make_tuple(true, true, std::string())) << text;
        // Written, a whole puppet reads as it was, one of joints alone too.
        CModel again;
        const ReadStatus back = ReadText(again, FormatPup(m, "a.pup"));
        EXPECT_TRUE(back.recognised && back.complete) << text;
        orvtest::ExpectSamePuppet(again, m);
    }
}

// An empty puppet is written to a file like any other; a folder that is not there is
// reported.
TEST(Pup, EmptyPuppetsAreWrittenLikeAnyOther)
{
    orvtest::TempDir dir;
    EXPECT_TRUE(orvtest::Ok(WritePup(CModel(), dir / "a.pup")));
    EXPECT_NE(WritePup(CModel(), dir / "no" / "a.pup").error(), "");
}
