#include "import/dsl_markup.h"

#include "import/dsl_text.h"
#include "import/markup_pieces.h"
#include "import/media_source.h"

namespace lexora::import {
namespace {

constexpr std::string_view kStressMark = "\xCC\x81";  // U+0301 combining acute accent
constexpr std::string_view kSpecialChars = "\\[<>&~";
constexpr int kMaxIndent = 9;

struct OpenTag {
  std::string name;
  std::string open_html;
  std::string close_html;
  std::size_t content_start = 0;  // in the line's block, for [t]
  bool bracketed = false;         // [t] took the "[" before it away
};

std::string joined(std::string_view a, std::string_view b, std::string_view c) {
  std::string s;
  s.reserve(a.size() + b.size() + c.size());
  s.append(a).append(b).append(c);
  return s;
}

// The HTML of a tag with a look of its own; false for the rest.
bool html_for(const DslTag& tag, std::string* open, std::string* close) {
  const std::string_view n = tag.name;
  if (n == "b" || n == "i" || n == "u" || n == "sup" || n == "sub") {
    *open = joined("<", n, ">");
    *close = joined("</", n, ">");
  } else if (n == "c" || n == "ex" || n == "com") {
    const std::string_view colour = n == "c"    ? safe_colour(tag.attributes, kDefaultColour)
                                    : n == "ex" ? kExampleColour
                                                : kCommentColour;
    *open = joined("<font color=\"", colour, "\">");
    *close = "</font>";
  } else if (n == "t") {
    *open = "<t>";
    *close = "</t>";
  } else if (n == "'") {
    open->clear();
    *close = kStressMark;
  } else {
    return false;
  }
  return true;
}

class BodyConverter {
 public:
  BodyConverter(const DslBodyContext& context, std::string* out) : context_(context), out_(out) {}

  void convert_line(std::string_view line);
  void finish() { stack_.clear(); }

 private:
  void open_tag(const DslTag& tag);
  void close_tag(std::string_view name, std::string_view line, std::size_t* pos);
  void finish_t(const OpenTag& t, std::string_view line, std::size_t* pos);
  void captured_tag(const DslTag& tag, std::string_view line, std::size_t* pos);
  bool word_link(std::string_view line, std::size_t* pos);
  void text(std::string_view literal) {
    if (!trim_blanks(literal).empty()) has_content_ = true;
    append_escaped(literal, &block_);
  }

