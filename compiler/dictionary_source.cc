#include "compiler/dictionary_source.h"

#include "platform/read_file.h"

#include <charconv>
#include <fstream>
#include <iterator>
#include <map>

#include <unicode/utf16.h>

#include "engine/dictionary_header.h"
#include "platform/nls.h"
#include "platform/utf.h"

namespace lexora::compiler {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr char kComment = '#';
constexpr char kDirective = '@';
constexpr char kLiteral = '\\';  // a first "\" lets a headword start with "#" or "@"
constexpr char kTab = '\t';

struct FlagName {
  std::string_view name;
  std::uint32_t bit;
};
constexpr FlagName kFlagNames[] = {
    {"locale_collation", FLAG_LOCALE_COLLATION},
    {"checksum", FLAG_HAS_CHECKSUM},
    {"no_auto_format", FLAG_NO_AUTO_FORMAT},
};

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == kTab)) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == kTab)) s.remove_suffix(1);
  return s;
}

bool fail(std::string* error, std::size_t line, const std::string& text) {
  if (error != nullptr) *error = "line " + std::to_string(line) + ": " + text;
  return false;
}

std::optional<bool> parse_bool(std::string_view text) {
  if (text == "yes" || text == "true" || text == "1" || text == "on") return true;
  if (text == "no" || text == "false" || text == "0" || text == "off") return false;
  return std::nullopt;
}

// Applies "@name value"; false with *message set when it is not understood.
bool apply_directive(std::string_view name, std::string_view value, DictionarySource* source,
                     DictionaryOptions* options, SourceSettings* settings, std::string* message) {
  if (name == "abbrev") {
    const std::size_t tab = value.find(kTab);
    if (tab == std::string_view::npos || tab == 0) {
      *message = "@abbrev needs an abbreviation, a tab and its expansion";
      return false;
    }
    source->abbreviations.emplace_back(utf8_to_utf16(value.substr(0, tab)),
                                       utf8_to_utf16(value.substr(tab + 1)));
    return true;
  }
  value = trim(value);
  if (name == "flags") {
    std::optional<std::uint32_t> flags = parse_flags(value);
    if (!flags) {
      *message = "unknown flags \"" + std::string(value) + "\"";
      return false;
    }
    options->flags = *flags;
    return true;
  }
  if (name == "sort" || name == "article_entities") {
    std::optional<bool> on = parse_bool(value);
    if (!on) {
      *message = "@" + std::string(name) + " takes yes or no";
      return false;
    }
    if (name == "sort")
      options->sort = *on;
    else
      settings->article_entities = *on;
    return true;
  }
  std::optional<std::uint32_t> number = parse_number(value);
  if (!number) {
    *message = "@" + std::string(name) + " needs a number";
    return false;
  }
  if (name == "version") {
    if (*number > 0x7FFF) {
      *message = "@version out of range";
      return false;
    }
    options->version = static_cast<std::int16_t>(*number);
  } else if (name == "words_code_page") {
    options->words_code_page = *number;
  } else if (name == "articles_code_page") {
    options->articles_code_page = *number;
  } else if (name == "code_page") {
    options->words_code_page = options->articles_code_page = *number;
  } else if (name == "locale") {
    options->locale_id = *number;
  } else if (name == "articles_per_block") {
    // 0 would mean "the compiler's default" to the writer: a source that
    // says 0 means something else, so it is refused rather than replaced.
    if (*number == 0) {
      *message = "@articles_per_block must be at least 1";
      return false;
    }
    options->articles_per_block = *number;
  } else {
    *message = "unknown option @" + std::string(name);
    return false;
  }
  return true;
}

}  // namespace

std::optional<std::uint32_t> parse_number(std::string_view text) {
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text.remove_prefix(2);
    base = 16;
  }
  std::uint32_t value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::optional<std::uint32_t> parse_flags(std::string_view text) {
  if (std::optional<std::uint32_t> number = parse_number(text)) return number;
  std::uint32_t flags = 0;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t end = text.find_first_of(", |", at);
    const std::string_view word = text.substr(at, end == std::string_view::npos ? end : end - at);
    at = end == std::string_view::npos ? text.size() : end + 1;
    if (word.empty()) continue;
    bool known = false;
    for (const FlagName& f : kFlagNames) {
      if (word == f.name) {
        flags |= f.bit;
        known = true;
      }
    }
    if (!known) return std::nullopt;
  }
  return flags;
}

