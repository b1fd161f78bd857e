#include "model/colour_table.h"

#include "platform/byte_cursor.h"

namespace lexora {

const ColourEntries& builtin_colours() {
  static constexpr ColourEntries kBuiltin = {
      make_colour(0xC5, 0xFF, 0xBB),  // text
      make_colour(0x00, 0x00, 0x00),  // background
      make_colour(0x00, 0x10, 0x10), make_colour(0x80, 0x80, 0x80),
      make_colour(0xF0, 0xD0, 0xE8),  // headings
      make_colour(0x80, 0x80, 0xFF),  // links
      make_colour(0xBE, 0x00, 0x00), make_colour(0xFF, 0xF0, 0x80),
      make_colour(0x00, 0x00, 0xFF), make_colour(0xBE, 0x00, 0x00),
      make_colour(0xFF, 0x00, 0x80), make_colour(0xFF, 0xFF, 0x00),
      make_colour(0xFF, 0x00, 0xFF), make_colour(0x00, 0xFF, 0xFF),
      make_colour(0x00, 0xFF, 0xFF),
  };
  return kBuiltin;
}

ColourTable::ColourTable() : entries_(builtin_colours()) {}

void ColourTable::set_entries(const ColourEntries& entries) {
  entries_ = entries;
  ++revision_;
}

bool ColourTable::set_entries_from_bytes(std::span<const std::uint8_t> block) {
  // Decode into a copy first so a short block leaves the table whole.
  ColourEntries decoded{};
  ByteCursor cursor(block);
  for (ColourRef& entry : decoded) {
    if (!cursor.read_u32(&entry)) return false;
  }
  set_entries(decoded);
  return true;
}

bool colours_in_effect(const ColourTable& table, bool use_colors_profile, bool use_lumira_profile) {
  return use_colors_profile || (table.reader_colours_received() && use_lumira_profile);
}

bool handle_reader_colours(ColourTable* table, bool use_lumira_profile, std::uint64_t data_id,
                           std::span<const std::uint8_t> bytes) {
  if (data_id != kReaderColoursData || bytes.size() < kColourBlockSize) return false;
  if (!use_lumira_profile) return true;
  table->set_entries_from_bytes(bytes.first(kColourBlockSize));
  table->set_reader_colours_received(true);
  return true;
}

}  // namespace lexora
