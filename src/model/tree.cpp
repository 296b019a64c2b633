#include "model/tree.h"

#include <algorithm>

namespace orv {

std::string ShortNameOf(std::string_view name)
{
    const auto pos = name.find_last_of('\\');
    return std::string(pos == std::string_view::npos ? name : name.substr(pos + 1));
}

int CompareNoCase(std::string_view a, std::string_view b)
{
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        auto lower = [](char c) {
            const auto u = static_cast<unsigned char>(c);
            return (u >= 'A' && u <= 'Z') ? u + ('a' - 'A') : static_cast<int>(u);
        };
        const int ca = lower(a[i]), cb = lower(b[i]);
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

CTreeObject::CTreeObject(std::string entryName, uint32_t entryOffset, uint32_t entrySize)
    : offset(entryOffset), size(entrySize)
{
    SetName(std::move(entryName));
}

void CTreeObject::SetName(std::string entryName)
{
    name = std::move(entryName);
    shortName = ShortNameOf(name);
}

SortedEntryList::FindResult SortedEntryList::Find(std::string_view shortName) const
{
    std::size_t lo = 0, hi = entries_.size();
    while (lo < hi) {
        const std::size_t mid = lo + (hi - lo) / 2;
        if (CompareNoCase(entries_[mid]->shortName, shortName) < 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    const bool found = lo < entries_.size() && CompareNoCase(entries_[lo]->shortName, shortName) == 0;
    return {found, lo};
}

SortedEntryList& SortedEntryList::operator=(const SortedEntryList& other)
{
    if (this == &other)
        return *this;
    entries_.clear();
    entries_.reserve(other.entries_.size());
    for (const auto& e : other.entries_)
        entries_.push_back(std::make_unique<CTreeObject>(*e));
    return *this;
}

bool SortedEntryList::operator==(const SortedEntryList& other) const
{
    return std::equal(entries_.begin(), entries_.end(), other.entries_.begin(), other.entries_.end(),
                      [](const auto& a, const auto& b) { return *a == *b; });
}

CTreeObject& SortedEntryList::Add(std::unique_ptr<CTreeObject> entry)
{
    const auto pos = Find(entry->shortName).position;
    auto it = entries_.insert(entries_.begin() + static_cast<std::ptrdiff_t>(pos), std::move(entry));
    return **it;
}

const CTreeObject* SortedEntryList::Lookup(std::string_view shortName) const
{
    const auto r = Find(shortName);
    return r.found ? entries_[r.position].get() : nullptr;
}

void SortedEntryList::RemoveAt(std::size_t i)
{
    if (i < entries_.size())
        entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(i));
}

void SortedEntryList::Clear()
{
    while (!entries_.empty())
        entries_.pop_back();
}

}  // namespace orv
