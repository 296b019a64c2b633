// The project's own stand-ins for the game's resources: a 256-colour palette with its
// light table, and procedural 8-bit textures. The sample resource archive, which lets
// the editor show textured models when no game is installed, is built from them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "resources/archive.h"
#include "resources/material.h"

namespace orv {

// Sixteen ramps of sixteen shades, darkest first; index 0 is black.
Palette SamplePalette();

// A complete CMP file (17216 bytes, no transparency table): "CMP ", version 30, the
// palette, and 64 light rows mapping each colour to its nearest shade at that light
// (row 63 is full light and maps every index to itself).
std::vector<uint8_t> MakeSampleColormap();

struct SampleMaterial {
    std::string name;  // file name, such as "dflt.mat"
    std::vector<uint8_t> bytes;
};

// dflt.mat, 00cab02.mat and further textures (checker, bricks, gradient, noise, wood,
// metal) as 64 × 64 texture MATs over SamplePalette(), and one colour material.
std::vector<SampleMaterial> MakeSampleMaterials();

// The colormaps and materials under their places in the game's archive:
// misc\cmp\01redmap.cmp, misc\cmp\dflt.cmp and 3do\mat\NAME.mat.
std::vector<ArchiveEntryData> SampleResourceEntries();

}  // namespace orv
