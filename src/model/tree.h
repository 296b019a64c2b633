// Resource entries (a file in an archive, an archive record, or a custom material held
// in memory) and the list that keeps them sorted by short name.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace orv {

struct CTreeObject {
    std::string shortName;  // the part of name after its last backslash
    std::string name;       // path inside the archive, backslash separated
    uint32_t offset = 0;
    uint32_t size = 0;
    std::vector<uint8_t> data;  // in-memory copy (custom materials); empty when none

    CTreeObject() = default;
    CTreeObject(std::string entryName, uint32_t entryOffset, uint32_t entrySize);

    void SetName(std::string entryName);

    bool operator==(const CTreeObject&) const = default;
};

// The part of name after its last backslash (the whole name if it has none).
std::string ShortNameOf(std::string_view name);

// Case-insensitive byte order of short names (<0, 0, >0).
int CompareNoCase(std::string_view a, std::string_view b);

// Resource entries kept in the order of their short names, without regard to case.
class SortedEntryList {
public:
    struct FindResult {
        bool found = false;
        std::size_t position = 0;
    };

    SortedEntryList() = default;
    // A copy holds entries of its own, equal to these.
    SortedEntryList(const SortedEntryList& other) { *this = other; }
    SortedEntryList& operator=(const SortedEntryList& other);
    SortedEntryList(SortedEntryList&&) noexcept = default;
    SortedEntryList& operator=(SortedEntryList&&) noexcept = default;
    bool operator==(const SortedEntryList& other) const;

    // Binary search on the short names. When found, position is the first matching
    // entry; otherwise where the name would be inserted.
    FindResult Find(std::string_view shortName) const;
    // Inserts in order; an entry with a name already present goes before its namesakes.
    CTreeObject& Add(std::unique_ptr<CTreeObject> entry);

    std::size_t Count() const { return entries_.size(); }
    CTreeObject& At(std::size_t i) { return *entries_[i]; }
    const CTreeObject& At(std::size_t i) const { return *entries_[i]; }
    // The entry with this short name, or nullptr.
    const CTreeObject* Lookup(std::string_view shortName) const;
    void RemoveAt(std::size_t i);
    void Clear();

    // Direct access for the project-file reader, which restores the stored order.
    std::vector<std::unique_ptr<CTreeObject>>& Entries() { return entries_; }
    const std::vector<std::unique_ptr<CTreeObject>>& Entries() const { return entries_; }

private:
    std::vector<std::unique_ptr<CTreeObject>> entries_;
};

}  // namespace orv
