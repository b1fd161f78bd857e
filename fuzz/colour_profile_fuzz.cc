// The reader colour profile parser on arbitrary bytes: it must never read
// outside them, and it changes the table only for a whole colour block.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "model/colour_profile.h"
#include "model/colour_table.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  lexora::ColourTable table;
  const lexora::ColourProfileResult result =
      lexora::apply_colour_profile(std::span<const std::uint8_t>(data, size), &table);
  const bool changed = table.entries() != lexora::builtin_colours();
  if (result != lexora::kProfileRead && changed) std::abort();
  if (result == lexora::kProfileRead && size < lexora::kColourProfileSize) std::abort();
  // The reader's message path over the same bytes.
  lexora::handle_reader_colours(&table, true, lexora::kReaderColoursData,
                                std::span<const std::uint8_t>(data, size));
  return 0;
}
