// A glTF file's steps and splines from untrusted bytes, read in this process (the
// animation import reads them in its reader's child, where a crash would go unseen):
// never a crash, and every curve read is sound and samples to finite values.
#include <cmath>
#include <cstdint>
#include <span>

#include "fuzz_check.h"
#include "interchange/gltf_curves.h"

using namespace orv;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    for (const KeyCurve& curve : GltfCurves(std::span(data, size), {})) {
        Require(curve.Sound());
        for (const double t : {curve.times.front() - 1.0, curve.times.front(), (curve.times.front() + curve.times.back()) / 2,
                               curve.times.back() + 1.0})
            for (const double v : CurveAt(curve, t))
                Require(std::isfinite(v));
    }
    return 0;
}
