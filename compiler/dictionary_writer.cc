#include "compiler/dictionary_writer.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <limits>
#include <memory>
#include <numeric>

#include "compiler/headword_order.h"
#include "engine/dictionary_header.h"
#include "engine/word_compare.h"
#include "platform/byte_cursor.h"
#include "platform/nls.h"

namespace lexora::compiler {
namespace {

constexpr std::uint32_t kMaxU32 = std::numeric_limits<std::uint32_t>::max();
// Abbreviation and expansion are separated by two spaces in the stream.
constexpr std::u16string_view kAbbreviationSeparator = u"  ";

bool fail(std::string* error, std::string text) {
  if (error != nullptr) *error = std::move(text);
  return false;
}

bool fits_u32(std::size_t n) {
  return n <= kMaxU32;
}

// Appends `text` in `code_page` with its 0 terminator.
bool append_text(std::u16string_view text, std::uint32_t code_page, const char* what,
                 std::vector<std::uint8_t>* out, std::string* error) {
  if (text.find(u'\0') != std::u16string_view::npos)
    return fail(error, std::string(what) + " holds a 0 character");
  std::string bytes;
  if (!to_multibyte(text, code_page, &bytes))
    return fail(error, "code page " + std::to_string(code_page) + " is not supported");
  if (bytes.find('\0') != std::string::npos)
    return fail(error,
                std::string(what) + " holds a 0 byte in code page " + std::to_string(code_page));
  out->insert(out->end(), bytes.begin(), bytes.end());
  out->push_back(0);
  return true;
}

// Positions of the entries in the order the reader's binary search needs.
std::vector<std::size_t> sorted_order(const DictionarySource& source, std::uint32_t code_page,
                                      std::uint32_t locale_id, std::uint32_t flags) {
  // Headwords are compared as the reader sees them: after the round trip
  // through the code page.
  std::u16string read_back;
  std::vector<std::uint32_t> order = sort_headwords(
      source.entries.size(),
      [&](std::size_t i) -> std::u16string_view {
        read_back = to_wide(to_multibyte(source.entries[i].first, code_page), code_page);
        return read_back;
      },
      code_page, locale_id, flags);
  return std::vector<std::size_t>(order.begin(), order.end());
}

// The abbreviation stream: "abbreviation", two spaces, "expansion", each
// zero-terminated in `code_page`.
bool abbreviation_stream(const DictionarySource& source, std::uint32_t code_page,
                         std::vector<std::uint8_t>* abbrevs, std::string* error) {
  for (const auto& [abbreviation, expansion] : source.abbreviations) {
    if (abbreviation.find(kAbbreviationSeparator) != std::u16string::npos) {
      return fail(error, "an abbreviation holds two spaces in a row");
    }
    std::u16string entry = abbreviation;
    entry.append(kAbbreviationSeparator).append(expansion);
    if (!append_text(entry, code_page, "an abbreviation", abbrevs, error)) return false;
  }
  return true;
}

// The articles in `order`, `per_block` to a block, each block deflated;
// `block_sizes` receives the unpacked sizes.
bool article_blocks(const DictionarySource& source, const std::vector<std::size_t>& order,
                    std::uint32_t per_block, std::uint32_t code_page,
                    std::vector<std::vector<std::uint8_t>>* blocks,
                    std::vector<std::uint32_t>* block_sizes, std::string* error) {
  for (std::size_t first = 0; first < order.size(); first += per_block) {
    std::vector<std::uint8_t> block;
    const std::size_t end = std::min(order.size(), first + std::size_t{per_block});
    for (std::size_t k = first; k < end; ++k)
      if (!append_text(source.entries[order[k]].second, code_page, "an article", &block, error))
        return false;
    if (!fits_u32(block.size())) return fail(error, "an article block is larger than 4 GiB");
    block_sizes->push_back(static_cast<std::uint32_t>(block.size()));
    blocks->push_back(zlib_compress(block.data(), block.size()));
  }
  return true;
}

// Adler-32 of every byte, started at 0 rather than zlib's usual 1.
std::uint32_t checksum_of(const std::vector<std::uint8_t>& bytes) {
  uLong sum = 0;
  std::size_t done = 0;
  while (done < bytes.size()) {
    const std::size_t chunk = std::min<std::size_t>(bytes.size() - done, 1u << 30);
    sum = adler32(sum, bytes.data() + done, static_cast<uInt>(chunk));
    done += chunk;
  }
  return static_cast<std::uint32_t>(sum);
}

// Version 2 has no articles-per-block field (its blocks hold a fixed count);
// versions 2 and 3 have no code-page or locale fields.
void put_header(ByteWriter& w, const DictionaryHeader& h) {
  w.put_u16(static_cast<std::uint16_t>(h.version));
  if (h.version == 2) {
    w.put_u16(0);
    for (std::uint32_t v : {h.word_count, h.words_size, h.words_packed_size, h.block_count,
                            h.abbrev_count, h.abbrevs_size, h.abbrevs_packed_size, h.flags})
      w.put_u32(v);
    return;
  }
  for (std::uint32_t v :
       {h.word_count, h.words_size, h.words_packed_size, h.articles_per_block, h.block_count,
        h.abbrev_count, h.abbrevs_size, h.abbrevs_packed_size, h.flags})
    w.put_u32(v);
  if (h.version != 3) {
    w.put_u32(h.words_code_page);
    w.put_u32(h.articles_code_page);
    w.put_u32(h.locale_id);
  }
}

}  // namespace

std::vector<std::uint8_t> zlib_compress(const std::uint8_t* data, std::size_t size) {
  uLongf capacity = compressBound(static_cast<uLong>(size));
  std::vector<std::uint8_t> out(capacity);
  // An empty input still makes a complete (empty) zlib stream.
  static const std::uint8_t kNothing = 0;
  if (compress2(out.data(), &capacity, size == 0 ? &kNothing : data, static_cast<uLong>(size),
                Z_DEFAULT_COMPRESSION) != Z_OK)
    return {};
  out.resize(capacity);
  return out;
}

std::vector<std::uint8_t> build_dictionary(const DictionarySource& source,
                                           const DictionaryOptions& options, std::string* error) {
  const bool old_layout = options.version == 2 || options.version == 3;
  const std::uint32_t words_cp = old_layout ? kDefaultCodePage : options.words_code_page;
  const std::uint32_t articles_cp = old_layout ? kDefaultCodePage : options.articles_code_page;
  const std::uint32_t locale_id = old_layout ? kRussianLocale : options.locale_id;
  std::uint32_t per_block = options.version == 2              ? kDefaultArticlesPerBlock
                            : options.articles_per_block != 0 ? options.articles_per_block
                                                              : kCompilerArticlesPerBlock;
  if (!is_valid_code_page(words_cp) || !is_valid_code_page(articles_cp)) {
    fail(error, "code page " +
                    std::to_string(is_valid_code_page(words_cp) ? articles_cp : words_cp) +
                    " is not supported");
    return {};
  }
  if (!fits_u32(source.entries.size()) || !fits_u32(source.abbreviations.size())) {
    fail(error, "too many entries");
    return {};
  }

  std::vector<std::size_t> order;
  if (options.sort) {
    order = sorted_order(source, words_cp, locale_id, options.flags);
  } else {
    order.resize(source.entries.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
  }

  // Streams.
  std::vector<std::uint8_t> words;
  for (std::size_t i : order)
    if (!append_text(source.entries[i].first, words_cp, "a headword", &words, error)) return {};
  std::vector<std::uint8_t> abbrevs;
  if (!abbreviation_stream(source, articles_cp, &abbrevs, error)) return {};
  std::vector<std::vector<std::uint8_t>> blocks;
  std::vector<std::uint32_t> block_sizes;
  if (!article_blocks(source, order, per_block, articles_cp, &blocks, &block_sizes, error)) {
    return {};
  }
  std::vector<std::uint8_t> packed_words = zlib_compress(words.data(), words.size());
  std::vector<std::uint8_t> packed_abbrevs;
  if (!abbrevs.empty()) packed_abbrevs = zlib_compress(abbrevs.data(), abbrevs.size());
  if (!fits_u32(words.size()) || !fits_u32(abbrevs.size())) {
    fail(error, "the word list is larger than 4 GiB");
    return {};
  }

  std::vector<std::uint8_t> out;
  ByteWriter w(&out);
  DictionaryHeader h;
  h.version = static_cast<std::int16_t>(options.version);
  h.word_count = static_cast<std::uint32_t>(order.size());
  h.words_size = static_cast<std::uint32_t>(words.size());
  h.words_packed_size = static_cast<std::uint32_t>(packed_words.size());
  h.articles_per_block = per_block;
  h.block_count = static_cast<std::uint32_t>(blocks.size());
  h.abbrev_count = static_cast<std::uint32_t>(source.abbreviations.size());
  h.abbrevs_size = static_cast<std::uint32_t>(abbrevs.size());
  h.abbrevs_packed_size = static_cast<std::uint32_t>(packed_abbrevs.size());
  h.flags = options.flags;
  h.words_code_page = words_cp;
  h.articles_code_page = articles_cp;
  h.locale_id = locale_id;
  put_header(w, h);
  const std::uint32_t block_count = h.block_count;

  // Streams, block table, blocks.
  w.put_bytes(std::span<const std::uint8_t>(packed_words));
  w.put_bytes(std::span<const std::uint8_t>(packed_abbrevs));
  const std::size_t table_at = w.position();
  w.put_zeros(std::size_t{block_count} * 4);
  for (std::size_t b = 0; b < blocks.size(); ++b) {
    if (!fits_u32(w.position())) {
      fail(error, "the dictionary is larger than 4 GiB");
      return {};
    }
    w.patch_u32(table_at + b * 4, static_cast<std::uint32_t>(w.position()));
    w.put_u32(block_sizes[b]);
    w.put_u32(static_cast<std::uint32_t>(blocks[b].size()));
    w.put_bytes(std::span<const std::uint8_t>(blocks[b]));
  }
  if ((options.flags & FLAG_HAS_CHECKSUM) != 0) w.put_u32(checksum_of(out));
  return out;
}

bool write_bytes_file(const std::string& path, const std::vector<std::uint8_t>& bytes,
                      std::string* error) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "wb"),
                                                       &std::fclose);
  if (!file) return fail(error, "cannot create " + path);
  if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file.get()) != bytes.size())
    return fail(error, "cannot write " + path);
  if (std::fclose(file.release()) != 0) return fail(error, "cannot write " + path);
  return true;
}

bool write_dictionary_file(const std::string& path, const DictionarySource& source,
                           const DictionaryOptions& options, std::string* error) {
  std::string local_error;
  std::vector<std::uint8_t> bytes = build_dictionary(source, options, &local_error);
  if (bytes.empty()) return fail(error, local_error);
  return write_bytes_file(path, bytes, error);
}

}  // namespace lexora::compiler
