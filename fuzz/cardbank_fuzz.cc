// Any bytes as a flash-card database: parsing, listing, the duplicate check
// and adding a record must stay inside the data, and an added record must
// parse back with the texts that went in.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <vector>

#include "cardbank/card_database.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using lexora::cardbank::AddOutcome;
  using lexora::cardbank::CardDatabase;
  const std::optional<CardDatabase> db =
      CardDatabase::parse(std::vector<std::uint8_t>(data, data + size));
  if (!db) return 0;
  for (std::size_t i = 0; i < db->record_count(); ++i) (void)db->record_texts(i);
  (void)db->contains_word(u"word");
  std::vector<std::uint8_t> image;
  if (db->add_record(u"fuzz", u"fʌz", u"пух", &image) != AddOutcome::kAdded) return 0;
  const std::optional<CardDatabase> added = CardDatabase::parse(std::move(image));
  if (!added || added->record_count() != db->record_count() + 1 || !added->contains_word(u"fuzz") ||
      added->record_texts(added->record_count() - 1).translation != u"пух") {
    std::abort();
  }
  return 0;
}
