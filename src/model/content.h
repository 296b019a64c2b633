// The fields a model's content is made of, record by record: one list per record,
// visited in one order by everything that must see all of them -- the fingerprints that
// tell what changed, and the writer and reader of undo steps. A field added to a stored
// record is added here once, and then no part of the snapshot can miss it.
//
// Derived fields are left out on purpose: a mesh's vertex, texture-vertex and normal
// lists and each face's index lists and normal are rebuilt from the corners
// (RebuildMeshLists). What is not stored lies outside these records (CModel's ModelPose
// and caches).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "model/fingerprint.h"
#include "model/keyframe.h"
#include "model/model.h"
#include "model/tree.h"

namespace orv {

// A visitor V is called as v(field) for each field (numbers and other plain values,
// strings, lists of plain values or of strings), as v.Span(first, bytes) for plain fields
// that lie next to each other in memory, as v.Owned(list, visitItem) for a list
// of records and as v.Optional(record, visitRecord) for a record that may be absent. Record is the record's type, const or not, as the visitor reads or writes it.

// A face's plain fields lie in two runs, each visited whole (v.Span(first, bytes)): a
// model has faces by the hundred thousand, and a step goes over every one of them.
// The surface: material, type, geometryMode, lightingMode, textureMode, extraLight.
inline constexpr std::size_t kFaceSurfaceBytes = 6 * 4;
// The texture layout: startVertex, angle, uOffset, vOffset, uScale, vScale, mirror.
inline constexpr std::size_t kFaceLayoutBytes = 7 * 4;
static_assert(std::is_standard_layout_v<CFace>);
static_assert(offsetof(CFace, type) == offsetof(CFace, material) + 4 &&
              offsetof(CFace, geometryMode) == offsetof(CFace, material) + 8 &&
              offsetof(CFace, lightingMode) == offsetof(CFace, material) + 12 &&
              offsetof(CFace, textureMode) == offsetof(CFace, material) + 16 &&
              offsetof(CFace, extraLight) == offsetof(CFace, material) + 20 && sizeof(CFace::extraLight) == 4);
static_assert(offsetof(CFace, angle) == offsetof(CFace, startVertex) + 4 &&
              offsetof(CFace, uOffset) == offsetof(CFace, startVertex) + 8 &&
              offsetof(CFace, vOffset) == offsetof(CFace, startVertex) + 12 &&
              offsetof(CFace, uScale) == offsetof(CFace, startVertex) + 16 &&
              offsetof(CFace, vScale) == offsetof(CFace, startVertex) + 20 &&
              offsetof(CFace, mirror) == offsetof(CFace, startVertex) + 24 && sizeof(CFace::mirror) == 4);

// Every record's size as of the lists below: a field added to a record changes it, and
// this stops the build until the field is visited here (or found derived) and the size
// set anew.
static_assert(sizeof(CFace) == 176 && sizeof(MeshAttributes) == 136 && sizeof(C3doNode) == 128 &&
                  sizeof(CPuppetItem) == 112 && sizeof(CPuppetMode) == 64 && sizeof(CKeyframe) == 104 &&
                  sizeof(CKeyframeNode) == 56 && sizeof(CKeyframeEntry) == 60 && sizeof(CTreeObject) == 96 &&
                  sizeof(ModelContent) == 424,
              "a stored record changed: visit its new field in model/content.h");

template <typename V, typename Face>
void VisitFaceFields(V& v, Face& f)
{
    v(f.name);
    v.Span(&f.material, kFaceSurfaceBytes);
    v.Span(&f.startVertex, kFaceLayoutBytes);
    v(f.corners);
}

// A mesh's own fields (its faces are visited face by face).
template <typename V, typename Mesh>
void VisitMeshFields(V& v, Mesh& m)
{
    v(m.name);
    v(m.radius);
    v(m.geometryMode);
    v(m.lightingMode);
    v(m.textureMode);
    v(m.placementOffset);
}

template <typename V, typename Node>
void VisitNodeFields(V& v, Node& n)
{
    v(n.num);
    v(n.flags);
    v(n.type);
    v(n.mesh);
    v(n.parent);
    v(n.child);
    v(n.sibling);
    v(n.numChildren);
    v(n.position);
    v(n.rotation);
    v(n.pivot);
    v(n.name);
    v(n.poses);
}

template <typename V, typename Item>
void VisitPuppetItemFields(V& v, Item& it)
{
    v(it.name);
    v(it.keyFile);
    v(it.flags);
    v(it.lowPriority);
    v(it.highPriority);
    v(it.description);
}

template <typename V, typename Mode>
void VisitPuppetModeFields(V& v, Mode& m)
{
    v(m.mode);
    v(m.basedOn);
    v(m.comment);
    v.Owned(m.items, [&v](auto& it) { VisitPuppetItemFields(v, it); });
}

template <typename V, typename Key>
void VisitKeyframeFields(V& v, Key& k)
{
    v(k.flags);
    v(k.type);
    v(k.frames);
    v(k.fps);
    v(k.joints);
    v(k.name);
    v(k.markers);
    v.Owned(k.nodes, [&v](auto& node) {
        v(node.meshName);
        v.Owned(node.entries, [&v](auto& e) {
            v(e.num);
            v(e.frame);
            v(e.flags);
            v(e.position);
            v(e.rotation);
            v(e.deltaPosition);
            v(e.deltaRotation);
        });
    });
}

template <typename V, typename Entry>
void VisitTreeObjectFields(V& v, Entry& e)
{
    v(e.shortName);
    v(e.name);
    v(e.offset);
    v(e.size);
    v(e.data);
}

// Everything of the content but the geometry sets.
template <typename V, typename Content>
void VisitContentHead(V& v, Content& c)
{
    v(c.formatTag);
    v(c.version3do);
    v(c.materials);
    v(c.radius);
    v(c.insertOffset);
    v.Owned(c.nodes, [&v](auto& n) { VisitNodeFields(v, n); });
    v.Owned(c.puppetModes, [&v](auto& m) { VisitPuppetModeFields(v, m); });
    v(c.puppetJoints);
    v.Optional(c.keyframe, [&v](auto& k) { VisitKeyframeFields(v, k); });
    v(c.frameCount);
    v(c.frameTime);
    v(c.currentGeoset);
    v.Owned(c.customMaterials.Entries(), [&v](auto& e) { VisitTreeObjectFields(v, e); });
    v(c.modelMatrix);
    v(c.currentMode);
    v(c.currentSubMode);
}

// A record of a list, whether the list holds it or owns it through a pointer.
template <typename T>
T& Deref(T& record)
{
    return record;
}
template <typename T>
T& Deref(const std::unique_ptr<T>& record)
{
    return *record;
}
template <typename T>
T& Deref(std::unique_ptr<T>& record)
{
    return *record;
}

// Feeds every visited field into a fingerprint.
class FingerprintVisitor {
public:
    explicit FingerprintVisitor(Fingerprint& fp) : fp_(fp) {}

