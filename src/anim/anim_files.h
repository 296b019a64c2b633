// Where the document's own puppet (PUP) and keyframe (KEY) files go: beside the document,
// written atomically, never over a stock keyframe of the game and never into the folders
// of the game's resources or installation or of the program itself.
#pragma once

#include <filesystem>
#include <string>

#include "base/result.h"
#include "document/document.h"

namespace orv {

// Whether a name is one of the catalogue's stock keyframes or puppet files.
bool IsStockKeyframe(const COrvaneDoc& doc, const std::string& name);
bool IsStockPuppet(const COrvaneDoc& doc, const std::string& name);

// The folder of the document's animation files: the one the document's file is in.
// Fails with the reason for a document without a file, and for a folder of the game's
// resource archive, of the game's installation or of the program.
Result<std::filesystem::path> AnimationFolder(const COrvaneDoc& doc);
// A file of that folder: one whose name differs only in case when there is one (so that
// what is written is what the document reads back), else the name as given.
Result<std::filesystem::path> AnimationFilePath(const COrvaneDoc& doc, const std::string& name);
// Whether such a file exists beside the document.
bool AnimationFileExists(const COrvaneDoc& doc, const std::string& name);

// Writes the model's keyframe under its name beside the document. A stock keyframe is
// refused, as is a model without a keyframe.
Status WriteDocumentKeyframe(COrvaneDoc& doc);
// Writes the model's puppet data beside the document as the PUP file of its title
// (walker.3do gives walker.pup); refused while the document does not hold that file as
// it is and the user has not agreed to replace it.
Status WriteDocumentPuppet(COrvaneDoc& doc);

}  // namespace orv
