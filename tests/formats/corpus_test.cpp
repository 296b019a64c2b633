// Every real file of the shared corpus goes through read -> write -> read and must come
// back as the same model, and reads as complete; cut short, it must read as incomplete.
// Skipped where the corpus is not present.
#include <gtest/gtest.h>

#include <algorithm>

#include "formats/keyfile.h"
#include "formats/model3do.h"
#include "formats/puppet.h"
#include "model/model.h"
#include "support/model_compare.h"
#include "test_util.h"

using namespace orv;
namespace fs = std::filesystem;

namespace {

std::vector<fs::path> Files(const std::string& sub, const std::string& ext)
{
    std::vector<fs::path> out;
    const fs::path dir = orvtest::CorpusDir(sub);
    if (dir.empty())
        return out;
    for (const auto& e : fs::directory_iterator(dir))
        if (e.path().extension() == ext)
            out.push_back(e.path());
    std::sort(out.begin(), out.end());
    return out;
}

}  // namespace

TEST(Corpus, ModelsSurviveReadWriteRead)
{
    const auto files = Files("3do", ".3do");
    if (files.empty())
        GTEST_SKIP() << "no corpus on this machine";
    for (const auto& f : files) {
        SCOPED_TRACE(f.string());
        CModel first, second;
        const auto s = Load3doFile(f, first);
        ASSERT_TRUE(orvtest::Ok(s));
        EXPECT_TRUE(s->complete) << s->missing;
        std::size_t faces = 0;
        for (const auto& g : first.geosets)
            for (const auto& m : g.meshes)
                faces += m.faces.size();
        EXPECT_GT(faces, 0u);
        const std::string text = Format3do(first, f.filename().string());
        TextBuffer buffer(text);
        EXPECT_TRUE(Read3do(second, buffer).complete);
        BuildFaceCorners(second);
        orvtest::ExpectSameModel(first, second);
        // A second round changes nothing.
        EXPECT_EQ(Format3do(second, f.filename().string()), text);
    }
}

TEST(Corpus, KeyframesAndPuppetsSurviveReadWriteRead)
{
    const auto keys = Files("key", ".key"), puppets = Files("pup", ".pup");
    if (keys.empty() && puppets.empty())
        GTEST_SKIP() << "no corpus on this machine";
    for (const auto& f : keys) {
        SCOPED_TRACE(f.string());
        CModel model;
        const auto read = LoadKeyFile(f, model);
        ASSERT_TRUE(orvtest::Ok(read));
        EXPECT_TRUE(read->status.complete) << read->status.missing;
        const auto& first = read->keyframe;
        EXPECT_FALSE(first.nodes.empty());
        TextBuffer buffer(FormatKey(first, first.joints, f.filename().string()));
        const auto second = ReadKey(model, buffer).keyframe;
        EXPECT_EQ(second.joints, first.joints);
        orvtest::ExpectSameKeyframe(first, second);
    }
    for (const auto& f : puppets) {
        SCOPED_TRACE(f.string());
        CModel first, second;
        const auto s = LoadPupFile(f, first);
        ASSERT_TRUE(orvtest::Ok(s));
        EXPECT_TRUE(s->recognised);
        EXPECT_TRUE(s->complete) << s->missing;
        EXPECT_FALSE(first.puppetJoints.empty());  // every corpus puppet has joints
        // Every mode line gives a mode, those without sub-modes too (goku.pup's modes 1
        // and 2 are based on mode 0 alone).
        const auto bytes = orvtest::Slurp(f);
        std::string text(bytes.begin(), bytes.end());
        std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
        std::size_t modeLines = 0;
        for (std::size_t at = text.find("mode="); at != std::string::npos; at = text.find("mode=", at + 1))
            modeLines += at == 0 || text[at - 1] == '\n';
        EXPECT_EQ(first.puppetModes.size(), modeLines);
        TextBuffer buffer(FormatPup(first, f.filename().string()));
        ReadPup(second, buffer);
        orvtest::ExpectSamePuppet(first, second);
    }
}

// Real files cut short, as a failed copy or download leaves them: every cut is reported
// (about fifty cuts a file, and some near the end). A keyframe may end without a line
// end, so there the cuts stop at the last number.
TEST(Corpus, EveryCutOfAModelOrKeyframeIsReported)
{
    const auto models = Files("3do", ".3do"), keys = Files("key", ".key");
    if (models.empty() && keys.empty())
        GTEST_SKIP() << "no corpus on this machine";
    auto cuts = [](std::size_t last) {
        std::vector<std::size_t> at;
        for (std::size_t n = 0; n <= last; n += std::max<std::size_t>(1, last / 50))
            at.push_back(n);
        for (std::size_t back : {0, 1, 8, 40})
            if (back <= last)
                at.push_back(last - back);
        return at;
    };
    for (const auto& f : models) {
        const auto read = ReadWholeTextFile(f);
        ASSERT_TRUE(read);
        const std::string& text = *read;
        // Keeping everything but the final LF loses nothing.
        for (std::size_t n : cuts(text.size() - 2)) {
            CModel m;
            TextBuffer buffer(text.substr(0, n));
            const ReadStatus s = Read3do(m, buffer);
            EXPECT_FALSE(s.complete) << f.filename() << " cut at " << n;
            EXPECT_NE(s.missing, "") << f.filename() << " cut at " << n;
        }
    }
    for (const auto& f : keys) {
        const auto read = ReadWholeTextFile(f);
        ASSERT_TRUE(read);
        const std::string& text = *read;
        const std::size_t lastNumber = text.find_last_of(" \t", text.find_last_not_of(" \t\r\n")) + 1;
        for (std::size_t n : cuts(lastNumber)) {
            CModel m;
            TextBuffer buffer(text.substr(0, n));
            const ReadStatus s = ReadKey(m, buffer).status;
            EXPECT_FALSE(s.complete) << f.filename() << " cut at " << n;
            EXPECT_NE(s.missing, "") << f.filename() << " cut at " << n;
        }
    }
}
