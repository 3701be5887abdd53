// SPDX-License-Identifier: Zlib
// The world's ordered lists: non-owning references, appended at the end, read
// by index, and removed by reference with the rest keeping their order.
#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

template <class T>
class TList {
 public:
  // Room for every member the list will ever hold, so that a tick's removal
  // and re-append never allocate.
  void Reserve(int count) { items_.reserve(size_t(std::max(count, 0))); }
  void Add(T* item) { items_.push_back(item); }
  T* operator[](int index) const { return items_[size_t(index)]; }
  int Count() const { return int(items_.size()); }
  // In order, for loops that leave the list as it is.
  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }
  // Removes the first occurrence, if any.
  void Remove(const T* item) {
    auto it = std::find(items_.begin(), items_.end(), item);
    if (it != items_.end()) items_.erase(it);
  }
  void Clear() { items_.clear(); }

 private:
  std::vector<T*> items_;
};
