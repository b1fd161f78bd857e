#include "import/dictd_text.h"

#include "import/character_use.h"
#include "import/dictd_reader.h"

namespace lexora::import {
namespace {

// 8-bit text as Windows-1252, the Latin-1 superset that 8-bit databases use
// in practice (curly quotes at 0x91-0x94); its five unassigned bytes are
// read as the Latin-1 control characters.
std::string windows1252_to_utf8(std::string_view text) {
  static constexpr char16_t k80[32] = {
      0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
  std::string out;
  out.reserve(text.size() + text.size() / 8);
  for (char ch : text) {
    const auto b = static_cast<unsigned char>(ch);
    const char32_t c = b >= 0x80 && b < 0xA0 ? k80[b - 0x80] : b;
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

}  // namespace

std::string_view trim_dictd_blanks(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

void dictd_text_to_utf8(bool utf8, std::string* text) {
  if (utf8) {
    make_valid_utf8(text);
    return;
  }
  if (is_valid_utf8(*text)) return;
  *text = windows1252_to_utf8(*text);
  // Its 0 bytes as well-formed UTF-8 would have them: replaced.
  make_valid_utf8(text);
}

void append_dictd_article_markup(std::string_view text, std::string* out) {
  append_dictd_markup(trim_dictd_blanks(text), out);
}

void DictdText::set_utf8(bool utf8) {
  const std::lock_guard<std::mutex> lock(mutex_);
  utf8_ = utf8;
}

bool DictdText::raw(SourceSpan span, std::string* text, std::string* error) {
  const std::lock_guard<std::mutex> lock(mutex_);
  return dict_.read(span.offset, span.length, text, error);
}

bool DictdText::text(SourceSpan span, std::string* text, std::string* error) {
  const std::lock_guard<std::mutex> lock(mutex_);
  if (!dict_.read(span.offset, span.length, text, error)) return false;
  dictd_text_to_utf8(utf8_, text);
  return true;
}

bool DictdText::markup(SourceSpan span, std::string* markup, std::string* error) {
  const std::lock_guard<std::mutex> lock(mutex_);
  if (!dict_.read(span.offset, span.length, &text_, error)) {
    *error = path_ + ": offset " + std::to_string(span.offset) + ": " + *error;
    return false;
  }
  dictd_text_to_utf8(utf8_, &text_);
  markup->clear();
  append_dictd_article_markup(text_, markup);
  return true;
}

std::unique_ptr<ArticleSource> DictdText::another() const {
  return reopen();
}

std::unique_ptr<DictdText> DictdText::reopen() const {
  bool utf8 = false;
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (dict_.holds_whole_text()) return nullptr;
    utf8 = utf8_;
  }
  auto reader = std::make_unique<DictdText>(path_);
  std::string ignored;
  std::uint64_t offset = 0;
  // A file that cannot be opened again leaves this reader to serve alone.
  if (!reader->open(&ignored, &offset)) return nullptr;
  reader->set_utf8(utf8);
  return reader;
}

}  // namespace lexora::import
