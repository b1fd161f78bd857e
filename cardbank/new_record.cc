#include "cardbank/new_record.h"

#include <new>
#include <optional>
#include <vector>

#include "cardbank/card_database.h"

namespace lexora::cardbank {
namespace {

void append_utf8(std::string* out, char32_t cp) {
  if (cp < 0x80) {
    out->push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

std::int32_t add_to_file(std::u16string_view path, std::u16string_view word,
                         std::u16string_view transcription, std::u16string_view translation,
                         const WriteOptions& options) {
  const std::string file = to_utf8(path);
  if (file.empty()) return kDatabaseFailure;

  std::vector<std::uint8_t> image;
  switch (read_database_file(file, &image)) {
    case ReadStatus::kOk:
      break;
    case ReadStatus::kMissing:
      image = CardDatabase::empty_image(database_name_for_path(path));
      break;
    case ReadStatus::kUnusable:
      return kDatabaseFailure;
  }

  const std::optional<CardDatabase> db = CardDatabase::parse(std::move(image));
  if (!db) return kDatabaseFailure;
  if (db->contains_word(word)) return kWordPresent;

  std::vector<std::uint8_t> updated;
  if (db->add_record(word, transcription, translation, &updated) != AddOutcome::kAdded) {
    return kDatabaseFailure;
  }
  return replace_file(file, updated, options) ? kRecordAdded : kDatabaseFailure;
}

}  // namespace

std::string to_utf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      append_utf8(&out, 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) + (text[i + 1] - 0xDC00));
      ++i;
    } else if (unit >= 0xD800 && unit <= 0xDFFF) {
      append_utf8(&out, 0xFFFD);
    } else {
      append_utf8(&out, unit);
    }
  }
  return out;
}

std::int32_t new_record(std::u16string_view path, std::u16string_view word,
                        std::u16string_view transcription, std::u16string_view translation,
                        const WriteOptions& options) {
  try {
    return add_to_file(path, word, transcription, translation, options);
  } catch (const std::bad_alloc&) {
    return kDatabaseFailure;
  } catch (...) {
    // Nothing may escape through the C export.
    return kDatabaseFailure;
  }
}

}  // namespace lexora::cardbank