  const DslBodyContext& context_;
  std::string* out_;
  std::vector<OpenTag> stack_;
  std::string block_;
  int indent_ = -1;
  bool has_content_ = false;
};

void BodyConverter::convert_line(std::string_view line) {
  block_.clear();
  indent_ = -1;
  has_content_ = false;
  for (OpenTag& tag : stack_) {
    block_.append(tag.open_html);
    tag.content_start = block_.size();
  }
  std::size_t pos = 0;
  while (pos < line.size()) {
    const std::size_t special = line.find_first_of(kSpecialChars, pos);
    const std::size_t run_end = special == std::string_view::npos ? line.size() : special;
    if (run_end > pos) text(line.substr(pos, run_end - pos));
    pos = run_end;
    if (pos >= line.size()) break;
    const char c = line[pos];
    DslTag tag;
    if (c == '\\') {
      const std::size_t length = dsl_char_length(line, pos);
      text(line.substr(pos + 1, length - 1));
      pos += length;
    } else if (c == '~') {
      text(context_.headword);
      ++pos;
    } else if (c == '<' && word_link(line, &pos)) {
      continue;
    } else if (c == '[' && parse_dsl_tag(line, pos, &tag)) {
      pos += tag.length;
      if (tag.closing) {
        close_tag(tag.name, line, &pos);
      } else {
        captured_tag(tag, line, &pos);
      }
    } else {
      text(line.substr(pos, 1));
      ++pos;
    }
  }
  for (auto it = stack_.rbegin(); it != stack_.rend(); ++it) block_.append(it->close_html);
  if (!has_content_) return;
  if (indent_ <= 0) {
    out_->append("<div>");
  } else {
    out_->append("<div style=\"margin-left:" + std::to_string(indent_) + "em\">");
  }
  out_->append(block_);
  out_->append("</div>");
}

void BodyConverter::open_tag(const DslTag& tag) {
  const std::string_view n = tag.name;
  if (n.size() <= 2 && n[0] == 'm') {
    if (indent_ < 0) {
      indent_ = n.size() == 1 ? 1 : (n[1] >= '0' && n[1] <= '9' ? n[1] - '0' : 0);
      if (indent_ > kMaxIndent) indent_ = kMaxIndent;
    }
    return;
  }
  if (n == "br") {
    block_.append("<br>");
    return;
  }
  OpenTag open;
  if (!html_for(tag, &open.open_html, &open.close_html)) return;  // dropped, text kept
  open.name = n;
  if (n == "t" && !block_.empty() && block_.back() == '[') {
    // "\[[t]...[/t]\]": the transcription markup brings its own brackets.
    block_.pop_back();
    open.bracketed = true;
  }
  block_.append(open.open_html);
  open.content_start = block_.size();
  stack_.push_back(std::move(open));
}

void BodyConverter::close_tag(std::string_view name, std::string_view line, std::size_t* pos) {
  std::size_t match = stack_.size();
  while (match > 0 && stack_[match - 1].name != name) --match;
  if (match == 0) return;  // closes nothing that is open
  --match;
  for (std::size_t k = stack_.size(); k-- > match + 1;) block_.append(stack_[k].close_html);
  const OpenTag closed = stack_[match];
  if (closed.name == "t") {
    finish_t(closed, line, pos);
  } else {
    block_.append(closed.close_html);
  }
  stack_.erase(stack_.begin() + static_cast<std::ptrdiff_t>(match));
  for (std::size_t k = match; k < stack_.size(); ++k) {
    block_.append(stack_[k].open_html);
    stack_[k].content_start = block_.size();
  }
}

void BodyConverter::finish_t(const OpenTag& t, std::string_view line, std::size_t* pos) {
  // "[t]\[...\][/t]": the brackets inside go, <t> shows its own.
  if (t.content_start < block_.size() && block_[t.content_start] == '[' && block_.back() == ']' &&
      block_.size() - t.content_start >= 2) {
    block_.pop_back();
    block_.erase(t.content_start, 1);
  }
  block_.append(t.close_html);
  if (!t.bracketed) return;
  if (line.substr(*pos).starts_with("\\]")) {
    *pos += 2;
  } else if (line.substr(*pos).starts_with("]")) {
    *pos += 1;
  }
}

// [p], [ref], [url] and [s] take the plain text up to their closing tag (or
// the end of the line).
void BodyConverter::captured_tag(const DslTag& tag, std::string_view line, std::size_t* pos) {
  const std::string_view n = tag.name;
  if (n != "p" && n != "ref" && n != "url" && n != "s") {
    open_tag(tag);
    return;
  }
  const std::string closing = "[/" + std::string(n) + "]";
  std::size_t end = line.find(closing, *pos);
  const std::string_view raw =
      line.substr(*pos, end == std::string_view::npos ? std::string_view::npos : end - *pos);
  *pos = end == std::string_view::npos ? line.size() : end + closing.size();
  const std::string plain = dsl_plain_text(raw, context_.headword);
  if (plain.empty()) return;
  if (n == "s") {
    if (context_.media != nullptr && context_.media->provide(plain, context_.sink)) {
      append_media_markup(plain, &block_);
      has_content_ = true;
    }
    return;
  }
  has_content_ = true;
  if (n == "p") {
    if (context_.abbreviations != nullptr && context_.abbreviations->contains(plain)) {
      block_.append("<i><abr>");
      append_html_attribute(plain, &block_);
      block_.append("</abr></i>");
    } else {
      block_.append(kLabelOpen);
      append_escaped(plain, &block_);
      block_.append(kLabelClose);
    }
  } else if (n == "ref") {
    append_headword_link(plain, plain, &block_);
  } else {
    const bool has_scheme = plain.find("://") != std::string::npos || plain.starts_with("mailto:");
    block_.append("<a href=\"");
    append_html_attribute(has_scheme ? plain : "http://" + plain, &block_);
    block_.append("\">");
    append_escaped(plain, &block_);
    block_.append("</a>");
  }
}

// "<<word>>" on one line; anything else at '<' is text.
bool BodyConverter::word_link(std::string_view line, std::size_t* pos) {
  if (!line.substr(*pos).starts_with("<<")) return false;
  const std::size_t end = line.find(">>", *pos + 2);
  if (end == std::string_view::npos) return false;
  const std::string target =
      dsl_plain_text(line.substr(*pos + 2, end - *pos - 2), context_.headword);
  *pos = end + 2;
  if (!target.empty()) {
    append_headword_link(target, target, &block_);
    has_content_ = true;
  }
  return true;
}

}  // namespace

void convert_dsl_body(const std::vector<std::string_view>& lines, const DslBodyContext& context,
                      std::string* out) {
  BodyConverter converter(context, out);
  for (std::string_view line : lines) converter.convert_line(line);
  converter.finish();
}

}  // namespace lexora::import
