// Saving as a plan: the core works out what must be asked before a document is saved
// (the file was read only in part, the game's engine would refuse the model, a 3DO file
// cannot carry custom materials), the window asks each question as given and hands the
// answers back, and the core carries the save out by them.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

#include "base/result.h"
#include "model/file_kind.h"
#include "model/limits.h"

namespace orv {

class AtomicFileSet;

class CModel;
class COrvaneDoc;

enum class SaveAnswer { NotAsked, Yes, No, Cancel };

enum class SaveQuestionKind {
    // The file saved over was read only in part: Yes replaces it, No stops.
    ReplacePartialFile,
    // The model breaks the engine's limits: the breaches are listed; Yes saves, Cancel stops.
    EngineLimits,
    // A 3DO cannot carry custom materials: Yes writes them as MAT files beside it, No
    // saves without them, Cancel stops.
    WriteCustomMaterials,
    // Asked after a Yes to WriteCustomMaterials when some of those files exist: Yes
    // replaces them, No saves without writing them, Cancel stops.
    ReplaceMaterialFiles,
};

struct SaveChoice {
    SaveAnswer answer;
    bool stops;  // the save does not happen
};

struct SaveQuestion {
    SaveQuestionKind kind = SaveQuestionKind::ReplacePartialFile;
    bool warning = false;  // shown as a warning rather than a question
    // The question as shown; for EngineLimits the file's name, which its list is about.
    std::string text;
    std::vector<SaveChoice> choices;    // the buttons, in the order shown
    std::vector<LimitBreach> breaches;  // EngineLimits: what is listed
    // Asked only when the question at this index was answered Yes; -1: always asked.
    int afterYesTo = -1;
};

struct SavePlan {
    std::string path;
    FileKind kind = FileKind::Unknown;
    std::vector<SaveQuestion> questions;
};

enum class SaveMode {
    Save,    // under the document's own name, or as a copy that leaves its name
    SaveAs,  // Save As: a project's name becomes the document's
};

// The questions a save of doc to path needs, in the order they are asked. askBeforeReplacing
// (the "Warning" setting) adds the question about material files that exist already.
// Rebuilds the meshes' lists, as the writer does, so the limits are those of the file.
SavePlan PlanSave(COrvaneDoc& doc, const std::string& path, bool askBeforeReplacing);

// Whether question i is asked, given the answers to the ones before it.
bool IsAsked(const SavePlan& plan, const std::vector<SaveAnswer>& answers, std::size_t i);
// Whether answer to the question stops the save.
bool Stops(const SaveQuestion& question, SaveAnswer answer);

enum class SaveOutcome {
    Saved,
    Declined,             // an answer stopped it; nothing was written
    MaterialsNotWritten,  // the custom materials could not be written; the model was not saved
                          // (unless only their last step, the renames, failed)
    Failed,               // the save failed; the file and the material files are as they were
};
struct SaveResult {
    SaveOutcome outcome = SaveOutcome::Saved;
    std::string error;  // why, for MaterialsNotWritten and Failed
};

// Carries the plan out by the answers (one per question, NotAsked for those not asked;
// a question asked without an answer counts as Cancel): writes the custom materials when
// agreed, then saves.
SaveResult SaveWithAnswers(COrvaneDoc& doc, const SavePlan& plan, const std::vector<SaveAnswer>& answers,
                           SaveMode mode);

// Names of the model's custom materials that already exist as files in folder.
std::vector<std::string> ExistingCustomMaterialFiles(const CModel& model, const std::filesystem::path& folder);

// Writes every custom material into folder as a MAT file of its own name (all of them
// or none), for a model saved in a format that cannot carry them.
Status WriteCustomMaterials(const CModel& model, const std::filesystem::path& folder);
// The same into files, which are renamed over their targets at its Commit(): a save
// writes the materials this way, saves the model, and only then commits them, so that a
// model that cannot be saved leaves the material files as they were.
Status StageCustomMaterials(const CModel& model, const std::filesystem::path& folder, AtomicFileSet& files);

}  // namespace orv
