// The editor's own binary project file (".orv"): the whole model, then the camera, in
// the little-endian archive layout that project files and undo snapshots share.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "model/geometry.h"
#include "model/model.h"
#include "model/result.h"

namespace orv {

struct CameraState {
    Vec3 eye;
    Vec3 direction;
    Vec3 up;
};

// Growable little-endian byte sink with the archive's primitive forms.
class ArchiveWriter {
public:
    void U8(uint8_t v) { *Grow(1) = v; }
    void U16(uint16_t v)
    {
        uint8_t* p = Grow(2);
        p[0] = static_cast<uint8_t>(v);
        p[1] = static_cast<uint8_t>(v >> 8);
    }
    void U32(uint32_t v)
    {
        uint8_t* p = Grow(4);
        for (int i = 0; i < 4; ++i)
            p[i] = static_cast<uint8_t>(v >> (8 * i));
    }
    void I32(int32_t v) { U32(static_cast<uint32_t>(v)); }
    void F32(float v) { U32(std::bit_cast<uint32_t>(v)); }
    void Raw(const void* data, std::size_t size)
    {
        if (size > 0)
            std::memcpy(Grow(size), data, size);
    }
    void String(std::string_view s);
    void Count(std::size_t n);
    void Vec(const Vec3& v);
    void Matrix(const Matrix4& m);
    // Count n, then n placeholder words.
    void ObjectListHead(std::size_t n);
    // The class tag of an object reference: the full class record the first time a class
    // is written in this archive, 0x8000 + its index afterwards.
    void ObjectReference(std::string_view className);

    // Room for n bytes in all, so that a large model is written without regrowing.
    void Reserve(std::size_t n);
    // The bytes written so far.
    std::vector<uint8_t>& Bytes();
    std::vector<uint8_t> Take();

private:
    // n bytes more at the end; the buffer grows ahead of the bytes written, so that the
    // many small fields of a large model cost a compare and a store each.
    uint8_t* Grow(std::size_t n)
    {
        if (n > bytes_.size() - used_)
            Expand(n);
        uint8_t* p = bytes_.data() + used_;
        used_ += n;
        return p;
    }
    void Expand(std::size_t n);

    std::vector<uint8_t> bytes_;  // its size is the room; used_ bytes hold the archive
    std::size_t used_ = 0;
    std::vector<std::pair<std::string, uint32_t>> classes_;
    uint32_t nextIndex_ = 1;
};

// Bounds-checked reader of the same forms; every failure throws ArchiveError, and no
// count is trusted beyond the bytes left. The exception stays inside the project
// reader: LoadModel and LoadProject give it back as their failure.
class ArchiveError : public std::exception {
public:
    explicit ArchiveError(std::string what) : what_(std::move(what)) {}
    const char* what() const noexcept override { return what_.c_str(); }

private:
    std::string what_;
};

class ArchiveReader {
public:
    ArchiveReader(const uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    uint8_t U8();
    uint16_t U16();
    uint32_t U32();
    int32_t I32() { return static_cast<int32_t>(U32()); }
    float F32();
    void Raw(void* out, std::size_t size);
    std::string String();
    // A count whose elements take at least minElementSize bytes each.
    std::size_t Count(std::size_t minElementSize);
    Vec3 Vec();
    Matrix4 Matrix();
    std::size_t ObjectListHead(std::size_t minElementSize);
    // Reads an object reference's class tag and checks it names className.
    void ObjectReference(std::string_view className);

    std::size_t Position() const { return pos_; }
    // Back to a position already passed.
    void Seek(std::size_t pos) { pos_ = pos <= size_ ? pos : size_; }
    std::size_t Remaining() const { return size_ - pos_; }

private:
    void Need(std::size_t n, const char* what);
    const uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
    std::vector<std::string> classes_;  // class name by index (classes and objects share it)
    uint32_t nextIndex_ = 1;
};

// Writes the model part (sets the format tag to "JK1" and rebuilds every mesh's lists).
void StoreModel(ArchiveWriter& out, CModel& model);
// Reads the model part into a fresh model; fails on a short or corrupt archive.
// version receives the number after the tag's first two characters.
Result<std::unique_ptr<CModel>> LoadModel(ArchiveReader& in, int* version = nullptr);

struct LoadedProject {
    std::unique_ptr<CModel> model;  // never null
    CameraState camera;
};

// A whole project file: the model part, then the camera, then (only when the model has
// puppet joint lines, which the model part has no place for) a trailer that keeps them.
std::vector<uint8_t> SaveProject(CModel& model, const CameraState& camera);
// Parses a whole project file. Fails when the bytes are not a complete project; nothing
// half-loaded is ever returned.
Result<LoadedProject> LoadProject(const uint8_t* data, std::size_t size);

// Reads and writes project files on disk (written atomically). A file that does not
// begin with a project's format tag is reported as "not an Orvane project file", with
// what it looks like when its first bytes tell; a project that ends early or is damaged
// as "not a complete project file (...)".
Result<LoadedProject> ReadProjectFile(const std::string& path);
Status WriteProjectFile(const std::string& path, CModel& model, const CameraState& camera);

}  // namespace orv
