#include "formats/keyfile.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>

#include "formats/textformat.h"
#include "model/fileio.h"
#include "model/model.h"
#include "model/version.h"

namespace orv {

namespace fs = std::filesystem;

namespace {

Vec3 FileToModel(float x, float y, float z) { return {x, z, y}; }

bool Finite(const Vec3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

std::string_view TrimRight(std::string_view s)
{
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

// The next line that is neither empty nor a comment, whole (TABs included); false at
// the end of the text. The cursor moves past it.
bool NextDataLine(TextBuffer& buf, std::string_view& line)
{
    TextLine l;
    while (ReadLine(buf, l)) {
        const std::size_t first = l.text.find_first_not_of(" \t");
        if (first != std::string_view::npos && l.text[first] != '#') {
            line = l.text;
            return true;
        }
    }
    return false;
}

// "3 of 9 entries": how far a list got before the text ran out.
std::string Of(int32_t read, int32_t declared, const char* what)
{
    return std::to_string(read) + " of " + std::to_string(declared) + " " + what;
}

// "SECTION: MARKERS" with its count on a "MARKERS n" line (or after the section name),
// then one "frame type" row per marker. Reading stops at the first line that is not such
// a row, so a wrong count never swallows the next section. Without a count the rows there
// are are read. Returns what a count larger than the rows left unread, for the report.
std::string ReadMarkers(CKeyframe& keyframe, TextBuffer& buf, std::string_view section)
{
    std::string_view rest = section.substr(std::string_view("MARKERS").size());
    std::optional<int32_t> count;
    if (!TrimRight(rest).empty()) {
        count = ToInt(rest);
    } else {
        const std::string_view text = buf.Text();
        const std::size_t at = text.find("MARKERS ", buf.Cursor());
        const std::size_t next = text.find("SECTION: ", buf.Cursor());
        if (at != std::string_view::npos && at < next) {
            std::string_view t;
            buf.SetCursor(at);
            GetToken(buf, "MARKERS ", t, " ");
            count = ToInt(t);
        }
    }
    for (int32_t i = 0; !count || i < *count; ++i) {
        const std::size_t before = buf.Cursor();
        std::string_view line;
        CKeyframeMarker marker;
        if (!NextDataLine(buf, line) || Scan(line, "%f %d", {&marker.frame, &marker.type}) != 2) {
            buf.SetCursor(before);
            return count ? Of(i, *count, "markers") + " read" : "";
        }
        keyframe.markers.push_back(marker);
    }
    return "";
}

void Lines(std::string& out, std::string_view text) { Appendf(out, text, {}); }

// What the sections before the nodes give: the header's values as written, and whether
// the nodes follow (the cursor is then past their section's name).
struct KeyHeader {
    std::string_view flags, type, frames, fps, joints;
    bool nodesFollow = false;
    std::string missing;  // what the HEADER section lacks when it ends early
    std::string markersShort;  // the markers a count promised and the rows did not give
};

// The HEADER and MARKERS sections, up to KEYFRAME NODES. The header sets the model's
// frame count and time.
KeyHeader ReadSections(CModel& model, CKeyframe& keyframe, TextBuffer& buffer, ReadStatus& st)
{
    KeyHeader h;
    std::string_view section;
    while (GetToken(buffer, "SECTION: ", section, "\n")) {
        section = TrimRight(section);
        if (section == "HEADER") {
            st.recognised = true;
            const char* lacking = !GetToken(buffer, "FLAGS ", h.flags, " ")     ? "FLAGS"
                                  : !GetToken(buffer, "TYPE ", h.type, " ")     ? "TYPE"
                                  : !GetToken(buffer, "FRAMES ", h.frames, " ") ? "FRAMES"
                                  : !GetToken(buffer, "FPS ", h.fps, " ")       ? "FPS"
                                  : !GetToken(buffer, "JOINTS ", h.joints, " ") ? "JOINTS"
                                                                                : nullptr;
            if (lacking) {
                h.missing = std::string("the HEADER section ends before its ") + lacking + " line";
                break;
            }
            model.frameTime = 1.0f / ToFloat(h.fps);
            model.frameCount = ToInt(h.frames);
        } else if (section.starts_with("MARKERS")) {
            st.recognised = true;
            h.markersShort = ReadMarkers(keyframe, buffer, section);
        } else if (section == "KEYFRAME NODES") {
            st.recognised = true;
            h.nodesFollow = true;
            break;
        }
    }
    return h;
}

// A keyframe being read: what it holds so far, and what was found damaged on the way.
struct KeyReading {
    KeyReading(CModel& m, TextBuffer& b) : model(m), buffer(b) {}

    CModel& model;
    TextBuffer& buffer;
    KeyHeader header;
    CKeyframe keyframe;
    ReadStatus st;
    DamageNotes damage;
    bool noHeader = false;  // nodes with no header before them: no rate, no frame count

    // Takes the header's values; one that cannot be played by is read as one that can,
    // and says so.
    void TakeHeader();
    // The nodes and their entries; "" when all that the counts announce is there, else
    // what the text lacks.
    std::string ReadNodes();
    // Entry n of node `label`, from its two lines, appended to the node once its first
    // line is there.
    enum class EntryRead { Whole, Ended, Cut };
    EntryRead ReadEntry(CKeyframeNode& node, int32_t n, const std::string& label);
    // The read ends, whole or lacking `missing`: a frame count that counts no frames is
    // counted from the entries.
    KeyframeRead Finish(std::string missing);
    // A count that runs to the end of the text with no digit left may be cut.
    bool CutCount(std::string_view count) const { return RunsToEnd(buffer, count) && TrimRight(count).empty(); }
};

void KeyReading::TakeHeader()
{
    const KeyHeader& h = header;
    keyframe.flags = ToHex(h.flags);
    keyframe.type = ToHex(h.type);
    keyframe.frames = ToInt(h.frames);
    keyframe.fps = ToFloat(h.fps);
    keyframe.joints = ToInt(h.joints);
    if (!h.fps.empty() && !(keyframe.fps > 0.0f && std::isfinite(keyframe.fps))) {
        damage.Add("FPS " + std::string(h.fps) + " is no frame rate; it is read as 15");
        keyframe.fps = 15.0f;
        model.frameTime = 1.0f / keyframe.fps;
    }
    noHeader = h.nodesFollow && h.fps.empty();
    if (noHeader) {
        keyframe.fps = 15.0f;
        model.frameTime = 1.0f / keyframe.fps;
    }
    if (!h.markersShort.empty())
        damage.Add(h.markersShort);
    for (std::size_t m = 0; m < keyframe.markers.size(); ++m)
        if (!std::isfinite(keyframe.markers[m].frame)) {
            damage.Add("the frame of marker " + std::to_string(m) + " is no finite number; it is read as 0");
            keyframe.markers[m].frame = 0.0f;
        }
}

KeyframeRead KeyReading::Finish(std::string missing)
{
    st.complete = missing.empty();
    st.missing = std::move(missing);
    std::optional<int64_t> lastFrame;
    for (const auto& node : keyframe.nodes)
        for (const auto& e : node.entries)
            lastFrame = std::max<int64_t>(lastFrame.value_or(e.frame), e.frame);
    const auto counted = lastFrame ? static_cast<int32_t>(std::clamp<int64_t>(*lastFrame + 1, 1, INT32_MAX)) : 0;
    // An empty keyframe (no entries) rightly counts no frames.
    if (!noHeader && (keyframe.frames < 0 || (keyframe.frames == 0 && lastFrame))) {
        damage.Add("FRAMES " + std::string(header.frames.empty() ? "(blank)" : header.frames) +
                   " counts no frames; it is read as " + std::to_string(counted) +
                   (lastFrame && counted == *lastFrame + 1 ? ", one past the last entry's frame" : ""));
        keyframe.frames = model.frameCount = counted;
    }
    if (noHeader) {
        damage.Add("the file has no HEADER section; it is read as FRAMES " + std::to_string(counted) + " at 15 FPS");
        keyframe.frames = model.frameCount = counted;
    }
    damage.AddTo(st);
    return KeyframeRead{std::move(keyframe), std::move(st)};
}

KeyReading::EntryRead KeyReading::ReadEntry(CKeyframeNode& node, int32_t n, const std::string& label)
{
    std::string_view line1, line2;
    if (!GetToken(buffer, "", line1, ""))
        return EntryRead::Ended;
    node.entries.push_back(CKeyframeEntry());
    CKeyframeEntry& entry = node.entries.back();
    float x = 0, y = 0, z = 0, pitch = 0, yaw = 0, roll = 0;
    Scan(line1, "%d: %d %x %f %f %f %f %f %f", {&entry.num, &entry.frame, &entry.flags, &x, &y, &z, &pitch, &yaw, &roll});
    entry.position = FileToModel(x, y, z);
    entry.rotation = Vec3(pitch, roll, yaw);
    if (!GetToken(buffer, "", line2, ""))
        return EntryRead::Ended;
    x = y = z = pitch = yaw = roll = 0;
    const int deltas = Scan(line2, "%f %f %f %f %f %f", {&x, &y, &z, &pitch, &yaw, &roll});
    entry.deltaPosition = FileToModel(x, y, z);
    entry.deltaRotation = Vec3(pitch, roll, yaw);
    if (!Finite(entry.position) || !Finite(entry.rotation) || !Finite(entry.deltaPosition) ||
        !Finite(entry.deltaRotation)) {
        damage.Add("entry " + std::to_string(n) + " of " + label + " holds a value that is no finite number" +
                   "; what is not is read as 0");
        for (Vec3* v : {&entry.position, &entry.rotation, &entry.deltaPosition, &entry.deltaRotation})
            for (float* c : {&v->x, &v->y, &v->z})
                if (!std::isfinite(*c))
                    *c = 0.0f;
    }
    // An entry line with fewer numbers than its layout has, running to the end of the
    // text, may be cut. (The last line of a complete file may lack its line end; it is
    // whole when all its numbers are there.)
    return deltas < 6 && RunsToEnd(buffer, line2) ? EntryRead::Cut : EntryRead::Whole;
}

std::string KeyReading::ReadNodes()
{
    std::string_view t;
    if (!GetToken(buffer, "NODES ", t, " ") || CutCount(t))
        return "the KEYFRAME NODES section ends before its NODES line";
    const int32_t nodeCount = ToInt(t);
    for (int32_t n = 0; n < nodeCount; ++n) {
        std::string_view name;
        const std::string nodesRead = Of(n, nodeCount, "nodes") + " read";
        if (!GetToken(buffer, "NODE ", t, " "))
            return nodesRead;
        if (!GetToken(buffer, "MESH NAME ", name, " "))
            return nodesRead + "; node " + std::to_string(n) + " ends before its MESH NAME line";
        const std::string label = "node " + std::to_string(n) + " (" + std::string(name) + ")";
        if (!GetToken(buffer, "ENTRIES ", t, " ") || CutCount(t))
            return nodesRead + "; " + label + " ends before its ENTRIES line";
        keyframe.nodes.push_back(CKeyframeNode());
        CKeyframeNode& node = keyframe.nodes.back();
        node.meshName = name;
        const int32_t entryCount = ToInt(t);
        for (int32_t e = 0; e < entryCount; ++e) {
            const std::string entriesRead = nodesRead + "; " + label + " has " + Of(e, entryCount, "entries");
            switch (ReadEntry(node, e, label)) {
            case EntryRead::Whole: break;
            case EntryRead::Ended: return entriesRead;
            case EntryRead::Cut: return entriesRead + "; the last line is cut short";
            }
        }
    }
    return {};
}

}  // namespace

KeyframeRead ReadKey(CModel& model, TextBuffer& buffer)
{
    KeyReading r(model, buffer);
    r.header = ReadSections(model, r.keyframe, buffer, r.st);
    r.TakeHeader();
    if (!r.header.nodesFollow)
        return r.Finish(r.header.missing.empty() ? "no KEYFRAME NODES section" : r.header.missing);
    return r.Finish(r.ReadNodes());
}

Result<KeyframeRead> LoadKeyFile(const fs::path& path, CModel& model)
{
    auto buffer = LoadTextBuffer(path);
    if (!buffer)
        return Fail(buffer.error());
    KeyframeRead read = ReadKey(model, *buffer);
    if (!read.status.recognised)
        return Fail("not a KEY file (no SECTION found)");
    read.keyframe.name = path.filename().string();
    return read;
}

std::string FormatKey(const CKeyframe& k, int32_t joints, const std::string& headerPath)
{
    std::string o;
    std::size_t entries = 0;
    for (const auto& n : k.nodes)
        entries += n.entries.size();
    o.reserve(1024 + k.nodes.size() * 300 + entries * 220);

    Appendf(o, "# KEYFRAME '%s' created with %s\n\n", {headerPath, kVersionString});
    Lines(o, "# Header\nSECTION: HEADER\n\n");
    Appendf(o, "FLAGS  0x%04x\n", {k.flags});
    Appendf(o, "TYPE   0x%04x\n", {k.type});
    Appendf(o, "FRAMES %d\n", {k.frames});
    Appendf(o, "FPS    %6.3f\n", {k.fps});
    Appendf(o, "JOINTS %d\n\n", {joints});

    // The event markers go back where the game's own files carry them.
    if (!k.markers.empty()) {
        Lines(o, "# Markers\nSECTION: MARKERS\n\n");
        Appendf(o, "MARKERS %d\n\n", {k.markers.size()});
        for (const auto& m : k.markers)
            Appendf(o, "%f %d\n", {m.frame, m.type});
        Lines(o, "\n");
    }

    Lines(o, "# Key Frames\nSECTION: KEYFRAME NODES\n\n");
    Appendf(o, "NODES %d\n", {k.nodes.size()});
    for (std::size_t i = 0; i < k.nodes.size(); ++i) {
        const CKeyframeNode& node = k.nodes[i];
        Appendf(o, "\nNODE    %d\n", {i});
        Appendf(o, "MESH NAME %s\n", {node.meshName});
        Appendf(o, "ENTRIES %d\n\n", {node.entries.size()});
        Lines(
            o,
            "# num:   frame:   flags:           x:           y:           z:           p:           y:           r:\n");
        Lines(
            o,
            "#                                 dx:          dy:          dz:          dp:          dy:          dr:\n");
        for (const auto& e : node.entries) {
            Appendf(o, "%4d:     %3d     0x%04x  %10.8f   %10.8f   %10.8f   %10.8f   %10.8f   %10.8f\n",
                    {e.num, e.frame, e.flags, e.position.x, e.position.z, e.position.y, e.rotation.x, e.rotation.z,
                     e.rotation.y});
            Appendf(o, "                          %10.8f   %10.8f   %10.8f   %10.8f   %10.8f   %10.8f\n",
                    {e.deltaPosition.x, e.deltaPosition.z, e.deltaPosition.y, e.deltaRotation.x, e.deltaRotation.z,
                     e.deltaRotation.y});
        }
    }
    return o;
}

Status WriteKey(const CModel& model, const fs::path& path)
{
    if (!model.keyframe)
        return Fail("cannot write " + path.string() + ": there is no keyframe");
    const auto joints = static_cast<int32_t>(model.nodes.size());
    return WriteFileAtomic(path, FormatKey(*model.keyframe, joints, path.filename().string()));
}

namespace {

// Change per frame from e to n over span frames, taking the short way across 0/360.
// Pitch wraps when the next value is above 180, roll and yaw from 180 on.
float AngleDelta(float e, float n, float span, bool wrapAt180)
{
    const bool nextHigh = wrapAt180 ? n >= 180.0f : n > 180.0f;
    if (nextHigh && e < 180.0f)
        return (n - e - 360.0f) / span;
    if (n < 180.0f && e > 180.0f)
        return (n - e + 360.0f) / span;
    return (n - e) / span;
}

}  // namespace

void ComputeKeyDeltas(CKeyframe& keyframe)
{
    for (auto& node : keyframe.nodes) {
        const std::size_t count = node.entries.size();
        for (std::size_t i = 0; i < count; ++i) {
            CKeyframeEntry& e = node.entries[i];
            const CKeyframeEntry& n = node.entries[(i + 1) % count];
            e.deltaPosition = Vec3();
            e.deltaRotation = Vec3();
            // 64-bit: frame numbers come from files and may be anything.
            int64_t span = int64_t{n.frame} - int64_t{e.frame};
            if (span < 0)
                span += keyframe.frames;
            if (span <= 1)
                continue;
            const auto s = static_cast<float>(span);
            e.deltaPosition = (n.position - e.position) / s;
            e.deltaRotation.x = AngleDelta(e.rotation.x, n.rotation.x, s, false);  // pitch
            e.deltaRotation.y = AngleDelta(e.rotation.y, n.rotation.y, s, true);   // roll
            e.deltaRotation.z = AngleDelta(e.rotation.z, n.rotation.z, s, true);   // yaw
        }
    }
}

void ComputeKeyDeltas(CModel& model)
{
    if (model.keyframe)
        ComputeKeyDeltas(*model.keyframe);
}

Status CheckKeyframeSavable(const CKeyframe& keyframe)
{
    for (const auto& node : keyframe.nodes) {
        if (node.entries.empty())
            return Fail("Cannot save keyfile, since node \"" + node.meshName + "\" has no frames.");
        if (node.entries.back().frame >= keyframe.frames)
            return Fail("Cannot save keyfile, since node \"" + node.meshName + "\" has wrong frame.");
    }
    return {};
}

Status SaveKeyframe(CModel& model, const fs::path& path)
{
    if (!model.keyframe)
        return Fail("cannot write " + path.string() + ": there is no keyframe");
    if (Status savable = CheckKeyframeSavable(*model.keyframe); !savable)
        return savable;
    ComputeKeyDeltas(*model.keyframe);
    return WriteKey(model, path);
}

Status CreateEmptyKeyframe(CModel& model, const std::string& name, const fs::path& path)
{
    CKeyframe keyframe;
    keyframe.type = 0xFFFF;
    keyframe.fps = 15.0f;
    keyframe.name = name;
    model.keyframe = std::move(keyframe);
    return WriteKey(model, path);
}

}  // namespace orv
