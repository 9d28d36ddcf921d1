#pragma once
// Number -> name for the phonebook store: the entries in one array, found through an
// open-addressing index. The whole file is merged into it at every lookup and written from it
// at every change, so walking it and finding a number must not chase scattered nodes.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class PhonebookMap {
  public:
    using Entry = std::pair<std::string, std::string>;

    std::size_t size() const { return m_entries.size(); }
    bool empty() const { return m_entries.empty(); }
    // In the map's own order, which means nothing.
    const std::vector<Entry>& Entries() const { return m_entries; }

    // The name of number, or null.
    const std::string* Find(std::string_view number) const;
    // Adds the entry unless the number is there already; true when added.
    bool Add(std::string_view number, std::string_view name);
    void Set(std::string number, std::string name);
    bool Remove(std::string_view number);

  private:
    static constexpr std::uint32_t kEmpty = 0xFFFFFFFF;

    // The slot that holds number, or the empty slot where it would go.
    std::size_t SlotOf(std::string_view number, std::size_t hash) const;
    void Grow();
    void Append(std::string number, std::string name, std::size_t hash, std::size_t slot);

    std::vector<Entry> m_entries;
    std::vector<std::size_t> m_hashes;  // per entry
    std::vector<std::uint32_t> m_slots; // entry index or kEmpty; size a power of two
};
