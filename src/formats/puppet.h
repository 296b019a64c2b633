// The game's PUP puppet files: which keyframe each animation mode and sub-mode plays,
// and the "joints" section that maps body parts to hierarchy nodes.
#pragma once

#include <filesystem>
#include <string>

#include "formats/textbuffer.h"

namespace orv {

class CModel;

// Replaces the model's puppet modes (and joint lines) with those of the text. Lines are
// lower-cased and stripped of leading white space; modes without sub-modes are dropped;
// reading stops at "end", at the end of the text, or after the "joints" section, whose
// lines (up to its closing "end") are kept in model.puppetJoints as written.
// The status is recognised when the text gave puppet modes or joint lines (anything else
// is no puppet file), and complete unless the text ends in a line without its line end
// (which is not read) or inside the joints section, before its "end".
ReadStatus ReadPup(CModel& model, TextBuffer& buffer);

// Reads the file; false with a reason when it cannot be read.
bool LoadPupFile(const std::filesystem::path& path, CModel& model, std::string* error = nullptr,
                 ReadStatus* status = nullptr);

// The PUP text of the model's puppet data, CR LF line ends, headed with headerPath; the
// joints section follows the modes when the model has joint lines.
std::string FormatPup(const CModel& model, const std::string& headerPath);

// Writes FormatPup(model, path) atomically; false with a reason when it fails.
bool WritePup(const CModel& model, const std::filesystem::path& path, std::string* error = nullptr);

}  // namespace orv
