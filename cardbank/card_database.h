// The flash-card database: a Palm-style record database (".pdb") that the
// flash-card program reads. Header and record list are big-endian; record
// texts are UTF-16 little-endian.
//
//   0    32  name, NUL-padded             52  4  app info offset (80 + 8n)
//   32    2  attributes 0x0008            60  4  type "DATA"
//   34    2  version 0                    64  4  creator "MR01"
//   36-51    dates, modification number   68  4  unique id seed 0
//   56    4  sort info offset 0           72  4  next record list 0
//   76    2  record count n               78  8n record list
//   78+8n 2  gap 0x80 0x00                80+8n 12 app info block
//   92+8n    record data, in list order
//
// A record entry is the data offset (4 bytes), attributes (1 byte) and the
// unique id (3 bytes). Record data is word, transcription and translation,
// each with its terminating NUL, then two zero bytes.
//
// CardDatabase works on a whole file image in memory: parsing checks every
// count and offset against the image, and adding a record produces a new
// image, so the file on disk is only ever replaced whole.
#ifndef LEXORA_CARDBANK_CARD_DATABASE_H_
#define LEXORA_CARDBANK_CARD_DATABASE_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace lexora::cardbank {

inline constexpr std::size_t kNameSize = 32;
inline constexpr std::size_t kNameMaxBytes = 31;
inline constexpr std::size_t kHeaderSize = 78;
inline constexpr std::size_t kRecordEntrySize = 8;
inline constexpr std::size_t kGapSize = 2;
inline constexpr std::size_t kAppInfoSize = 12;
// A database without records: header, gap and app info block.
inline constexpr std::size_t kEmptyDatabaseSize = kHeaderSize + kGapSize + kAppInfoSize;
// The record count is 16 bits wide; a database holding this many is full.
inline constexpr std::uint32_t kMaxRecords = 0xFFFF;

inline constexpr std::size_t kAttributesOffset = 32;
inline constexpr std::size_t kAppInfoOffsetField = 52;
inline constexpr std::size_t kSortInfoOffsetField = 56;
inline constexpr std::size_t kTypeField = 60;
inline constexpr std::size_t kCreatorField = 64;
inline constexpr std::size_t kRecordCountField = 76;
inline constexpr std::uint16_t kDatabaseAttributes = 0x0008;

struct RecordEntry {
  std::uint32_t data_offset = 0;
  std::uint8_t attributes = 0;
  std::uint32_t unique_id = 0;  // 24 bits
};

// The three texts of a record. A text whose terminator is missing runs to the
// end of the record's data; texts that are missing altogether are empty.
struct RecordTexts {
  std::u16string word;
  std::u16string transcription;
  std::u16string translation;
};

enum class AddOutcome {
  kAdded,
  kFull,      // the record count cannot grow (65,535 records)
  kTooLarge,  // the new image would not be addressable with 32-bit offsets
};

class CardDatabase {
 public:
  // Parses a whole file image. Nothing when the image is not this
  // application's database (type "DATA", creator "MR01"), or is damaged:
  // shorter than the header or the record list the count announces, record
  // data offsets out of order, inside the header or record list, or past the
  // end, or an app info offset or first record that does not follow the
  // record list (at most the 2-byte gap between): a wrong count or an odd
  // offset is refused, never carried into a rewritten file.
  static std::optional<CardDatabase> parse(std::vector<std::uint8_t> image);

  // The image of a new database without records (92 bytes) whose name field
  // holds `name` (at most 31 bytes are kept; the rest of the field is zero).
  static std::vector<std::uint8_t> empty_image(std::string_view name);

  std::size_t record_count() const { return entries_.size(); }
  const RecordEntry& entry(std::size_t i) const { return entries_[i]; }
  // The data of record i: from its offset to the next record's, or to the
  // end of the image for the last. A view into this object's image.
  std::span<const std::uint8_t> record_data(std::size_t i) const;
  RecordTexts record_texts(std::size_t i) const;
  const std::vector<std::uint8_t>& image() const { return image_; }

  // Whether some record's word equals `word`, unit by unit (case counts).
  bool contains_word(std::u16string_view word) const;

  // Writes into *out the image of this database with one record appended:
  // every data offset moves 8 bytes on, the new entry goes at the end of the
  // list with the unique id taken from the old count, and the record data
  // goes at the end. *out is left alone unless the result is kAdded. Throws
  // std::bad_alloc when the memory cannot be had.
  AddOutcome add_record(std::u16string_view word, std::u16string_view transcription,
                        std::u16string_view translation, std::vector<std::uint8_t>* out) const;

  // The unique id a record gets when the database holds `count` records: the
  // count read as a signed 16-bit number, widened to 24 bits.
  static std::uint32_t unique_id_for(std::uint16_t count);

 private:
  CardDatabase() = default;

  std::vector<std::uint8_t> image_;
  std::vector<RecordEntry> entries_;
  std::uint32_t app_info_offset_ = 0;
  std::uint32_t sort_info_offset_ = 0;
};

// The database name for a file path: the path's first 1024 UTF-16 units,
// each narrowed to its low byte, cut at the first ".pdb", then the part after
// the last "/", at most 31 bytes.
std::string database_name_for_path(std::u16string_view path);

}  // namespace lexora::cardbank

#endif  // LEXORA_CARDBANK_CARD_DATABASE_H_