    void operator()(const std::string& s) { fp_.Text(s); }
    void operator()(const std::vector<std::string>& list)
    {
        fp_.Value(static_cast<uint64_t>(list.size()));
        for (const auto& s : list)
            fp_.Text(s);
    }
    template <typename T>
    void operator()(const std::vector<T>& list)
    {
        fp_.List(list);
    }
    template <typename T>
    void operator()(const T& value)
    {
        fp_.Value(value);
    }
    void Span(const void* first, std::size_t bytes) { fp_.Add(first, bytes); }
    template <typename T, typename F>
    void Owned(const std::vector<T>& list, F visitItem)
    {
        fp_.Value(static_cast<uint64_t>(list.size()));
        for (const auto& item : list)
            visitItem(Deref(item));
    }
    template <typename T, typename F>
    void Optional(const std::optional<T>& record, F visitRecord)
    {
        fp_.Value(static_cast<uint8_t>(record ? 1 : 0));
        if (record)
            visitRecord(*record);
    }

private:
    Fingerprint& fp_;
};

// Faces are taken in blocks of this many (the last block of a mesh may be shorter):
// an undo step shares every block that did not change with the step before.
inline constexpr std::size_t kFaceBlock = 256;

// The fingerprint of faces [first, first + count) of a mesh: every visited field.
uint64_t FaceBlockFingerprint(const CMesh& mesh, std::size_t first, std::size_t count);

// What the faces of a mesh place, as one fingerprint: the face blocks' fingerprints, the
// placement offset, and (while the corners are not built) the lists they stand on. What
// FacesFingerprint gives is the combination of FaceBlockFingerprint over the blocks, so
// that a caller holding those already need not go over the faces again.
uint64_t FacesFingerprint(const CMesh& mesh);
uint64_t CombineFacesFingerprint(const CMesh& mesh, const std::vector<uint64_t>& blockFingerprints);

}  // namespace orv