bool parse_dictionary_source(std::string_view text, DictionarySource* source,
                             DictionaryOptions* options, std::string* error,
                             SourceSettings* settings) {
  SourceSettings ignored;
  if (settings == nullptr) settings = &ignored;
  if (text.substr(0, kUtf8Bom.size()) == kUtf8Bom) text.remove_prefix(kUtf8Bom.size());
  std::size_t line_number = 0;
  bool continues_entry = false;  // the last line was an entry (or its continuation)
  while (!text.empty()) {
    ++line_number;
    const std::size_t newline = text.find('\n');
    std::string_view line = text.substr(0, newline);
    text.remove_prefix(newline == std::string_view::npos ? text.size() : newline + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);

    if (!line.empty() && line.front() == kTab) {
      if (!continues_entry)
        return fail(error, line_number, "a continuation line must follow an entry");
      source->entries.back().second += u'\n';
      source->entries.back().second += utf8_to_utf16(line.substr(1));
      continue;
    }
    continues_entry = false;
    if (trim(line).empty() || line.front() == kComment) continue;
    if (line.front() == kDirective) {
      const std::size_t space = line.find_first_of(" \t");
      const std::string_view name =
          line.substr(1, space == std::string_view::npos ? space : space - 1);
      std::string_view value =
          space == std::string_view::npos ? std::string_view() : line.substr(space + 1);
      std::string message;
      if (!apply_directive(name, value, source, options, settings, &message))
        return fail(error, line_number, message);
      continue;
    }
    if (line.front() == kLiteral) line.remove_prefix(1);
    const std::size_t tab = line.find(kTab);
    if (tab == 0 || line.empty()) return fail(error, line_number, "an entry needs a headword");
    const std::string_view headword = line.substr(0, tab);
    const std::string_view article =
        tab == std::string_view::npos ? std::string_view() : line.substr(tab + 1);
    source->entries.emplace_back(utf8_to_utf16(headword), utf8_to_utf16(article));
    continues_entry = true;
  }
  return true;
}

bool read_dictionary_source(const std::string& path, DictionarySource* source,
                            DictionaryOptions* options, std::string* error,
                            SourceSettings* settings) {
  std::string text;
  const ReadResult read = read_regular_file(path, kMaxSourceFileSize, &text);
  if (read.status != ReadStatus::kOk) {
    if (error != nullptr) *error = "cannot read " + read.describe(path, kMaxSourceFileSize);
    return false;
  }
  std::string local;
  if (!parse_dictionary_source(text, source, options, &local, settings)) {
    if (error != nullptr) *error = path + ": " + local;
    return false;
  }
  return true;
}

void escape_unmappable_articles(DictionarySource* source, std::uint32_t code_page) {
  std::map<char32_t, bool> fits;  // asked of the converter once per character
  auto holds = [&](std::u16string_view unit) {
    char32_t c = unit.size() == 2 ? U16_GET_SUPPLEMENTARY(unit[0], unit[1]) : unit[0];
    auto it = fits.find(c);
    if (it != fits.end()) return it->second;
    const bool ok = to_wide(to_multibyte(unit, code_page), code_page) == unit;
    fits.emplace(c, ok);
    return ok;
  };
  for (auto& entry : source->entries) {
    const std::u16string& article = entry.second;
    std::u16string out;
    out.reserve(article.size());
    for (std::size_t i = 0; i < article.size(); ++i) {
      std::size_t length = 1;
      if (U16_IS_LEAD(article[i]) && i + 1 < article.size() && U16_IS_TRAIL(article[i + 1]))
        length = 2;
      const std::u16string_view unit(article.data() + i, length);
      if (holds(unit)) {
        out.append(unit);
      } else {
        const char32_t c = length == 2 ? U16_GET_SUPPLEMENTARY(unit[0], unit[1]) : unit[0];
        out += utf8_to_utf16("&#" + std::to_string(static_cast<std::uint32_t>(c)) + ";");
      }
      i += length - 1;
    }
    entry.second = std::move(out);
  }
}

}  // namespace lexora::compiler
