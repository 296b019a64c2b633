// The game's PUP puppet files: which keyframe each animation mode and sub-mode plays,
// and the "joints" section that maps body parts to hierarchy nodes.
#pragma once

#include <filesystem>
#include <string>

#include "formats/textbuffer.h"

namespace orv {

class CModel;

// Replaces the model's puppet modes (and joint lines) with those of the text. Lines are
// lower-cased and stripped of leading white space; a mode without sub-modes is kept as
// it is; reading stops at "end", at the end of the text, or after the "joints" section,
// whose lines (up to its closing "end") are kept in model.puppetJoints as written.
// The status is recognised when the text has a "mode=" line or a "joints" section, even
// an empty one (anything else is no puppet file), and complete unless the text ends in a
// line without its line end (which is not read) or inside the joints section, before its
// "end".
ReadStatus ReadPup(CModel& model, TextBuffer& buffer);

// Reads the file; fails only when it cannot be read (the status says whether it held
// puppet data).
Result<ReadStatus> LoadPupFile(const std::filesystem::path& path, CModel& model);

// The PUP text of the model's puppet data, CR LF line ends, headed with headerPath; the
// joints section follows the modes when the model has joint lines, and is written empty
// for a puppet with neither modes nor joints.
std::string FormatPup(const CModel& model, const std::string& headerPath);

// Writes FormatPup(model, path) atomically.
Status WritePup(const CModel& model, const std::filesystem::path& path);

}  // namespace orv
