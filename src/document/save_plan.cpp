#include "document/save_plan.h"

#include <system_error>

#include "base/paths.h"
#include "document/document.h"
#include "document/file_formats.h"
#include "model/fileio.h"
#include "model/model.h"

namespace orv {

namespace fs = std::filesystem;

namespace {

std::string FileNameOf(const std::string& path) { return fs::path(path).filename().string(); }

}  // namespace

SavePlan PlanSave(COrvaneDoc& doc, const std::string& path, bool askBeforeReplacing)
{
    SavePlan plan;
    plan.path = path;
    plan.kind = FileKindOf(path);
    const DocumentFormat* format = SaveFormatFor(path);

    if (doc.SaveReplacesPartialFile(path)) {
        // The file holds more than the document; asked whatever the "Warning" setting, as
        // what would be lost is the user's model itself.
        SaveQuestion q;
        q.kind = SaveQuestionKind::ReplacePartialFile;
        q.warning = true;
        q.text = FileNameOf(path) + " was read only in part. Saving will replace it with what was read. Save anyway?";
        q.choices = {{SaveAnswer::Yes, false}, {SaveAnswer::No, true}};
        plan.questions.push_back(std::move(q));
    }

    CModel& model = *doc.model;
    if (format && format->readByGame) {
        // The counts the file will hold: the writer builds the lists the same way.
        for (auto& geoset : model.geosets)
            for (auto& mesh : geoset.meshes)
                RebuildListsIfChanged(model.caches, mesh);
        if (auto breaches = CheckEngineLimits(model); !breaches.empty()) {
            SaveQuestion q;
            q.kind = SaveQuestionKind::EngineLimits;
            q.warning = true;
            q.text = FileNameOf(path);
            q.choices = {{SaveAnswer::Yes, false}, {SaveAnswer::Cancel, true}};
            q.breaches = std::move(breaches);
            plan.questions.push_back(std::move(q));
        }
    }

    const std::size_t custom = model.customMaterials.Count();
    if (format && !format->keepsCustomMaterials && custom > 0) {
        SaveQuestion q;
        q.kind = SaveQuestionKind::WriteCustomMaterials;
        q.text = "This model holds " + std::to_string(custom) +
                 " custom material(s), which a 3DO file cannot carry.\n\nWrite them as MAT files beside it?";
        q.choices = {{SaveAnswer::Yes, false}, {SaveAnswer::No, false}, {SaveAnswer::Cancel, true}};
        plan.questions.push_back(std::move(q));
        const std::vector<std::string> existing = ExistingCustomMaterialFiles(model, fs::path(path).parent_path());
        if (!existing.empty() && askBeforeReplacing) {
            SaveQuestion replace;
            replace.kind = SaveQuestionKind::ReplaceMaterialFiles;
            std::string names;
            for (const auto& n : existing)
                names += (names.empty() ? "" : "\n") + n;
            replace.text = "These files exist already:\n" + names + "\n\nReplace them?";
            replace.choices = {{SaveAnswer::Yes, false}, {SaveAnswer::No, false}, {SaveAnswer::Cancel, true}};
            replace.afterYesTo = static_cast<int>(plan.questions.size()) - 1;
            plan.questions.push_back(std::move(replace));
        }
    }
    return plan;
}

bool IsAsked(const SavePlan& plan, const std::vector<SaveAnswer>& answers, std::size_t i)
{
    if (i >= plan.questions.size())
        return false;
    const int after = plan.questions[i].afterYesTo;
    if (after < 0)
        return true;
    const auto a = static_cast<std::size_t>(after);
    return a < answers.size() && answers[a] == SaveAnswer::Yes;
}

bool Stops(const SaveQuestion& question, SaveAnswer answer)
{
    for (const SaveChoice& c : question.choices)
        if (c.answer == answer)
            return c.stops;
    // An answer the question does not offer (a closed box) is no consent.
    return true;
}

SaveResult SaveWithAnswers(COrvaneDoc& doc, const SavePlan& plan, const std::vector<SaveAnswer>& answers, SaveMode mode)
{
    bool agreedPartial = false, writeMaterials = false;
    for (std::size_t i = 0; i < plan.questions.size(); ++i) {
        const SaveQuestion& q = plan.questions[i];
        if (!IsAsked(plan, answers, i))
            continue;
        const SaveAnswer a = i < answers.size() ? answers[i] : SaveAnswer::Cancel;
        if (Stops(q, a))
            return {SaveOutcome::Declined, {}};
        switch (q.kind) {
        case SaveQuestionKind::ReplacePartialFile: agreedPartial = a == SaveAnswer::Yes; break;
        case SaveQuestionKind::EngineLimits: break;
        case SaveQuestionKind::WriteCustomMaterials: writeMaterials = a == SaveAnswer::Yes; break;
        case SaveQuestionKind::ReplaceMaterialFiles: writeMaterials = writeMaterials && a == SaveAnswer::Yes; break;
        }
    }
    AtomicFileSet materials;
    if (writeMaterials)
        if (Status staged = StageCustomMaterials(*doc.model, fs::path(plan.path).parent_path(), materials); !staged)
            return {SaveOutcome::MaterialsNotWritten, staged.error()};
    if (agreedPartial)
        doc.AgreeToReplacePartialFile();
    const Status saved = mode == SaveMode::SaveAs ? doc.SaveAs(plan.path) : doc.SaveDocument(plan.path);
    if (!saved)
        return {SaveOutcome::Failed, saved.error()};  // the materials' files untouched too
    if (Status written = materials.Commit(); !written)
        return {SaveOutcome::MaterialsNotWritten, written.error()};
    return {};
}

std::vector<std::string> ExistingCustomMaterialFiles(const CModel& model, const fs::path& folder)
{
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : model.customMaterials.Entries())
        if (fs::exists(folder / SafeFileName(entry->shortName), ec))
            names.push_back(entry->shortName);
    return names;
}

Status StageCustomMaterials(const CModel& model, const fs::path& folder, AtomicFileSet& files)
{
    for (const auto& entry : model.customMaterials.Entries()) {
        const std::vector<uint8_t>& bytes = entry->data;
        // A name from a project file must not lead out of the folder.
        const std::string name = SafeFileName(entry->shortName);
        if (name.empty())
            continue;
        if (Status staged =
                files.Add(folder / name, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
            !staged)
            return staged;
    }
    return {};
}

Status WriteCustomMaterials(const CModel& model, const fs::path& folder)
{
    AtomicFileSet files;
    if (Status staged = StageCustomMaterials(model, folder, files); !staged)
        return staged;
    return files.Commit();
}

}  // namespace orv
