// The program's colour table: 15 colours that articles, the word box, the
// word list and the article view use when the colours are in effect. It
// starts with built-in values (light green text on black) and is changed by
// the reader's profile file (colour_profile.h) or by the colours the running
// reader sends (handle_reader_colours). The shell owns one for the life of
// the process and passes it by reference; it is used on the UI thread only.
#ifndef LEXORA_MODEL_COLOUR_TABLE_H_
#define LEXORA_MODEL_COLOUR_TABLE_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/colour_ref.h"

namespace lexora {

inline constexpr std::size_t kColourCount = 15;
// Bytes of the whole table in a profile file or a reader message.
inline constexpr std::size_t kColourBlockSize = kColourCount * 4;

// The entries the program uses; the others are kept but not shown.
inline constexpr std::size_t kColourText = 0;
inline constexpr std::size_t kColourBackground = 1;
inline constexpr std::size_t kColourHeading = 4;
inline constexpr std::size_t kColourLink = 5;

using ColourEntries = std::array<ColourRef, kColourCount>;

// The built-in values the table starts with.
const ColourEntries& builtin_colours();

class ColourTable {
 public:
  ColourTable();

  const ColourEntries& entries() const { return entries_; }
  ColourRef at(std::size_t index) const { return entries_[index]; }
  ColourRef text() const { return entries_[kColourText]; }
  ColourRef background() const { return entries_[kColourBackground]; }
  ColourRef heading() const { return entries_[kColourHeading]; }
  ColourRef link() const { return entries_[kColourLink]; }

  // Replaces all 15 entries at once; bumps revision().
  void set_entries(const ColourEntries& entries);
  // Reads 15 little-endian entries from the first kColourBlockSize bytes of
  // `block`. Fails, leaving the table unchanged, when fewer bytes are given.
  bool set_entries_from_bytes(std::span<const std::uint8_t> block);

  // Set when the reader's colours have been taken; cleared when the Font page
  // is applied with "Use the color profile" off.
  bool reader_colours_received() const { return reader_colours_received_; }
  void set_reader_colours_received(bool received) { reader_colours_received_ = received; }

  // Grows by one with every change of the entries, so the views know when to
  // make their background brushes anew.
  std::uint32_t revision() const { return revision_; }

 private:
  ColourEntries entries_;
  bool reader_colours_received_ = false;
  std::uint32_t revision_ = 0;
};

// Whether the table's colours apply: "g_use_colors_profile" is set, or the
// reader's colours were received and "g_use_lumira_profile" is set.
bool colours_in_effect(const ColourTable& table, bool use_colors_profile, bool use_lumira_profile);

// The reader program's colour message (WM_COPYDATA on the original
// platform, a message on the instance socket here).
inline constexpr std::uint64_t kReaderColoursData = 1;  // its dwData

// Handles the reader's colour message. Returns false (nothing changes) unless
// `data_id` is kReaderColoursData and `bytes` holds at least the 60-byte
// block. Otherwise returns true; when `use_lumira_profile` is set the first
// 60 bytes become the table and the received flag is set, else nothing
// changes. Repainting is the caller's business.
bool handle_reader_colours(ColourTable* table, bool use_lumira_profile, std::uint64_t data_id,
                           std::span<const std::uint8_t> bytes);

}  // namespace lexora

#endif  // LEXORA_MODEL_COLOUR_TABLE_H_
