#include "import/stardict_reader.h"

#include <zlib.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <vector>

#include "import/character_use.h"
#include "import/dictzip_file.h"
#include "import/stardict_markup.h"
#include "platform/byte_cursor.h"

namespace lexora::import {
namespace {

constexpr std::string_view kIfoMagic = "StarDict's dict ifo file";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::size_t kProgressStep = 2048;
// Sanity limit for files read whole (.ifo, .idx, .syn, media).
constexpr std::uintmax_t kMaxWholeFile = std::uintmax_t{1} << 31;

bool fail(ImportError* error, const std::string& file, std::uint64_t line, std::uint64_t offset,
          std::string message) {
  *error = ImportError{file, line, offset, std::move(message)};
  return false;
}

bool read_whole(const std::string& path, std::string* out) {
  std::error_code ec;
  const std::uintmax_t size = std::filesystem::file_size(path, ec);
  if (ec || size > kMaxWholeFile) return false;
  std::ifstream in(path, std::ios::binary);
  out->assign(static_cast<std::size_t>(size), '\0');
  in.read(out->data(), static_cast<std::streamsize>(size));
  return static_cast<bool>(in);
}

// A gzip file inflated whole (.idx.gz, .syn.dz); false when damaged.
bool read_gzip(const std::string& path, std::string* out) {
  std::string packed;
  if (!read_whole(path, &packed)) return false;
  z_stream z{};
  if (inflateInit2(&z, MAX_WBITS + 16) != Z_OK) return false;
  z.next_in = reinterpret_cast<Bytef*>(packed.data());
  z.avail_in = static_cast<uInt>(packed.size());
  out->clear();
  char buffer[1 << 16];
  int status = Z_OK;
  while (status == Z_OK && out->size() < kMaxWholeFile) {
    z.next_out = reinterpret_cast<Bytef*>(buffer);
    z.avail_out = sizeof buffer;
    status = inflate(&z, Z_NO_FLUSH);
    out->append(buffer, sizeof buffer - z.avail_out);
  }
  inflateEnd(&z);
  return status == Z_STREAM_END;
}

struct Ifo {
  std::map<std::string, std::string> values;
  std::string get(const std::string& key) const {
    auto it = values.find(key);
    return it == values.end() ? std::string() : it->second;
  }
};

bool parse_ifo(const std::string& path, Ifo* ifo, ImportError* error) {
  std::string text;
  if (!read_whole(path, &text)) return fail(error, path, 0, 0, "cannot read the file");
  if (text.compare(0, kUtf8Bom.size(), kUtf8Bom) == 0) text.erase(0, kUtf8Bom.size());
  if (text.compare(0, kIfoMagic.size(), kIfoMagic) != 0)
    return fail(error, path, 1, 0, "not a StarDict .ifo file (first line)");
  std::size_t start = 0;
  std::uint64_t line = 0;
  while (start < text.size()) {
    std::size_t nl = text.find('\n', start);
    if (nl == std::string::npos) nl = text.size();
    std::string l = text.substr(start, nl - start);
    start = nl + 1;
    ++line;
    if (!l.empty() && l.back() == '\r') l.pop_back();
    const std::size_t eq = l.find('=');
    if (line == 1 || eq == std::string::npos) continue;
    ifo->values[l.substr(0, eq)] = l.substr(eq + 1);
  }
  return true;
}

std::string with_suffix(const std::string& base, std::initializer_list<const char*> suffixes) {
  for (const char* s : suffixes)
    if (std::filesystem::exists(base + s)) return base + s;
  return {};
}

// Picture extension by the data's first bytes.
const char* picture_extension(std::string_view data) {
  if (data.substr(0, 8) == "\x89PNG\r\n\x1A\n") return "png";
  if (data.substr(0, 3) == "GIF") return "gif";
  if (data.substr(0, 2) == "\xFF\xD8") return "jpg";
  if (data.substr(0, 2) == "BM") return "bmp";
  return "bin";
}

void append_text_field(char type, std::string_view raw, std::string* markup) {
  std::string text(raw);
  make_valid_utf8(&text);
  switch (type) {
    case 'h':
      append_html_field(text, markup);
      break;
    case 'g':
      append_pango_field(text, markup);
      break;
    case 'x':
      append_xdxf_field(text, markup);
      break;
    case 'r':
      append_resource_field(text, markup);
      break;
    case 't':
      markup->append("<t>");
      append_plain_field(text, markup);
      markup->append("</t>");
      break;
    case 'y':
      markup->append("<i>");
      append_plain_field(text, markup);
      markup->append("</i>");
      break;
    default:
      append_plain_field(text, markup);  // m, l, k, w and unknown text
  }
}

// How the index writes an offset or a size.
enum class Number {
  kBe32,        // 4 bytes, big-endian
  kBe64,        // 8 bytes, big-endian
  kBe32Padded,  // 4 bytes big-endian, then 4 zero bytes
};

class StardictImport {
 public:
  StardictImport(std::string ifo_path, ImportSink* sink, ImportError* error)
      : ifo_path_(std::move(ifo_path)), sink_(sink), error_(error) {}
  bool run();

