#include "phonebook/PhonebookMap.h"

#include "phonebook/CanonicalNumber.h"

#include <functional>

namespace {

std::size_t Hash(std::string_view text) {
    return std::hash<std::string_view>{}(text);
}

} // namespace

std::size_t PhonebookMap::SlotOf(std::string_view number, std::size_t hash) const {
    const std::size_t mask = m_slots.size() - 1;
    for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
        const std::uint32_t index = m_slots[slot];
        if (index == kEmpty || (m_hashes[index] == hash && m_entries[index].first == number))
            return slot;
    }
}

const std::string* PhonebookMap::Find(std::string_view number) const {
    if (m_slots.empty())
        return nullptr;
    const std::uint32_t index = m_slots[SlotOf(number, Hash(number))];
    return index == kEmpty ? nullptr : &m_entries[index].second;
}

void PhonebookMap::Grow() {
    // At most half full, so probes stay short.
    if ((m_entries.size() + 1) * 2 <= m_slots.size())
        return;
    std::vector<std::uint32_t> slots(m_slots.empty() ? 16 : m_slots.size() * 2, kEmpty);
    const std::size_t mask = slots.size() - 1;
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        std::size_t slot = m_hashes[i] & mask;
        while (slots[slot] != kEmpty)
            slot = (slot + 1) & mask;
        slots[slot] = static_cast<std::uint32_t>(i);
    }
    m_slots = std::move(slots);
}

void PhonebookMap::Append(std::string number, std::string name, std::size_t hash,
                          std::size_t slot) {
    const auto index = static_cast<std::uint32_t>(m_entries.size());
    m_slots[slot] = index;
    m_entries.emplace_back(std::move(number), std::move(name));
    m_hashes.push_back(hash);
    if (m_canonicalBuilt)
        InsertCanonical(index);
}

bool PhonebookMap::Add(std::string_view number, std::string_view name) {
    Grow();
    const std::size_t hash = Hash(number);
    const std::size_t slot = SlotOf(number, hash);
    if (m_slots[slot] != kEmpty)
        return false;
    Append(std::string(number), std::string(name), hash, slot);
    return true;
}

void PhonebookMap::Set(std::string number, std::string name) {
    Grow();
    const std::size_t hash = Hash(number);
    const std::size_t slot = SlotOf(number, hash);
    if (m_slots[slot] != kEmpty)
        m_entries[m_slots[slot]].second = std::move(name);
    else
        Append(std::move(number), std::move(name), hash, slot);
}

bool PhonebookMap::Remove(std::string_view number) {
    if (m_slots.empty())
        return false;
    const std::size_t mask = m_slots.size() - 1;
    std::size_t hole = SlotOf(number, Hash(number));
    const std::uint32_t index = m_slots[hole];
    if (index == kEmpty)
        return false;

    // The last entry moves into the freed place of the array.
    const std::uint32_t last = static_cast<std::uint32_t>(m_entries.size() - 1);
    if (m_canonicalBuilt) {
        EraseCanonicalSlot(CanonicalSlotOf(index));
        if (index != last) {
            m_canonicalSlots[CanonicalSlotOf(last)] = index;
            m_canonicalHashes[index] = m_canonicalHashes[last];
        }
        m_canonicalHashes.pop_back();
    }
    if (index != last) {
        m_slots[SlotOf(m_entries[last].first, m_hashes[last])] = index;
        m_entries[index] = std::move(m_entries[last]);
        m_hashes[index] = m_hashes[last];
    }
    m_entries.pop_back();
    m_hashes.pop_back();

    // Close the hole in the index: later slots of the same run move back where they may.
    m_slots[hole] = kEmpty;
    for (std::size_t slot = (hole + 1) & mask; m_slots[slot] != kEmpty; slot = (slot + 1) & mask) {
        const std::size_t home = m_hashes[m_slots[slot]] & mask;
        if (((slot - home) & mask) >= ((slot - hole) & mask)) {
            m_slots[hole] = m_slots[slot];
            m_slots[slot] = kEmpty;
            hole = slot;
        }
    }
    return true;
}

