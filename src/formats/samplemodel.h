// The project's own sample model: a small walker with a six-node hierarchy, its puppet
// file and two keyframes, made with the program's own writers. With the sample
// materials it forms the sample resource archive that stands in for the game's.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "model/model.h"

namespace orv {

struct SampleFile {
    std::string archiveName;  // place in the archive, such as "3do\walker.3do"
    std::string fileName;     // the bare file name
    std::string text;         // the file's content (CR LF text)
};

// The walker model as the editor holds it (corners built, hierarchy rebuilt).
std::unique_ptr<CModel> MakeSampleModel();

// walker.3do, walker.pup, wkstand.key and wkwalk.key.
std::vector<SampleFile> MakeSampleModelFiles();

}  // namespace orv
