// Compares models, keyframes and puppets the way the text formats can keep them:
// positions to six decimals, texture coordinates to three, key values to eight,
// everything else exactly.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <string_view>
#include <tuple>

#include "formats/model3do.h"
#include "model/keyframe.h"
#include "model/model.h"
#include "model/version.h"
#include "support/model_builder.h"
#include "test_util.h"

namespace orvtest {

inline void ExpectSameModel(const orv::CModel& a, const orv::CModel& b)
{
    EXPECT_EQ(a.materials, b.materials);
    EXPECT_NEAR(a.radius, b.radius, 1e-6);
    ExpectClose(a.insertOffset, b.insertOffset, 1e-6f);
    ASSERT_EQ(a.geosets.size(), b.geosets.size());
    for (std::size_t g = 0; g < a.geosets.size(); ++g) {
        ASSERT_EQ(a.geosets[g].meshes.size(), b.geosets[g].meshes.size());
        for (std::size_t k = 0; k < a.geosets[g].meshes.size(); ++k) {
            const orv::CMesh& ma = a.geosets[g].meshes[k];
            const orv::CMesh& mb = b.geosets[g].meshes[k];
            EXPECT_EQ(ma.name, mb.name);
            ASSERT_EQ(ma.faces.size(), mb.faces.size());
            for (std::size_t i = 0; i < ma.faces.size(); ++i) {
                const orv::CFace& fa = ma.faces[i];
                const orv::CFace& fb = mb.faces[i];
                EXPECT_EQ(std::tie(fa.material, fa.type, fa.geometryMode, fa.lightingMode, fa.textureMode),
                          std::tie(fb.material, fb.type, fb.geometryMode, fb.lightingMode, fb.textureMode));
                EXPECT_NEAR(fa.extraLight, fb.extraLight, 0.005);
                ASSERT_EQ(fa.corners.size(), fb.corners.size()) << "face " << i;
                for (std::size_t c = 0; c < fa.corners.size(); ++c) {
                    const orv::VertexRecord &ca = fa.corners[c], &cb = fb.corners[c];
                    ExpectClose(ca.Position(), cb.Position(), 1e-6f);
                    EXPECT_NEAR(ca.u, cb.u, 0.0005 + 1e-6 * std::fabs(ca.u));
                    EXPECT_NEAR(ca.v, cb.v, 0.0005 + 1e-6 * std::fabs(ca.v));
                    EXPECT_NEAR(ca.Intensity(), cb.Intensity(), 1e-6);
                }
            }
        }
    }
    ASSERT_EQ(a.nodes.size(), b.nodes.size());
    for (std::size_t i = 0; i < a.nodes.size(); ++i) {
        const orv::C3doNode &na = a.nodes[i], &nb = b.nodes[i];
        EXPECT_EQ(std::tie(na.name, na.flags, na.type, na.mesh, na.parent, na.child, na.sibling, na.numChildren),
                  std::tie(nb.name, nb.flags, nb.type, nb.mesh, nb.parent, nb.child, nb.sibling, nb.numChildren));
        for (auto member : {&orv::C3doNode::position, &orv::C3doNode::rotation, &orv::C3doNode::pivot})
            ExpectClose(na.*member, nb.*member, 1e-5f);
    }
}

// Everything of a keyframe but its name and JOINTS count (which the writer takes from
// the model).
inline void ExpectSameKeyframe(const orv::CKeyframe& a, const orv::CKeyframe& b)
{
    EXPECT_EQ(std::tie(a.flags, a.type, a.frames, a.fps), std::tie(b.flags, b.type, b.frames, b.fps));
    ASSERT_EQ(a.markers.size(), b.markers.size());
    for (std::size_t i = 0; i < a.markers.size(); ++i) {
        EXPECT_NEAR(a.markers[i].frame, b.markers[i].frame, 1e-5);
        EXPECT_EQ(a.markers[i].type, b.markers[i].type);
    }
    ASSERT_EQ(a.nodes.size(), b.nodes.size());
    for (std::size_t n = 0; n < a.nodes.size(); ++n) {
        EXPECT_EQ(a.nodes[n].meshName, b.nodes[n].meshName);
        ASSERT_EQ(a.nodes[n].entries.size(), b.nodes[n].entries.size());
        for (std::size_t i = 0; i < a.nodes[n].entries.size(); ++i) {
            const orv::CKeyframeEntry &ea = a.nodes[n].entries[i], &eb = b.nodes[n].entries[i];
            EXPECT_EQ(std::tie(ea.num, ea.frame, ea.flags), std::tie(eb.num, eb.frame, eb.flags));
            for (auto member : {&orv::CKeyframeEntry::position, &orv::CKeyframeEntry::rotation,
                                &orv::CKeyframeEntry::deltaPosition, &orv::CKeyframeEntry::deltaRotation})
                ExpectClose(ea.*member, eb.*member, 1e-5f);
        }
    }
}

inline void ExpectSamePuppet(const orv::CModel& a, const orv::CModel& b)
{
    ASSERT_EQ(a.puppetModes.size(), b.puppetModes.size());
    for (std::size_t m = 0; m < a.puppetModes.size(); ++m) {
        const orv::CPuppetMode &ma = a.puppetModes[m], &mb = b.puppetModes[m];
        EXPECT_EQ(std::tie(ma.mode, ma.basedOn, ma.comment), std::tie(mb.mode, mb.basedOn, mb.comment));
        ASSERT_EQ(ma.items.size(), mb.items.size());
        for (std::size_t i = 0; i < ma.items.size(); ++i) {
            const orv::CPuppetItem &ia = ma.items[i], &ib = mb.items[i];
            EXPECT_EQ(std::tie(ia.name, ia.keyFile, ia.flags, ia.lowPriority, ia.highPriority, ia.description),
                      std::tie(ib.name, ib.keyFile, ib.flags, ib.lowPriority, ib.highPriority, ib.description));
        }
    }
    EXPECT_EQ(a.puppetJoints, b.puppetJoints);
}

// The model's 3DO text, without the version in its head, against
// tests/fixtures/expected/<name>.3do: every face, corner, texture vertex and node at once.
// A copy is written, as writing measures the radii and renumbers the nodes.
inline void ExpectModelAsFixture(const std::string& name, const orv::CModel& model)
{
    orv::CModel copy = model;
    ExpectSameAsFixture("expected", name + ".3do", orv::Format3do(copy, "x.3do"));
}

// The text with every LF turned into CR LF (expected writer output is written with LF
// in raw strings for legibility).
inline std::string CrLf(std::string_view text)
{
    std::string out;
    for (char c : text) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}

}  // namespace orvtest
