// Every real file of the shared corpus goes through read -> write -> read and must come
// back as the same model. Skipped where the corpus is not present.
#include <gtest/gtest.h>

#include <algorithm>

#include "formats/keyfile.h"
#include "formats/model3do.h"
#include "formats/puppet.h"
#include "model/model.h"
#include "model_compare.h"
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
        std::string error;
        ReadStatus s;
        ASSERT_TRUE(Load3doFile(f, first, &error, {}, &s)) << error;
        EXPECT_TRUE(s.complete);
        std::size_t faces = 0;
        for (const auto& g : first.geosets)
            for (const auto& m : g->meshes)
                faces += m->faces.size();
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
        std::string error;
        ReadStatus s;
        const auto first = LoadKeyFile(f, model, &error, &s);
        ASSERT_NE(first, nullptr) << error;
        EXPECT_TRUE(s.complete);
        EXPECT_FALSE(first->nodes.empty());
        TextBuffer buffer(FormatKey(*first, first->joints, f.filename().string()));
        const auto second = ReadKey(model, buffer);
        EXPECT_EQ(second->joints, first->joints);
        orvtest::ExpectSameKeyframe(*first, *second);
    }
    for (const auto& f : puppets) {
        SCOPED_TRACE(f.string());
        CModel first, second;
        std::string error;
        ASSERT_TRUE(LoadPupFile(f, first, &error)) << error;
        EXPECT_FALSE(first.puppetJoints.empty());  // every corpus puppet has joints
        TextBuffer buffer(FormatPup(first, f.filename().string()));
        ReadPup(second, buffer);
        orvtest::ExpectSamePuppet(first, second);
    }
}
