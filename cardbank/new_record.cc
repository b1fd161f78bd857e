#include "cardbank/new_record.h"

#include <sys/stat.h>

#include <chrono>
#include <climits>
#include <cstdlib>
#include <memory>
#include <new>
#include <optional>
#include <vector>

#include "cardbank/card_database.h"
#include "platform/file_lock.h"

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

// Several programs may export at once: each waits this long for the others'
// read-modify-write before it gives up (one takes milliseconds).
constexpr auto kLockWait = std::chrono::seconds(10);

// The file a symbolic link leads to, so that the lock is the target's and
// two links to one database share it.
std::string resolve_link(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
  std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr),
                                                       &std::free);
  return resolved ? std::string(resolved.get()) : path;
}

std::int32_t add_to_file(std::u16string_view path, std::u16string_view word,
                         std::u16string_view transcription, std::u16string_view translation,
                         const WriteOptions& options) {
  const std::string file = resolve_link(to_utf8(path));
  if (file.empty()) return kDatabaseFailure;
  // The read, the duplicate check and the replacement are one step for
  // other exporters: without the lock the last rename would drop the
  // records the others added meanwhile.
  const std::optional<FileLock> lock = FileLock::acquire(file, kLockWait);
  if (!lock) return kDatabaseFailure;
  remove_stale_temporaries(file);

  std::vector<std::uint8_t> image;
  switch (read_database_file(file, &image)) {
    case ReadStatus::kOk:
      // An empty file (made by the user or a crashed tool) holds nothing
      // to lose: it starts a new database like a missing one.
      if (image.empty()) image = CardDatabase::empty_image(database_name_for_path(path));
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
  return cardbank::replace_file(file, updated, options) ? kRecordAdded : kDatabaseFailure;
}

}  // namespace

std::string to_utf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      append_utf8(
          &out, 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) + (text[i + 1] - 0xDC00));
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
