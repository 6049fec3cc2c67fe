// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// An ordered list with binary search, for small value items (addresses, handles).

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace vantaro {

// Compares an element of the list with an item: negative when the element sorts before the
// item, 0 when equal, positive after.
template <typename Item> using TFindListCompare = int (*)(const Item& element, const Item& item);

template <typename Item> class TFindList {
public:
    // When true, AddOrdered inserts in order and keeps one element per value.
    bool KeepSorted = false;

    // Appends when KeepSorted is false. Otherwise returns the index of an equal element when one
    // exists (inserting nothing), or inserts the item where Locate places it.
    std::size_t AddOrdered(const Item& item, TFindListCompare<Item> compare) {
        if (!KeepSorted) {
            m_items.push_back(item);
            return m_items.size() - 1;
        }
        std::size_t index = 0;
        if (!Locate(item, compare, index)) {
            m_items.push_back(item);
            std::rotate(m_items.begin() + static_cast<std::ptrdiff_t>(index), m_items.end() - 1,
                        m_items.end());
        }
        return index;
    }

    // Binary search of a list in ascending order. True when an equal element exists; index is
    // then the first equal element, otherwise the place where the item would be inserted.
    bool Locate(const Item& item, TFindListCompare<Item> compare, std::size_t& index) const {
        std::size_t low = 0;
        std::size_t high = m_items.size();
        bool found = false;
        while (low < high) {
            const std::size_t middle = low + (high - low) / 2;
            const int order = compare(m_items[middle], item);
            if (order < 0) {
                low = middle + 1;
            } else {
                if (order == 0)
                    found = true;
                high = middle;
            }
        }
        index = low;
        return found;
    }

    void add(const Item& item) { m_items.push_back(item); }
    void clear() { m_items.clear(); }
    bool empty() const { return m_items.empty(); }
    std::size_t count() const { return m_items.size(); }
    const Item& operator[](std::size_t index) const { return m_items[index]; }

private:
    std::vector<Item> m_items;
};

// Address values compared as unsigned 32-bit numbers: -1 below, 0 equal, 1 above.
inline int CompareAddrs(const std::uint32_t& element, const std::uint32_t& item) {
    if (element < item)
        return -1;
    return element > item ? 1 : 0;
}

} // namespace vantaro
