// The project files under tests/fixtures/orv (seeds of the project-file fuzzer and inputs
// of the orvane-tool checks) are what the program writes today: a change of the bytes
// written shows up here. ORVANE_UPDATE_FIXTURES=1 writes them anew.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "document/document.h"
#include "formats/projectfile.h"
#include "formats/samplemodel.h"
#include "test_util.h"

using namespace orv;
namespace fs = std::filesystem;

namespace {

const fs::path kFixtures = fs::path(ORVANE_SOURCE_DIR) / "tests" / "fixtures";

using orvtest::Slurp;

// The fixture as written now, compared with (or, when asked, written over) the file.
void Check(const std::string& name, const std::vector<uint8_t>& bytes)
{
    const fs::path path = kFixtures / "orv" / name;
    if (const char* update = std::getenv("ORVANE_UPDATE_FIXTURES"); update && *update == '1')
        orvtest::Spit(path, bytes);
    EXPECT_EQ(Slurp(path), bytes) << name << " differs from what the program writes";
}

// The sample walker with two custom materials, a camera bookmark, joint lines and the
// walking sub-mode current: every part of the layout and the trailer in one file.
std::vector<uint8_t> WalkerProject()
{
    auto model = MakeSampleModel();
    for (const char* name : {"small.mat", "wide.mat"}) {
        auto e = std::make_unique<CTreeObject>(std::string("3do\\mat\\") + name, 0, 0);
        e->data = Slurp(kFixtures / "mat" / name);
        e->size = static_cast<uint32_t>(e->data.size());
        model->customMaterials.Add(std::move(e));
    }
    model->bookmarks.push_back(CameraBookmark());
    model->puppetJoints = {"0=1\t# head", "1=0\t# torso"};
    model->currentSubMode = 1;
    return SaveProject(*model, {{0, 0.1f, -0.4f}, {0, 0, 1}, {0, 1, 0}});
}

}  // namespace

TEST(ProjectFixtures, AreWhatTheProgramWrites)
{
    // The empty model: the smallest project.
    CModel empty;
    Check("empty.orv", SaveProject(empty, {}));

    // tiny.3do with its puppet file beside it, converted by the document as the editor
    // and orvane-tool do.
    orvtest::TempDir temp;
    fs::copy_file(kFixtures / "3do" / "tiny_crlf.3do", temp.path / "tiny.3do");
    fs::copy_file(kFixtures / "pup" / "actor_crlf.pup", temp.path / "tiny.pup");
    const Settings settings;
    COrvaneDoc doc(settings, {});
    const Status opened = doc.OpenDocument((temp.path / "tiny.3do").string());
    ASSERT_TRUE(opened) << opened.error();
    ASSERT_FALSE(doc.model->puppetJoints.empty());
    const Status saved = doc.SaveDocument((temp.path / "tiny.orv").string());
    ASSERT_TRUE(saved) << saved.error();
    Check("tiny.orv", Slurp(temp.path / "tiny.orv"));

    const auto walker = WalkerProject();
    Check("walker.orv", walker);
    // Cut inside the geometry (orvane-tool must refuse it).
    Check("truncated.orv", {walker.begin(), walker.begin() + static_cast<std::ptrdiff_t>(walker.size() / 2)});
}
