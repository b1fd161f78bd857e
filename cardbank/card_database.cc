#include "cardbank/card_database.h"

#include <algorithm>
#include <limits>

#include "cardbank/big_endian.h"

namespace lexora::cardbank {
namespace {

constexpr std::uint8_t kGap[kGapSize] = {0x80, 0x00};
// Owned by the flash-card program; written as it has always been.
constexpr std::uint8_t kAppInfo[kAppInfoSize] = {0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                                                 0x02, 0x00, 0x00, 0x01, 0x03, 0x02};
constexpr char kType[] = "DATA";
constexpr char kCreator[] = "MR01";
constexpr std::size_t kNameSourceUnits = 1024;
constexpr std::u16string_view kNulUnit(u"\0", 1);

std::size_t record_list_end(std::size_t count) {
  return kHeaderSize + kRecordEntrySize * count;
}

// UTF-16LE text at `at` up to its NUL unit or the end of `data`; *next
// receives the position after the terminator (or the end).
std::u16string read_text(std::span<const std::uint8_t> data, std::size_t at, std::size_t* next) {
  std::u16string text;
  std::size_t i = at;
  while (i + 1 < data.size()) {
    const auto unit = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
    i += 2;
    if (unit == 0) {
      *next = i;
      return text;
    }
    text.push_back(unit);
  }
  *next = data.size();
  return text;
}

// Whether the text at the start of `data` equals `word`, without copying.
bool starts_with_word(std::span<const std::uint8_t> data, std::u16string_view word) {
  const std::size_t units = data.size() / 2;
  for (std::size_t k = 0; k <= word.size(); ++k) {
    const char16_t expected = k < word.size() ? word[k] : u'\0';
    // Past the end of the data the text has ended (the buffer reads as zeros).
    const char16_t actual =
        k < units ? static_cast<char16_t>(data[2 * k] | (data[2 * k + 1] << 8)) : u'\0';
    if (actual != expected) return false;
    if (actual == 0) return true;
  }
  return true;  // not reached: the loop ends at the terminator
}

void append_text(std::vector<std::uint8_t>* out, std::u16string_view text) {
  for (char16_t unit : text) {
    out->push_back(static_cast<std::uint8_t>(unit & 0xFF));
    out->push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  out->push_back(0);
  out->push_back(0);
}

// What follows the record list must start right after it (at most the
// 2-byte gap between): the app info block when there is one, else the first
// record's data. A count too small leaves entries behind the list, which a
// new record would bury as data, and an app info offset anywhere else (odd,
// inside the list, past the records) is a header we do not understand;
// both are refused rather than carried into a rewritten file.
bool layout_matches_count(std::span<const std::uint8_t> bytes, std::size_t list_end,
                          std::uint32_t app_info, const std::vector<RecordEntry>& entries) {
  const std::size_t data_start = entries.empty() ? bytes.size() : entries.front().data_offset;
  // Without an app info block nothing but the gap may stand between the list
  // and the first record (or the end, while there is none): bytes no offset
  // describes would end up between the list and the first record added.
  if (app_info == 0) return data_start == list_end || data_start == list_end + kGapSize;
  if (app_info != list_end && app_info != list_end + kGapSize) return false;
  return std::size_t{app_info} <= data_start;
}

}  // namespace

std::optional<CardDatabase> CardDatabase::parse(std::vector<std::uint8_t> image) {
  const std::span<const std::uint8_t> bytes(image);
  std::uint16_t count = 0;
  std::uint32_t app_info = 0;
  std::uint32_t sort_info = 0;
  if (!read_u16_be(bytes, kRecordCountField, &count) ||
      !read_u32_be(bytes, kAppInfoOffsetField, &app_info) ||
      !read_u32_be(bytes, kSortInfoOffsetField, &sort_info)) {
    return std::nullopt;  // short header
  }
  // Another application's database (or a file of zeros) is not ours to change.
  if (!std::equal(kType, kType + 4, image.begin() + kTypeField) ||
      !std::equal(kCreator, kCreator + 4, image.begin() + kCreatorField)) {
    return std::nullopt;
  }
  const std::size_t list_end = record_list_end(count);
  if (bytes.size() < list_end) return std::nullopt;  // the count is larger than the list
  // Offsets are 32-bit: a larger image cannot be addressed by them.
  if (bytes.size() > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;

  CardDatabase db;
  db.entries_.reserve(count);
  std::uint32_t previous = static_cast<std::uint32_t>(list_end);
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t at = kHeaderSize + kRecordEntrySize * i;
    RecordEntry entry;
    std::uint32_t attributes_and_id = 0;
    read_u32_be(bytes, at, &entry.data_offset);
    read_u32_be(bytes, at + 4, &attributes_and_id);
    entry.attributes = static_cast<std::uint8_t>(attributes_and_id >> 24);
    entry.unique_id = attributes_and_id & 0x00FFFFFF;
    // Data lies after the record list, in list order, inside the file.
    if (entry.data_offset < previous || entry.data_offset > bytes.size()) return std::nullopt;
    previous = entry.data_offset;
    db.entries_.push_back(entry);
  }
  if (!layout_matches_count(bytes, list_end, app_info, db.entries_)) return std::nullopt;
  db.app_info_offset_ = app_info;
  db.sort_info_offset_ = sort_info;
  db.image_ = std::move(image);
  return db;
}

std::vector<std::uint8_t> CardDatabase::empty_image(std::string_view name) {
  std::vector<std::uint8_t> image(kEmptyDatabaseSize, 0);
  const std::span<std::uint8_t> bytes(image);
  std::copy_n(name.begin(), std::min(name.size(), kNameMaxBytes), image.begin());
  put_u16_be(bytes, kAttributesOffset, kDatabaseAttributes);
  put_u32_be(bytes, kAppInfoOffsetField, static_cast<std::uint32_t>(kHeaderSize + kGapSize));
  std::copy_n(kType, 4, image.begin() + kTypeField);
  std::copy_n(kCreator, 4, image.begin() + kCreatorField);
  std::copy(std::begin(kGap), std::end(kGap), image.begin() + kHeaderSize);
  std::copy(std::begin(kAppInfo), std::end(kAppInfo), image.begin() + kHeaderSize + kGapSize);
  return image;
}

std::span<const std::uint8_t> CardDatabase::record_data(std::size_t i) const {
  const std::size_t begin = entries_[i].data_offset;
  const std::size_t end = i + 1 < entries_.size() ? entries_[i + 1].data_offset : image_.size();
  return std::span<const std::uint8_t>(image_).subspan(begin, end - begin);
}

RecordTexts CardDatabase::record_texts(std::size_t i) const {
  const auto data = record_data(i);
  RecordTexts texts;
  std::size_t at = 0;
  texts.word = read_text(data, at, &at);
  texts.transcription = read_text(data, at, &at);
  texts.translation = read_text(data, at, &at);
  return texts;
}

bool CardDatabase::contains_word(std::u16string_view word) const {
  // A word with a NUL in it can only match up to that NUL, as the stored
  // text ends there.
  const std::size_t nul = word.find(kNulUnit);
  if (nul != std::u16string_view::npos) word = word.substr(0, nul);
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    if (starts_with_word(record_data(i), word)) return true;
  }
  return false;
}

std::uint32_t CardDatabase::unique_id_for(std::uint16_t count) {
  const auto signed_count = static_cast<std::int16_t>(count);
  return static_cast<std::uint32_t>(static_cast<std::int32_t>(signed_count)) & 0x00FFFFFF;
}

AddOutcome CardDatabase::add_record(std::u16string_view word, std::u16string_view transcription,
                                    std::u16string_view translation,
                                    std::vector<std::uint8_t>* out) const {
  const std::size_t count = entries_.size();
  if (count >= kMaxRecords) return AddOutcome::kFull;

  const std::size_t old_size = image_.size();
  const std::size_t list_end = record_list_end(count);
  const std::uint64_t record_size =
      (static_cast<std::uint64_t>(word.size()) + transcription.size() + translation.size() + 4) * 2;
  const std::uint64_t new_size = old_size + kRecordEntrySize + record_size;
  if (new_size > std::numeric_limits<std::uint32_t>::max()) return AddOutcome::kTooLarge;

  std::vector<std::uint8_t> image;
  image.reserve(static_cast<std::size_t>(new_size));
  image.insert(image.end(), image_.begin(), image_.begin() + static_cast<std::ptrdiff_t>(list_end));
  image.resize(list_end + kRecordEntrySize);
  image.insert(image.end(), image_.begin() + static_cast<std::ptrdiff_t>(list_end), image_.end());
  append_text(&image, word);
  append_text(&image, transcription);
  append_text(&image, translation);
  image.push_back(0);
  image.push_back(0);

  const std::span<std::uint8_t> bytes(image);
  for (std::size_t i = 0; i < count; ++i) {
    put_u32_be(bytes, kHeaderSize + kRecordEntrySize * i,
               entries_[i].data_offset + static_cast<std::uint32_t>(kRecordEntrySize));
  }
  const std::uint32_t new_entry = static_cast<std::uint32_t>(list_end);
  put_u32_be(bytes, new_entry, static_cast<std::uint32_t>(old_size + kRecordEntrySize));
  put_u32_be(bytes, new_entry + 4,
             unique_id_for(static_cast<std::uint16_t>(count)));  // attributes 0
  put_u16_be(bytes, kRecordCountField, static_cast<std::uint16_t>(count + 1));

  // The app info block moves with everything after the record list. A
  // database without one (offset 0) stays without: pointing the offset at
  // where a block would be would point it into the new record's data.
  if (app_info_offset_ != 0) {
    put_u32_be(bytes, kAppInfoOffsetField,
               app_info_offset_ + static_cast<std::uint32_t>(kRecordEntrySize));
  }
  if (sort_info_offset_ != 0 && sort_info_offset_ >= list_end && sort_info_offset_ <= old_size) {
    put_u32_be(bytes, kSortInfoOffsetField,
               sort_info_offset_ + static_cast<std::uint32_t>(kRecordEntrySize));
  }
  *out = std::move(image);
  return AddOutcome::kAdded;
}

std::string database_name_for_path(std::u16string_view path) {
  std::string narrow;
  const std::size_t units = std::min(path.size(), kNameSourceUnits);
  narrow.reserve(units);
  for (std::size_t i = 0; i < units; ++i) narrow.push_back(static_cast<char>(path[i] & 0xFF));
  const std::size_t extension = narrow.find(".pdb");
  if (extension != std::string::npos) narrow.resize(extension);
  const std::size_t slash = narrow.rfind('/');
  if (slash != std::string::npos) narrow.erase(0, slash + 1);
  if (narrow.size() > kNameMaxBytes) narrow.resize(kNameMaxBytes);
  return narrow;
}

}  // namespace lexora::cardbank
