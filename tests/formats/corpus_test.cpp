// Every real file of the shared corpus, of each text format, goes through read -> write ->
// read and must come back the same and read as complete; cut short, it must read as
// incomplete. Skipped where the corpus is not present.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "formats/keyfile.h"
#include "formats/model3do.h"
#include "formats/puppet.h"
#include "model/model.h"
#include "support/model_compare.h"
#include "test_util.h"

using namespace orv;
namespace fs = std::filesystem;

namespace {

struct Format {
    std::string ext;
    std::function<ReadStatus(CModel&, const std::string&)> read;
    std::function<std::string(CModel&, const std::string& name)> write;
    std::function<void(const CModel&, const CModel&)> expectSame;
    // The last byte a cut may end before and still be told (0: no cuts are tried).
    std::function<std::size_t(const std::string&)> lastCut;
};

const Format kFormats[] = {
    {".3do",
     [](CModel& m, const std::string& text) {
         TextBuffer buffer(text);
         const ReadStatus s = Read3do(m, buffer);
         BuildFaceCorners(m);
         return s;
     },
     [](CModel& m, const std::string& name) { return Format3do(m, name); },
     [](const CModel& a, const CModel& b) {
         EXPECT_GT(CountFaces(a), 0u);
         orvtest::ExpectSameModel(a, b);
     },
     // Keeping everything but the final LF loses nothing.
     [](const std::string& text) { return text.size() - 2; }},
    {".key",
     [](CModel& m, const std::string& text) {
         TextBuffer buffer(text);
         KeyframeRead read = ReadKey(m, buffer);
         m.keyframe = std::move(read.keyframe);
         return read.status;
     },
     [](const CModel& m, const std::string& name) { return FormatKey(*m.keyframe, m.keyframe->joints, name); },
     [](const CModel& a, const CModel& b) {
         EXPECT_FALSE(a.keyframe->nodes.empty());
         EXPECT_EQ(a.keyframe->joints, b.keyframe->joints);
         orvtest::ExpectSameKeyframe(*a.keyframe, *b.keyframe);
     },
     // A keyframe may end without a line end: a cut inside the last number cannot be told.
     [](const std::string& text) { return text.find_last_of(" \t", text.find_last_not_of(" \t\r\n")) + 1; }},
    {".pup",
     [](CModel& m, const std::string& text) {
         TextBuffer buffer(text);
         return ReadPup(m, buffer);
     },
     [](const CModel& m, const std::string& name) { return FormatPup(m, name); },
     [](const CModel& a, const CModel& b) {
         EXPECT_FALSE(a.puppetJoints.empty());  // every corpus puppet has joints
         orvtest::ExpectSamePuppet(a, b);
     },
     nullptr},
};

}  // namespace

TEST(Corpus, FilesSurviveReadWriteReadAndEveryCutIsReported)
{
    std::size_t files = 0;
    for (const Format& format : kFormats)
        for (const fs::path& f : orvtest::CorpusFiles(format.ext.substr(1), format.ext)) {
            SCOPED_TRACE(f.string());
            ++files;
            const std::string text = orvtest::SlurpText(f), name = f.filename().string();
            CModel first, second;
            const ReadStatus s = format.read(first, text);
            EXPECT_TRUE(s.recognised);
            EXPECT_TRUE(s.complete) << s.missing;
            const std::string written = format.write(first, name);
            EXPECT_TRUE(format.read(second, written).complete);
            format.expectSame(first, second);
            // A second round changes nothing.
            EXPECT_EQ(format.write(second, name), written);

            // Cut short, as a failed copy or download leaves a file: about fifty cuts a
            // file, and some near the end.
            if (!format.lastCut)
                continue;
            const std::size_t last = format.lastCut(text);
            std::vector<std::size_t> cuts;
            for (std::size_t n = 0; n <= last; n += std::max<std::size_t>(1, last / 50))
                cuts.push_back(n);
            for (std::size_t back : {0, 1, 8, 40})
                if (back <= last)
                    cuts.push_back(last - back);
            for (std::size_t n : cuts) {
                CModel m;
                const ReadStatus cut = format.read(m, text.substr(0, n));
                EXPECT_FALSE(cut.complete) << "cut at " << n;
                EXPECT_NE(cut.missing, "") << "cut at " << n;
            }
        }
    if (files == 0)
        GTEST_SKIP() << "no corpus on this machine";
}
