#include <gtest/gtest.h>

#include <filesystem>

#include "document/document.h"
#include "document/file_formats.h"
#include "document/save_plan.h"
#include "formats/samplemodel.h"
#include "model/fileio.h"
#include "model/model.h"
#include "test_util.h"

using namespace orv;
namespace fs = std::filesystem;

namespace {

std::unique_ptr<COrvaneDoc> SampleDoc()
{
    auto doc = std::make_unique<COrvaneDoc>(Settings{}, DocumentEnvironment{});
    doc->model = MakeSampleModel();
    return doc;
}

// The questions as the window asks them: kind, whether a warning, text.
std::string Questions(const SavePlan& plan)
{
    static const char* const kKinds[] = {"replace partial file", "engine limits", "write custom materials",
                                         "replace material files"};
    std::string out;
    for (const auto& q : plan.questions)
        out += std::string(kKinds[static_cast<int>(q.kind)]) + (q.warning ? " (warning): " : ": ") + q.text + "\n";
    return out;
}

// The answers a window gives: one per question, NotAsked where the plan skips it.
std::vector<SaveAnswer> Answer(const SavePlan& plan, std::vector<SaveAnswer> given)
{
    std::vector<SaveAnswer> answers;
    for (std::size_t i = 0; i < plan.questions.size(); ++i)
        answers.push_back(IsAsked(plan, answers, i) && i < given.size() ? given[i] : SaveAnswer::NotAsked);
    return answers;
}

}  // namespace

TEST(SavePlan, AsksOnlyWhatTheKindOfFileNeedsInTheWindowsWords)
{
    orvtest::TempDir tmp;
    auto doc = SampleDoc();
    orvtest::AddItem(doc->model->customMaterials, "mine.mat", orvtest::Bytes("MAT1"));
    doc->model->geosets[0].meshes[0].name = std::string(40, 'm');  // beyond the engine's 31 characters

    // A project keeps custom materials and is not the game's; a resource tree is the game's
    // and keeps its custom materials; a 3DO is the game's and keeps none.
    std::string text;
    for (const char* name : {"a.orv", "a.brp", "Ship.3DO"})
        text += std::string(name) + ":\n" + Questions(PlanSave(*doc, (tmp / name).string(), true));

    // The material file exists: asked after a Yes, and only with the Warning setting on.
    orvtest::Spit(tmp / "mine.mat", orvtest::Bytes("old"));
    const SavePlan again = PlanSave(*doc, (tmp / "ship.3do").string(), true);
    EXPECT_FALSE(IsAsked(again, {SaveAnswer::Yes, SaveAnswer::No}, 2));  // not after a No to writing them
    text += "mine.mat there:\n" + Questions(again) + "with the Warning setting off:\n" +
            Questions(PlanSave(*doc, (tmp / "ship.3do").string(), false));
    orvtest::ExpectSameAsFixture("expected", "save_plan_questions.txt", text);
}

TEST(SavePlan, EachAnswerDoesWhatItSays)
{
    orvtest::TempDir tmp;
    const fs::path target = tmp / "ship.3do";
    const fs::path material = tmp / "mine.mat";
    auto doc = SampleDoc();
    orvtest::AddItem(doc->model->customMaterials, "mine.mat", orvtest::Bytes("MAT1"));
    auto reset = [&] {
        fs::remove(target);
        orvtest::Spit(material, orvtest::Bytes("old"));
    };
    using enum SaveAnswer;
    const struct {
        std::vector<SaveAnswer> given;
        bool blocked;  // a folder stands where the model goes
        SaveOutcome outcome;
        const char* materialAfter;
    } rows[] = {
        {{Cancel}, false, SaveOutcome::Declined, "old"},       // nothing written at all
        {{No, Yes}, false, SaveOutcome::Saved, "old"},         // the replace question is not asked
        {{Yes, No}, false, SaveOutcome::Saved, "old"},         // the material file left alone
        {{Yes, Cancel}, false, SaveOutcome::Declined, "old"},  // nothing written
        {{Yes, Yes}, true, SaveOutcome::Failed, "old"},        // the model fails, so the material is not written
        {{Yes, Yes}, false, SaveOutcome::Saved, "MAT1"},       // the material written, then the model
    };
    for (const auto& row : rows) {
        SCOPED_TRACE("row " + std::to_string(&row - rows));
        reset();
        if (row.blocked)
            fs::create_directories(target);
        const SavePlan plan = PlanSave(*doc, target.string(), true);
        EXPECT_EQ(SaveWithAnswers(*doc, plan, Answer(plan, row.given), SaveMode::Save).outcome, row.outcome);
        EXPECT_EQ(fs::is_regular_file(target), row.outcome == SaveOutcome::Saved);
        EXPECT_EQ(orvtest::Slurp(material), orvtest::Bytes(row.materialAfter));
    }

    // A question left without an answer is no consent.
    reset();
    const SavePlan plan = PlanSave(*doc, target.string(), true);
    EXPECT_EQ(SaveWithAnswers(*doc, plan, {}, SaveMode::Save).outcome, SaveOutcome::Declined);
    EXPECT_FALSE(fs::exists(target));

    // The materials cannot be written (a folder stands where one goes): the model is not
    // saved either.
    fs::remove(material);
    fs::create_directories(material / "x");
    const SavePlan blocked = PlanSave(*doc, target.string(), false);
    const SaveResult r = SaveWithAnswers(*doc, blocked, Answer(blocked, {SaveAnswer::Yes}), SaveMode::Save);
    EXPECT_EQ(r.outcome, SaveOutcome::MaterialsNotWritten);
    EXPECT_FALSE(r.error.empty());
    EXPECT_FALSE(fs::exists(target));
}

