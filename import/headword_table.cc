#include "import/headword_table.h"

namespace lexora::import {
namespace {

constexpr std::size_t kInitialSlots = 1024;

}  // namespace

std::size_t HeadwordTable::hash_of(std::string_view text) {
  // FNV-1a: short keys, good spread, no allocation.
  std::uint64_t h = 1469598103934665603ull;
  for (char c : text) {
    h ^= static_cast<unsigned char>(c);
    h *= 1099511628211ull;
  }
  return static_cast<std::size_t>(h ^ (h >> 29));
}

HeadwordTable::HeadwordTable() : slots_(kInitialSlots, kFreeSlot) {}

std::string_view HeadwordTable::headword(std::uint32_t i) const {
  return std::string_view(text_).substr(entries_[i].text_offset, entries_[i].text_size);
}

std::size_t HeadwordTable::slot_of(std::string_view headword, std::size_t hash) const {
  const std::size_t mask = slots_.size() - 1;
  const std::uint64_t tag = tag_of(hash);
  std::size_t slot = hash & mask;
  // The tag settles most mismatches without reading the other headword.
  while (slots_[slot] != kFreeSlot &&
         ((slots_[slot] & kTagBits) != tag || this->headword(entry_of(slots_[slot])) != headword))
    slot = (slot + 1) & mask;
  return slot;
}

std::uint32_t HeadwordTable::find(std::string_view headword) const {
  const std::uint64_t s = slots_[slot_of(headword, hash_of(headword))];
  return s == kFreeSlot ? kNoIndex : entry_of(s);
}

void HeadwordTable::reserve(std::size_t count, std::size_t bytes) {
  entries_.reserve(entries_.size() + count);
  links_.reserve(links_.size() + count);
  text_.reserve(text_.size() + bytes);
  if (slots_.size() < 2 * (entries_.size() + count)) grow(2 * (entries_.size() + count));
}

void HeadwordTable::grow(std::size_t at_least) {
  std::size_t size = slots_.size() * 2;
  while (size < at_least) size *= 2;
  LargeVector<std::uint64_t> old(size, kFreeSlot);
  old.swap(slots_);
  const std::size_t mask = slots_.size() - 1;
  for (const std::uint64_t s : old) {
    if (s == kFreeSlot) continue;
    std::size_t slot = hash_of(headword(entry_of(s))) & mask;
    while (slots_[slot] != kFreeSlot) slot = (slot + 1) & mask;
    slots_[slot] = s;
  }
}

std::uint32_t HeadwordTable::find_or_add(std::string_view headword) {
  const std::size_t hash = hash_of(headword);
  const std::size_t slot = slot_of(headword, hash);
  if (slots_[slot] != kFreeSlot) return entry_of(slots_[slot]);
  // Offsets and counts are 32-bit, as in the dictionary file itself.
  if (entries_.size() >= kNoIndex - 1 || text_.size() + headword.size() >= kNoIndex)
    return kNoIndex;
  const auto index = static_cast<std::uint32_t>(entries_.size());
  entries_.push_back(
      Entry{static_cast<std::uint32_t>(text_.size()), static_cast<std::uint32_t>(headword.size())});
  text_.append(headword);
  slots_[slot] = tag_of(hash) | index;
  // Keep the table at most half full so that probes stay short.
  if (entries_.size() * 2 > slots_.size()) grow();
  return index;
}

bool HeadwordTable::add_article(std::uint32_t i, std::uint32_t article) {
  bool present = false;
  for_each_article(i, [&](std::uint32_t a) { present = present || a == article; });
  if (present) return false;
  if (links_.size() >= kNoIndex - 1) return false;
  const auto link = static_cast<std::uint32_t>(links_.size());
  links_.push_back(Link{article, kNoIndex});
  Entry& e = entries_[i];
  if (e.last == kNoIndex)
    e.first = link;
  else
    links_[e.last].next = link;
  e.last = link;
  return true;
}

std::size_t HeadwordTable::article_count(std::uint32_t i) const {
  std::size_t n = 0;
  for_each_article(i, [&](std::uint32_t) { ++n; });
  return n;
}

}  // namespace lexora::import
