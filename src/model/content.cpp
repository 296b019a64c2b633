#include "model/content.h"

#include <algorithm>

namespace orv {

uint64_t FaceBlockFingerprint(const CMesh& mesh, std::size_t first, std::size_t count)
{
    Fingerprint fp;
    FingerprintVisitor v(fp);
    const std::size_t end = std::min(mesh.faces.size(), first + count);
    for (std::size_t i = first; i < end; ++i) {
        // Faces and their corners lie apart on the heap: the next ones are asked for
        // while this one is mixed, so that the walk runs at memory speed.
        VisitFaceFields(v, mesh.faces[i]);
    }
    return fp.Finish();
}

uint64_t CombineFacesFingerprint(const CMesh& mesh, const std::vector<uint64_t>& blockFingerprints)
{
    Fingerprint fp;
    fp.List(blockFingerprints);
    fp.Value(mesh.placementOffset);
    const bool built =
        std::any_of(mesh.faces.begin(), mesh.faces.end(), [](const auto& f) { return !f.corners.empty(); });
    if (!built) {
        // The lists are the geometry until the corners are built from them.
        fp.List(mesh.vertices);
        for (const auto& f : mesh.faces)
            fp.List(f.vertexIndices);
    }
    return fp.Finish();
}

uint64_t FacesFingerprint(const CMesh& mesh)
{
    std::vector<uint64_t> blocks;
    for (std::size_t first = 0; first < mesh.faces.size(); first += kFaceBlock)
        blocks.push_back(FaceBlockFingerprint(mesh, first, kFaceBlock));
    return CombineFacesFingerprint(mesh, blocks);
}

}  // namespace orv
