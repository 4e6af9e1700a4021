// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// THash: text keys to text values, keys compared ignoring letter case. Put appends (moving a
// key that is already present to the end); positions count from 0 in insertion order.
// Lookups go through an index of the case-folded keys, so Put, Get and Exists take constant
// time on average.
#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

class THash {
public:
  THash() = default;

  // Stores value under key; returns the key's position afterwards, always the last one.
  int Put(const std::string& key, const std::string& value);
  // The value stored under key; throws platform::Error "キーが見つかりません。`key`" when absent.
  std::string Get(const std::string& key) const;
  bool Exists(const std::string& key) const;
  // The value stored under key, null when absent: one lookup where Exists and Get take two.
  // The pointer is good until the next Put.
  const std::string* Value(const std::string& key) const;
  // Makes room for count more keys, so that a bulk load does not grow the table step by step.
  void Reserve(std::size_t count);

  std::size_t Count() const { return live_; }
  // Keys and values in order of position (the key as last put).
  std::vector<std::string> Keys() const;
  std::vector<std::string> Values() const;

private:
  struct Entry {
    std::string key;
    std::string value;
    bool live = true;
  };

  const Entry* Find(const std::string& key) const;
  void CompactWhenSparse();

  // Entries in insertion order; a replaced entry stays as a dead slot until compaction.
  std::vector<Entry> entries_;
  std::unordered_map<std::u16string, std::size_t> index_;  // folded key -> slot
  std::size_t live_ = 0;
};
