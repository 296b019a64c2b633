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
        CModel first;
        std::string error;
        ReadStatus s;
        ASSERT_TRUE(Load3doFile(f, first, &error, {}, &s)) << f << ": " << error;
        EXPECT_TRUE(s.complete) << f;
        std::size_t faces = 0;
        for (const auto& g : first.geosets)
            for (const auto& m : g->meshes)
                faces += m->faces.size();
        EXPECT_GT(faces, 0u) << f;

        const std::string text = Format3do(first, f.filename().string());
        CModel second;
        TextBuffer buffer(text);
        EXPECT_TRUE(Read3do(second, buffer).complete);
        BuildFaceCorners(second);
        SCOPED_TRACE(f.string());
        orvtest::ExpectSameModel(first, second);
        // A second round changes nothing.
        EXPECT_EQ(Format3do(second, f.filename().string()), text) << f;
    }
}

TEST(Corpus, KeyframesSurviveReadWriteRead)
{
    const auto files = Files("key", ".key");
    if (files.empty())
        GTEST_SKIP() << "no corpus on this machine";
    for (const auto& f : files) {
        CModel model;
        std::string error;
        ReadStatus s;
        const auto first = LoadKeyFile(f, model, &error, &s);
        ASSERT_NE(first, nullptr) << f << ": " << error;
        EXPECT_TRUE(s.complete) << f;
        EXPECT_FALSE(first->nodes.empty());
        const std::string text = FormatKey(*first, first->joints, f.filename().string());
        TextBuffer buffer(text);
        const auto second = ReadKey(model, buffer);
        EXPECT_EQ(second->flags, first->flags);
        EXPECT_EQ(second->type, first->type);
        EXPECT_EQ(second->frames, first->frames);
        EXPECT_EQ(second->fps, first->fps);
        EXPECT_EQ(second->joints, first->joints);
        ASSERT_EQ(second->markers.size(), first->markers.size());
        ASSERT_EQ(second->nodes.size(), first->nodes.size());
        for (std::size_t n = 0; n < first->nodes.size(); ++n) {
            const CKeyframeNode& a = *first->nodes[n];
            const CKeyframeNode& b = *second->nodes[n];
            EXPECT_EQ(a.meshName, b.meshName);
            ASSERT_EQ(a.entries.size(), b.entries.size());
            for (std::size_t e = 0; e < a.entries.size(); ++e) {
                const CKeyframeEntry& ea = *a.entries[e];
                const CKeyframeEntry& eb = *b.entries[e];
                EXPECT_EQ(ea.num, eb.num);
                EXPECT_EQ(ea.frame, eb.frame);
                EXPECT_EQ(ea.flags, eb.flags);
                // Eight decimals are written: the values come back to within that.
                for (const auto& [va, vb] : {std::pair{ea.position, eb.position}, std::pair{ea.rotation, eb.rotation},
                                             std::pair{ea.deltaPosition, eb.deltaPosition},
                                             std::pair{ea.deltaRotation, eb.deltaRotation}}) {
                    EXPECT_NEAR(va.x, vb.x, 1e-5);
                    EXPECT_NEAR(va.y, vb.y, 1e-5);
                    EXPECT_NEAR(va.z, vb.z, 1e-5);
                }
            }
        }
    }
}

TEST(Corpus, PuppetsSurviveReadWriteRead)
{
    const auto files = Files("pup", ".pup");
    if (files.empty())
        GTEST_SKIP() << "no corpus on this machine";
    for (const auto& f : files) {
        CModel first;
        std::string error;
        ASSERT_TRUE(LoadPupFile(f, first, &error)) << f << ": " << error;
        EXPECT_FALSE(first.puppetJoints.empty()) << f;  // every corpus puppet has joints
        const std::string text = FormatPup(first, f.filename().string());
        CModel second;
        TextBuffer buffer(text);
        ReadPup(second, buffer);
        ASSERT_EQ(second.puppetModes.size(), first.puppetModes.size()) << f;
        for (std::size_t i = 0; i < first.puppetModes.size(); ++i) {
            const CPuppetMode& a = *first.puppetModes[i];
            const CPuppetMode& b = *second.puppetModes[i];
            EXPECT_EQ(a.mode, b.mode);
            EXPECT_EQ(a.basedOn, b.basedOn);
            EXPECT_EQ(a.comment, b.comment);
            ASSERT_EQ(a.items.size(), b.items.size());
            for (std::size_t j = 0; j < a.items.size(); ++j) {
                EXPECT_EQ(a.items[j]->name, b.items[j]->name);
                EXPECT_EQ(a.items[j]->keyFile, b.items[j]->keyFile);
                EXPECT_EQ(a.items[j]->flags, b.items[j]->flags);
                EXPECT_EQ(a.items[j]->lowPriority, b.items[j]->lowPriority);
                EXPECT_EQ(a.items[j]->highPriority, b.items[j]->highPriority);
                EXPECT_EQ(a.items[j]->description, b.items[j]->description);
            }
        }
        EXPECT_EQ(second.puppetJoints, first.puppetJoints) << f;
    }
}
