// Opening a ".zd" file: header, word list, abbreviation list and block table.
#include "engine/dictionary.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <cerrno>
#include <cstring>
#include <new>

#include "engine/inflate.h"
#include "engine/resource_pack.h"
#include "platform/byte_cursor.h"
#include "platform/messages.h"

namespace lexora {
namespace {

enum class HeaderRead { kOk, kWrongVersion, kIncomplete };

// Decodes the header of any version from `header`; `header_size` receives
// the size of that version's header. Versions 2 and 3 have no code-page
// fields and get the defaults.
HeaderRead read_header(ByteCursor& header, DictionaryHeader* out, std::size_t* header_size) {
  DictionaryHeader& h = *out;
  if (!header.read_i16(&h.version) || h.version < kMinVersion || h.version > kMaxVersion) {
    return HeaderRead::kWrongVersion;
  }
  bool complete = true;
  *header_size = kHeaderSizeV4;
  if (h.version == 2) {
    *header_size = kHeaderSizeV2;
    complete = header.skip(2);  // bytes 2-3 mean nothing
    for (std::uint32_t* field :
         {&h.word_count, &h.words_size, &h.words_packed_size, &h.block_count, &h.abbrev_count,
          &h.abbrevs_size, &h.abbrevs_packed_size, &h.flags})
      complete = complete && header.read_u32(field);
    h.articles_per_block = kDefaultArticlesPerBlock;
  } else {
    for (std::uint32_t* field :
         {&h.word_count, &h.words_size, &h.words_packed_size, &h.articles_per_block, &h.block_count,
          &h.abbrev_count, &h.abbrevs_size, &h.abbrevs_packed_size, &h.flags})
      complete = complete && header.read_u32(field);
    if (h.version == 3) {
      *header_size = kHeaderSizeV3;
    } else {
      for (std::uint32_t* field : {&h.words_code_page, &h.articles_code_page, &h.locale_id})
        complete = complete && header.read_u32(field);
    }
  }
  if (h.version <= 3) {
    h.words_code_page = kDefaultCodePage;
    h.articles_code_page = kDefaultCodePage;
    h.locale_id = kRussianLocale;
  }
  return complete ? HeaderRead::kOk : HeaderRead::kIncomplete;
}

// The block table: `count` offsets at file offset `at` (checked against the
// file's size by the caller). False when they cannot be read.
bool read_block_table(std::FILE* file, std::uint64_t at, std::uint32_t count,
                      std::vector<std::uint32_t>* table) {
  std::vector<std::uint8_t> bytes(std::size_t{count} * 4);
  if (fseeko(file, static_cast<off_t>(at), SEEK_SET) != 0 ||
      (!bytes.empty() && std::fread(bytes.data(), 1, bytes.size(), file) != bytes.size())) {
    return false;
  }
  ByteCursor cursor(bytes);
  table->resize(count);
  for (std::uint32_t& offset : *table) cursor.read_u32(&offset);
  return true;
}

}  // namespace

Dictionary::Dictionary() = default;

Dictionary::~Dictionary() {
  close_dictionary();
}

void Dictionary::fail(const Status& status) {
  last_error_ = status;
  if (listener_ && status.has_message()) listener_(status);
}

void Dictionary::warn(const Status& status) {
  if (listener_) listener_(status);
}

bool Dictionary::use_locale() const {
  return is_open() && uses_locale_collation(header_.flags, header_.locale_id);
}

void Dictionary::close_dictionary() {
  if (file_ != nullptr) {
    std::fclose(file_);
    file_ = nullptr;
  }
  pack_.reset();
  header_ = DictionaryHeader{};
  file_size_ = 0;
  block_unpacked_size_ = 0;
  block_packed_size_ = 0;
  cached_block_ = -1;
  // Give the memory back, not only empty the containers.
  std::vector<std::uint32_t>().swap(block_table_);
  std::vector<char>().swap(block_cache_);
  std::vector<std::uint8_t>().swap(packed_block_);
  std::vector<char>().swap(words_);
  std::vector<const char*>().swap(word_table_);
  std::vector<char>().swap(abbrevs_);
  std::vector<const char*>().swap(abbrev_table_);
  comparer_.reset();
  article_codec_.reset();
  path_.clear();
}

bool Dictionary::load_stream(std::uint32_t packed_size, std::uint32_t unpacked_size,
                             std::uint32_t string_count, std::vector<char>* buffer,
                             std::vector<const char*>* table) {
  // Sizes are checked against the file and against what inflation can
  // produce before a byte is allocated for them.
  const auto position = static_cast<std::uint64_t>(ftello(file_));
  if (packed_size > file_size_ - std::min(file_size_, position) ||
      !inflated_size_believable(packed_size, unpacked_size) ||
      unpacked_size > kMaxWordsStreamSize || string_count > unpacked_size ||
      string_count > kMaxWordCount) {
    fail(Status::integrity_error());
    return false;
  }
  std::vector<std::uint8_t> packed;
  try {
    packed.resize(packed_size);
  } catch (const std::bad_alloc&) {
    out_of_memory_stop();
  }
  if (packed_size != 0 && std::fread(packed.data(), 1, packed_size, file_) != packed_size) {
    fail(Status::integrity_error());
    return false;
  }
  // The claimed size is the limit; the buffer grows only with real output.
  switch (inflate_bounded(std::span<const std::uint8_t>(packed), unpacked_size, buffer)) {
    case InflateResult::kOk:
      break;
    case InflateResult::kBadData:
      fail(Status::integrity_error());
      return false;
    case InflateResult::kNoMemory:
      close_dictionary();
      out_of_memory_stop();
  }
  try {
    table->clear();
    table->reserve(string_count);
  } catch (const std::bad_alloc&) {
    close_dictionary();
    out_of_memory_stop();
  }
  // Entry i starts where entry i - 1 ended; every entry must end in a 0
  // byte inside the unpacked data.
  const char* at = buffer->data();
  const char* const end = buffer->data() + buffer->size();
  for (std::uint32_t i = 0; i < string_count; ++i) {
    const void* zero = std::memchr(at, 0, static_cast<std::size_t>(end - at));
    if (zero == nullptr) {
      fail(Status::integrity_error());
      return false;
    }
    table->push_back(at);
    at = static_cast<const char*>(zero) + 1;
  }
  return true;
}

bool Dictionary::open_dictionary(const std::string& path) {
  if (is_open()) close_dictionary();
  last_error_ = Status();
  // Opened without waiting (a FIFO without a writer would block) and kept
  // only when it is a regular file: a FIFO or a device is not a dictionary.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) {
    fail(Status::cannot_open(errno));
    return false;
  }
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) ||
      fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0 ||
      (file_ = fdopen(fd, "rb")) == nullptr) {
    fail(Status::cannot_open(S_ISREG(info.st_mode) ? errno : EINVAL));
    ::close(fd);
    return false;
  }
  file_size_ = static_cast<std::uint64_t>(info.st_size);
  path_ = path;  // also names the pack beside the file

  // The resource pack beside the file; whether it opens does not matter.
  open_pack();

  // Header.
  std::uint8_t image[kHeaderSizeV4] = {};
  const std::size_t got = std::fread(image, 1, sizeof image, file_);
  ByteCursor header(image, got);
  DictionaryHeader h;
  std::size_t header_size = 0;
  const HeaderRead read = read_header(header, &h, &header_size);
  if (read == HeaderRead::kWrongVersion) {
    close_dictionary();
    fail(Status::wrong_version());
    return false;
  }
  if (read == HeaderRead::kIncomplete) {
    close_dictionary();
    fail(Status::integrity_error());
    return false;
  }
  header_ = h;

  for (std::uint32_t code_page : {h.words_code_page, h.articles_code_page}) {
    if (!is_valid_code_page(code_page)) warn(Status::unsupported_code_page(code_page));
  }

  // A dictionary with words needs somewhere to keep their articles; one with
  // no words at all is allowed (it opens empty).
  const std::uint64_t abbrevs_packed = h.abbrev_count != 0 ? h.abbrevs_packed_size : 0;
  const std::uint64_t table_at = header_size + std::uint64_t{h.words_packed_size} + abbrevs_packed;
  const bool well_formed = (h.word_count == 0 || (h.words_size != 0 && h.articles_per_block != 0 &&
                                                  h.block_count != 0)) &&
                           (h.abbrev_count == 0 || h.abbrevs_size != 0) &&
                           table_at + std::uint64_t{h.block_count} * 4 <= file_size_;
  if (!well_formed) {
    close_dictionary();
    fail(Status::integrity_error());
    return false;
  }

  // Words, then abbreviations, straight after the header.
  if (fseeko(file_, static_cast<off_t>(header_size), SEEK_SET) != 0 ||
      !load_stream(h.words_packed_size, h.words_size, h.word_count, &words_, &word_table_) ||
      (h.abbrev_count != 0 && !load_stream(h.abbrevs_packed_size, h.abbrevs_size, h.abbrev_count,
                                           &abbrevs_, &abbrev_table_))) {
    close_dictionary();
    return false;
  }

  if (!read_block_table(file_, table_at, h.block_count, &block_table_)) {
    close_dictionary();
    fail(Status::integrity_error());
    return false;
  }

  comparer_ = std::make_unique<WordComparer>(h.words_code_page, h.locale_id);
  cached_block_ = -1;
  return true;
}

std::optional<std::string_view> Dictionary::raw_word_at(std::uint32_t index) const {
  if (index >= word_table_.size()) return std::nullopt;
  return std::string_view(word_table_[index]);
}

std::optional<std::u16string_view> Dictionary::word_at(std::uint32_t index) {
  const std::optional<std::string_view> raw = raw_word_at(index);
  if (!raw || !comparer_->decode(*raw, &wide_word_)) return std::nullopt;
  return std::u16string_view(wide_word_);
}

}  // namespace lexora
