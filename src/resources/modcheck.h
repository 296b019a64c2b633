// The check of a whole mod: every model, keyframe, puppet, material and colormap of its
// folders and archives read and checked, and the links between them (the materials a
// model names, the keyframes a puppet names, the nodes a keyframe moves, the models,
// puppets and keyframes the level files' templates name). What breaks in players' games
// lies mostly between files, so each finding names the file and the place in it.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "base/result.h"

namespace orv {

enum class Severity { Error, Warning, Note };

// "error", "warning", "note".
const char* SeverityName(Severity severity);

// Where in its file a finding is; each part is -1 (or empty) when it does not apply.
struct FindingPlace {
    int32_t geoset = -1;
    int32_t mesh = -1;
    std::string meshName;
    int32_t face = -1;
    std::string node;  // a hierarchy node's name (a model's or a keyframe's)
    int32_t line = 0;  // 1-based line of a text file; 0 when none

    bool Empty() const { return geoset < 0 && mesh < 0 && face < 0 && node.empty() && line <= 0; }
    // "geometry set 0, mesh 2 (head), face 7", "node torso", "line 12"; "" when empty.
    std::string Describe() const;
    bool operator==(const FindingPlace&) const = default;
};

struct Finding {
    std::string file;  // as ResourceLocation::Describe tells it: a path, or "a.gob (3do\x.3do)"
    Severity severity = Severity::Error;
    std::string text;  // what is wrong, without the file and the place
    FindingPlace place;

    // "FILE: error: what, where".
    std::string Line() const;
    bool operator==(const Finding&) const = default;
};

struct ModCheckOptions {
    // The mod: folders (every file below them), GOB/GOO archives and single files, in the
    // order their files win a name. Archives found in the folders follow the folders.
    std::vector<std::filesystem::path> mod;
    // The game's resources (its archive first, then further archives and folders), where
    // what the mod does not hold is looked for. Empty: no game is set, and a name the mod
    // does not hold is left to the game (a note), not an error.
    std::vector<std::filesystem::path> game;
    // The colormap materials are decoded with (a name): empty takes the mod's own
    // (dflt.cmp first), else the game's 01redmap.cmp.
    std::string colormap;
    unsigned threads = 0;  // 0: one per core
    // Called from the checking threads, as each file is done (never two at once).
    std::function<void(std::size_t done, std::size_t total)> progress;
    const std::atomic<bool>* cancel = nullptr;  // set: the check stops soon and fails
};

struct ModCheckReport {
    std::vector<Finding> findings;  // by file, then in the order the file was checked
    std::size_t files = 0;          // the files checked (models, keyframes, puppets, ...)
    std::size_t models = 0, keyframes = 0, puppets = 0, materials = 0, colormaps = 0, levels = 0;
    std::size_t Count(Severity severity) const;
    // "12 files checked (3 models, ...): 2 errors, 1 warning, 4 notes".
    std::string Summary() const;
};

// Checks the mod. Fails, without findings, when no part of it can be read (a folder or
// archive missing, an archive whose directory cannot be read) or when cancelled; a
// game's archive that cannot be read fails it too.
Result<ModCheckReport> CheckMod(const ModCheckOptions& options);

// The report as JSON: {"findings": [{"file", "severity", "text", "place": {...}}...],
// "summary": {...}}, the place holding only the parts that apply.
std::string ModCheckJson(const ModCheckReport& report);

}  // namespace orv