const PhonebookMap::Entry* PhonebookMap::FindCanonical(std::string_view canonical) const {
    if (!m_canonicalBuilt)
        BuildCanonical();
    if (m_canonicalSlots.empty())
        return nullptr;
    const std::size_t hash = Hash(canonical);
    const std::size_t mask = m_canonicalSlots.size() - 1;
    for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
        const std::uint32_t index = m_canonicalSlots[slot];
        if (index == kEmpty)
            return nullptr;
        // The form is made again only for an entry whose hash matches: mostly the one sought.
        if (m_canonicalHashes[index] == hash && CanonicalOf(m_entries[index].first) == canonical)
            return &m_entries[index];
    }
}

void PhonebookMap::SetCountry(int country) {
    if (country == m_country)
        return;
    m_country = country;
    m_canonicalBuilt = false;
    m_canonicalHashes = {};
    m_canonicalSlots = {};
}

std::string PhonebookMap::CanonicalOf(std::string_view number) const {
    return CanonicalNumber(number, NumberKind::AsWritten, m_country);
}

void PhonebookMap::BuildCanonical() const {
    m_canonicalHashes.clear();
    m_canonicalHashes.reserve(m_entries.size());
    for (const Entry& entry : m_entries)
        m_canonicalHashes.push_back(Hash(CanonicalOf(entry.first)));
    PlaceCanonical();
    m_canonicalBuilt = true;
}

void PhonebookMap::PlaceCanonical() const {
    std::size_t size = 16;
    while (size < m_canonicalHashes.size() * 2)
        size *= 2;
    m_canonicalSlots.assign(size, kEmpty);
    const std::size_t mask = size - 1;
    for (std::size_t i = 0; i < m_canonicalHashes.size(); ++i) {
        std::size_t slot = m_canonicalHashes[i] & mask;
        while (m_canonicalSlots[slot] != kEmpty)
            slot = (slot + 1) & mask;
        m_canonicalSlots[slot] = static_cast<std::uint32_t>(i);
    }
}

void PhonebookMap::InsertCanonical(std::uint32_t index) const {
    m_canonicalHashes.push_back(Hash(CanonicalOf(m_entries[index].first)));
    // At most half full, as the number index.
    if (m_canonicalHashes.size() * 2 > m_canonicalSlots.size()) {
        PlaceCanonical();
        return;
    }
    const std::size_t mask = m_canonicalSlots.size() - 1;
    std::size_t slot = m_canonicalHashes[index] & mask;
    while (m_canonicalSlots[slot] != kEmpty)
        slot = (slot + 1) & mask;
    m_canonicalSlots[slot] = index;
}

std::size_t PhonebookMap::CanonicalSlotOf(std::uint32_t index) const {
    const std::size_t mask = m_canonicalSlots.size() - 1;
    std::size_t slot = m_canonicalHashes[index] & mask;
    while (m_canonicalSlots[slot] != index)
        slot = (slot + 1) & mask;
    return slot;
}

void PhonebookMap::EraseCanonicalSlot(std::size_t hole) const {
    const std::size_t mask = m_canonicalSlots.size() - 1;
    m_canonicalSlots[hole] = kEmpty;
    // As in Remove: later slots of the same run move back where they may.
    for (std::size_t slot = (hole + 1) & mask; m_canonicalSlots[slot] != kEmpty;
         slot = (slot + 1) & mask) {
        const std::size_t home = m_canonicalHashes[m_canonicalSlots[slot]] & mask;
        if (((slot - home) & mask) >= ((slot - hole) & mask)) {
            m_canonicalSlots[hole] = m_canonicalSlots[slot];
            m_canonicalSlots[slot] = kEmpty;
            hole = slot;
        }
    }
}
