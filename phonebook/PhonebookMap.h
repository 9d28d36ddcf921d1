#pragma once
// Number -> name for the phonebook store: the entries in one array, found through an
// open-addressing index. The whole file is merged into it at every lookup and written from it
// at every change, so walking it and finding a number must not chase scattered nodes. A second
// index finds an entry by the canonical form of its number (phonebook/PhoneNumber.h), so that a
// caller whose digits match no entry costs one more lookup, not a walk through them all.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class PhonebookMap {
  public:
    using Entry = std::pair<std::string, std::string>;

    std::size_t Count() const { return m_entries.size(); }
    bool Empty() const { return m_entries.empty(); }
    // In the map's own order, which means nothing.
    const std::vector<Entry>& Entries() const { return m_entries; }

    // The name of number, or null.
    const std::string* Find(std::string_view number) const;
    // Adds the entry unless the number is there already; true when added.
    bool Add(std::string_view number, std::string_view name);
    void Set(std::string number, std::string name);
    bool Remove(std::string_view number);

    // An entry whose number has this canonical form, or null; of several, any one.
    const Entry* FindCanonical(std::string_view canonical) const;
    // The phonebook's country, which canonical forms depend on (0 until set).
    void SetCountry(int country);

  private:
    static constexpr std::uint32_t kEmpty = 0xFFFFFFFF;

    // The slot that holds number, or the empty slot where it would go.
    std::size_t SlotOf(std::string_view number, std::size_t hash) const;
    void Grow();
    void Append(std::string number, std::string name, std::size_t hash, std::size_t slot);

    // The canonical index is built at its first use and then kept up to date by every change;
    // a new country drops it.
    std::string CanonicalOf(std::string_view number) const;
    void BuildCanonical() const;
    // Sizes the canonical slots for the hashes kept and places every entry.
    void PlaceCanonical() const;
    void InsertCanonical(std::uint32_t index) const;
    // The canonical slot that holds entry index.
    std::size_t CanonicalSlotOf(std::uint32_t index) const;
    void EraseCanonicalSlot(std::size_t slot) const;

    std::vector<Entry> m_entries;
    std::vector<std::size_t> m_hashes;  // per entry
    std::vector<std::uint32_t> m_slots; // entry index or kEmpty; size a power of two
    int m_country = 0;
    mutable bool m_canonicalBuilt = false;
    mutable std::vector<std::size_t> m_canonicalHashes;  // per entry, while built
    mutable std::vector<std::uint32_t> m_canonicalSlots; // as m_slots, by canonical form
};
