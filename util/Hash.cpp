// SPDX-License-Identifier: GPL-3.0-or-later
#include "util/Hash.h"

#include "platform/CodePage.h"
#include "platform/Error.h"
#include "platform/TextCompare.h"

namespace {

// Dead slots are squeezed out once they outnumber the live ones (and are not just a few),
// which keeps the work per Put constant on average.
constexpr std::size_t kMinDeadBeforeCompaction = 64;

std::string KeyNotFoundMessage(const std::string& key) {
  static const std::string format = platform::Sjis("キーが見つかりません。`%s`");
  std::string message = format;
  const std::size_t at = message.find("%s");
  if (at != std::string::npos) message.replace(at, 2, key);
  return message;
}

}  // namespace

int THash::Put(const std::string& key, const std::string& value) {
  auto [slot, added] = index_.try_emplace(platform::CaseFold(key), entries_.size());
  if (!added) {
    Entry& old = entries_[slot->second];
    old.live = false;
    old.key.clear();
    old.value.clear();
    --live_;
    slot->second = entries_.size();
  }
  entries_.push_back({key, value, true});
  ++live_;
  CompactWhenSparse();
  return static_cast<int>(live_ - 1);
}

std::string THash::Get(const std::string& key) const {
  const Entry* entry = Find(key);
  if (!entry) throw platform::Error(KeyNotFoundMessage(key));
  return entry->value;
}

bool THash::Exists(const std::string& key) const { return Find(key) != nullptr; }

const std::string* THash::Value(const std::string& key) const {
  const Entry* entry = Find(key);
  return entry ? &entry->value : nullptr;
}

void THash::Reserve(std::size_t count) {
  entries_.reserve(entries_.size() + count);
  index_.reserve(index_.size() + count);
}

std::vector<std::string> THash::Keys() const {
  std::vector<std::string> keys;
  keys.reserve(live_);
  for (const Entry& entry : entries_)
    if (entry.live) keys.push_back(entry.key);
  return keys;
}

std::vector<std::string> THash::Values() const {
  std::vector<std::string> values;
  values.reserve(live_);
  for (const Entry& entry : entries_)
    if (entry.live) values.push_back(entry.value);
  return values;
}

const THash::Entry* THash::Find(const std::string& key) const {
  auto found = index_.find(platform::CaseFold(key));
  return found == index_.end() ? nullptr : &entries_[found->second];
}

void THash::CompactWhenSparse() {
  const std::size_t dead = entries_.size() - live_;
  if (dead < kMinDeadBeforeCompaction || dead <= live_) return;
  std::vector<std::size_t> newSlot(entries_.size(), 0);
  std::size_t next = 0;
  for (std::size_t slot = 0; slot < entries_.size(); ++slot) {
    if (!entries_[slot].live) continue;
    newSlot[slot] = next;
    if (slot != next) entries_[next] = std::move(entries_[slot]);
    ++next;
  }
  entries_.resize(next);
  for (auto& [folded, slot] : index_) slot = newSlot[slot];
}