 private:
  bool open_files();
  // The number of entries when the index parses whole with offsets and
  // sizes written as `offset` and `size`, every range inside the data; -1
  // when it does not.
  std::int64_t entries_as(Number offset, Number size) const;
  void choose_entry_layout();
  bool read_entries();
  bool read_synonyms();
  void read_resources();

  std::string ifo_path_;
  std::string base_;
  ImportSink* sink_;
  ImportError* error_;
  Ifo ifo_;
  std::string idx_path_, dict_path_;
  std::string idx_;
  DictzipFile dict_;
  bool offsets64_ = false;
  Number offset_ = Number::kBe32;  // see choose_entry_layout()
  Number size_ = Number::kBe32;
  std::vector<std::string> headwords_;  // by .idx position, for the synonyms
};

bool StardictImport::open_files() {
  if (!parse_ifo(ifo_path_, &ifo_, error_)) return false;
  base_ = ifo_path_.substr(
      0, ifo_path_.size() - std::filesystem::path(ifo_path_).extension().string().size());
  const std::string bits = ifo_.get("idxoffsetbits");
  if (!bits.empty() && bits != "32" && bits != "64")
    return fail(error_, ifo_path_, 0, 0, "idxoffsetbits must be 32 or 64, not " + bits);
  offsets64_ = bits == "64";
  idx_path_ = with_suffix(base_, {".idx", ".idx.gz", ".idx.dz"});
  dict_path_ = with_suffix(base_, {".dict.dz", ".dict"});
  if (idx_path_.empty()) return fail(error_, base_ + ".idx", 0, 0, "the index file is missing");
  if (dict_path_.empty()) return fail(error_, base_ + ".dict", 0, 0, "the data file is missing");
  const bool packed_idx =
      idx_path_.size() > 4 && idx_path_.compare(idx_path_.size() - 4, 4, ".idx") != 0;
  if (!(packed_idx ? read_gzip(idx_path_, &idx_) : read_whole(idx_path_, &idx_)))
    return fail(error_, idx_path_, 0, 0, "cannot read the index");
  std::string message;
  std::uint64_t offset = 0;
  if (!dict_.open(dict_path_, &message, &offset))
    return fail(error_, dict_path_, 0, offset, message);
  return true;
}

bool read_number(ByteCursor* c, Number kind, std::uint64_t* value) {
  std::uint32_t first = 0, second = 0;
  if (!c->read_u32_be(&first)) return false;
  if (kind == Number::kBe32) {
    *value = first;
    return true;
  }
  if (!c->read_u32_be(&second)) return false;
  if (kind == Number::kBe64) {
    *value = (std::uint64_t{first} << 32) | second;
    return true;
  }
  *value = first;
  return second == 0;  // kBe32Padded
}

std::int64_t StardictImport::entries_as(Number offset_kind, Number size_kind) const {
  ByteCursor c(reinterpret_cast<const std::uint8_t*>(idx_.data()), idx_.size());
  std::int64_t count = 0;
  while (!c.at_end()) {
    std::string_view word;
    std::uint64_t offset = 0, size = 0;
    if (!c.read_cstring(&word) || !read_number(&c, offset_kind, &offset) ||
        !read_number(&c, size_kind, &size) || offset > dict_.size() || size > dict_.size() - offset)
      return -1;
    ++count;
  }
  return count;
}

// dictd2dic of some builds for 64-bit systems writes each offset and size
// in 8 bytes (the 4 big-endian bytes, then 4 zero bytes: a 32-bit value in a
// 64-bit variable) while its .ifo declares the usual 4, and such
// dictionaries are about. An index that does not parse as declared but
// parses whole that way, giving the .ifo's word count, is read as such; any
// other index is read as declared (and its fault reported there).
void StardictImport::choose_entry_layout() {
  offset_ = offsets64_ ? Number::kBe64 : Number::kBe32;
  if (offsets64_ || entries_as(Number::kBe32, Number::kBe32) >= 0) return;
  const std::string count = ifo_.get("wordcount");
  if (!count.empty() &&
      std::to_string(entries_as(Number::kBe32Padded, Number::kBe32Padded)) == count)
    offset_ = size_ = Number::kBe32Padded;
}

bool StardictImport::read_entries() {
  choose_entry_layout();
  ByteCursor c(reinterpret_cast<const std::uint8_t*>(idx_.data()), idx_.size());
  const std::string types = ifo_.get("sametypesequence");
  std::string data, markup, message;
  while (!c.at_end()) {
    const std::size_t entry_at = c.position();
    std::string_view word;
    std::uint64_t offset = 0, size = 0;
    if (!c.read_cstring(&word) || !read_number(&c, offset_, &offset) ||
        !read_number(&c, size_, &size))
      return fail(error_, idx_path_, 0, entry_at, "index entry cut short");
    headwords_.emplace_back(word);
    make_valid_utf8(&headwords_.back());
    if (!dict_.read(offset, size, &data, &message))
      return fail(error_, idx_path_, 0, entry_at, message);
    markup.clear();
    const std::string prefix = "sd" + std::to_string(headwords_.size());
    if (!stardict_entry_markup(data, types, prefix, sink_, &markup, &message))
      return fail(error_, dict_path_, 0, offset, message);
    sink_->add_article({headwords_.back()}, markup);
    if (headwords_.size() % kProgressStep == 0 && !sink_->progress(c.position(), c.size()))
      return fail(error_, ifo_path_, 0, 0, "cancelled");
  }
  const std::string count = ifo_.get("wordcount");
  if (!count.empty() && count != std::to_string(headwords_.size()))
    sink_->skip(SkipReason{"wordcount of the .ifo differs from the index"});
  return true;
}

bool StardictImport::read_synonyms() {
  const std::string path = with_suffix(base_, {".syn", ".syn.dz", ".syn.gz"});
  if (path.empty()) return true;
  std::string syn;
  const bool packed = path.compare(path.size() - 4, 4, ".syn") != 0;
  if (!(packed ? read_gzip(path, &syn) : read_whole(path, &syn)))
    return fail(error_, path, 0, 0, "cannot read the synonyms");
  ByteCursor c(reinterpret_cast<const std::uint8_t*>(syn.data()), syn.size());
  while (!c.at_end()) {
    const std::size_t at = c.position();
    std::string_view word;
    std::uint32_t index = 0;
    if (!c.read_cstring(&word) || !c.read_u32_be(&index))
      return fail(error_, path, 0, at, "synonym entry cut short");
    if (index >= headwords_.size()) {
      sink_->skip(SkipReason{"synonym pointing past the index"});
      continue;
    }
    sink_->add_synonym(std::string(word), headwords_[index]);
  }
  return true;
}

void StardictImport::read_resources() {
  const std::filesystem::path folder = std::filesystem::path(ifo_path_).parent_path() / "res";
  std::error_code ec;
  if (!std::filesystem::is_directory(folder, ec)) return;
  for (auto it = std::filesystem::recursive_directory_iterator(folder, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    if (!it->is_regular_file(ec)) continue;
    std::string bytes;
    if (!read_whole(it->path().string(), &bytes)) {
      sink_->skip(SkipReason{"unreadable resource file"});
      continue;
    }
    sink_->add_media(std::filesystem::relative(it->path(), folder, ec).generic_string(),
                     std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
  }
}

bool StardictImport::run() {
  if (!open_files()) return false;
  sink_->set_title(ifo_.get("bookname"));
  if (!read_entries() || !read_synonyms()) return false;
  read_resources();
  sink_->progress(idx_.size(), idx_.size());
  return true;
}

}  // namespace

bool stardict_entry_markup(std::string_view data, std::string_view types,
                           const std::string& media_prefix, ImportSink* sink, std::string* markup,
                           std::string* message) {
  ByteCursor c(reinterpret_cast<const std::uint8_t*>(data.data()), data.size());
  std::size_t field = 0;
  int media = 0;
  while (!c.at_end() && (types.empty() || field < types.size())) {
    char type = 0;
    if (types.empty()) {
      std::uint8_t t = 0;
      c.read_u8(&t);
      type = static_cast<char>(t);
    } else {
      type = types[field];
    }
    // With sametypesequence the last field has neither terminator nor size.
    const bool last = !types.empty() && field + 1 == types.size();
    ++field;
    std::string_view value;
    if (std::islower(static_cast<unsigned char>(type))) {
      if (last) {
        std::span<const std::uint8_t> rest;
        c.read_bytes(c.remaining(), &rest);
        value = std::string_view(reinterpret_cast<const char*>(rest.data()), rest.size());
      } else if (!c.read_cstring(&value)) {
        *message = std::string("text field '") + type + "' has no end";
        return false;
      }
      if (!markup->empty()) markup->append("<br>");
      append_text_field(type, value, markup);
      continue;
    }
    std::uint32_t size = static_cast<std::uint32_t>(c.remaining());
    std::span<const std::uint8_t> bytes;
    if ((!last && !c.read_u32_be(&size)) || !c.read_bytes(size, &bytes)) {
      *message = std::string("data field '") + type + "' runs past the entry's end";
      return false;
    }
    const std::string_view blob(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    const std::string name = media_prefix + (media++ == 0 ? "" : "-" + std::to_string(media)) +
                             "." + (type == 'W' ? "wav" : picture_extension(blob));
    if (type == 'W') {
      markup->append("<wav>").append(name).append("</wav>");
    } else if (type == 'P') {
      markup->append("<img src=\"").append(name).append("\">");
    } else {
      const char shown = std::isprint(static_cast<unsigned char>(type)) ? type : '?';
      sink->skip(SkipReason{std::string("data field of unknown type '") + shown + "'"});
      --media;
      continue;
    }
    sink->add_media(name, std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
  }
  return true;
}

bool read_stardict_dictionary(const std::string& path, ImportSink* sink, ImportError* error) {
  StardictImport import(path, sink, error);
  return import.run();
}

}  // namespace lexora::import