TEST(SavePlan, AFileReadInPartIsReplacedOnlyAfterAYes)
{
    orvtest::TempDir tmp;
    const fs::path file = tmp / "cut.3do";
    fs::copy_file(orvtest::Fixture("3do", "meshes_missing.3do"), file);
    const auto before = orvtest::Slurp(file);
    COrvaneDoc doc(Settings{}, DocumentEnvironment{});
    ASSERT_TRUE(orvtest::Ok(doc.OpenDocument(file.string())));

    const SavePlan plan = PlanSave(doc, file.string(), true);
    ASSERT_EQ(Questions(plan),
              "replace partial file (warning): cut.3do was read only in part. Saving will replace "
              "it with what was read. Save anyway?\n");
    EXPECT_EQ(SaveWithAnswers(doc, plan, {SaveAnswer::No}, SaveMode::Save).outcome, SaveOutcome::Declined);
    EXPECT_EQ(orvtest::Slurp(file), before);
    EXPECT_TRUE(PlanSave(doc, (tmp / "copy.3do").string(), true).questions.empty());
    EXPECT_EQ(SaveWithAnswers(doc, plan, {SaveAnswer::Yes}, SaveMode::Save).outcome, SaveOutcome::Saved);
    EXPECT_NE(orvtest::Slurp(file), before);
}

TEST(DocumentFormats, TheFileDialogsOfferTheKindsAsBefore)
{
    EXPECT_EQ(OpenFilters(), (FileFilters{{"All Orvane Files (*.orv;*.3do;*.pup)", {"*.orv", "*.3do", "*.pup"}},
                                          {"Orvane Files (*.orv)", {"*.orv"}},
                                          {"3DO Files (*.3do)", {"*.3do"}},
                                          {"PUP Files (*.pup)", {"*.pup"}}}));
    EXPECT_EQ(SaveFilters(), (FileFilters{{"Orvane Files (*.orv)", {"*.orv"}},
                                          {"Brindle Project Files (*.brp)", {"*.brp"}},
                                          {"3DO Files (*.3do)", {"*.3do"}}}));
}

TEST(DocumentFormats, AModelIsNeverSavedOverAFileOfAnotherKind)
{
    orvtest::TempDir tmp;
    auto doc = SampleDoc();
    for (const char* name : {"walker.pup", "res2.GOB", "dflt.cmp", "wood.mat", "run.key", "shot.png"}) {
        const fs::path file = tmp / name;
        orvtest::Spit(file, orvtest::Bytes("theirs"));
        const Status saved = doc->SaveAs(file.string());
        EXPECT_NE(saved.error().find(name), std::string::npos) << name << " was written over: " << saved.error();
        EXPECT_EQ(orvtest::Slurp(file), orvtest::Bytes("theirs")) << name;
    }
    // A name of no kind the editor knows is a project, as it always was.
    ASSERT_TRUE(orvtest::Ok(doc->SaveDocument((tmp / "walker.bak").string())));
    EXPECT_TRUE(ReadProjectFile((tmp / "walker.bak").string()).ok());
}
