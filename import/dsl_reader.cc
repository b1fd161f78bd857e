#include "import/dsl_reader.h"

#include <algorithm>
#include <unordered_set>
#include <vector>

#include "import/dsl_cards.h"
#include "import/dsl_markup.h"
#include "import/dsl_text.h"
#include "import/markup_pieces.h"
#include "import/media_source.h"
#include "import/source_file.h"

namespace lexora::import {
namespace {

constexpr std::uint64_t kCardsPerProgress = 1024;
constexpr std::string_view kSubEntryIndent = "<div style=\"margin-left:1em\">";

bool ends_with_ascii_case(std::string_view text, std::string_view suffix) {
  if (text.size() < suffix.size()) return false;
  const std::string_view tail = text.substr(text.size() - suffix.size());
  for (std::size_t i = 0; i < suffix.size(); ++i) {
    char c = tail[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != suffix[i]) return false;
  }
  return true;
}

// "@ word" opens a sub-entry, "@" alone ends it.
bool is_sub_entry_line(std::string_view line, std::string_view* headword) {
  if (line.empty() || line[0] != '@') return false;
  *headword = trim_blanks(line.substr(1));
  return true;
}

struct SubEntry {
  std::string_view headword;
  std::vector<std::string_view> body;
};

class DslConverter {
 public:
  DslConverter(MediaSource* media, ImportSink* sink) : media_(media), sink_(sink) {}

  void read_abbreviations(std::string_view text);
  bool read_cards(std::string_view text, const std::string& file_name, ImportError* error);

 private:
  void convert_card(const DslCard& card);
  void add_article(std::vector<std::string> keys, std::string heading,
                   const std::vector<std::string_view>& body, std::string_view tilde,
                   const std::vector<std::string>& sub_links);

  MediaSource* media_;
  ImportSink* sink_;
  std::unordered_set<std::string> abbreviations_;
};

void DslConverter::read_abbreviations(std::string_view text) {
  DslCardReader reader(text);
  DslCard card;
  while (reader.next(&card)) {
    std::string joined;
    for (std::string_view line : card.body) {
      joined.append(line);
      joined.push_back(' ');
    }
    const std::string expansion = dsl_plain_text(joined, "");
    if (expansion.empty()) continue;
    for (std::string_view line : card.headwords) {
      for (std::string& key : parse_dsl_headword(line).keys) {
        if (abbreviations_.insert(key).second) sink_->add_abbreviation(key, expansion);
      }
    }
  }
}

bool DslConverter::read_cards(std::string_view text, const std::string& file_name,
                              ImportError* error) {
  DslCardReader reader(text);
  const DslHeader& header = reader.header();
  if (!header.index_language.empty() || !header.contents_language.empty()) {
    sink_->set_languages(header.index_language, header.contents_language);
  }
  if (!header.name.empty()) sink_->set_title(header.name);
  for (int i = 0; i < header.include_lines; ++i) sink_->skip(SkipReason{"#INCLUDE not followed"});

  DslCard card;
  std::uint64_t cards = 0;
  while (reader.next(&card)) {
    convert_card(card);
    if (++cards % kCardsPerProgress == 0 && !sink_->progress(reader.position(), text.size())) {
      *error = ImportError{file_name, reader.line(), reader.position(), "import cancelled"};
      return false;
    }
  }
  for (std::uint64_t i = 0; i < reader.orphan_body_lines(); ++i) {
    sink_->skip(SkipReason{"body line without a headword"});
  }
  sink_->progress(text.size(), text.size());
  return true;
}

void DslConverter::convert_card(const DslCard& card) {
  std::vector<std::string> keys;
  std::vector<std::string> displays;
  for (std::string_view line : card.headwords) {
    DslHeadword headword = parse_dsl_headword(line);
    for (std::string& key : headword.keys) {
      if (std::find(keys.begin(), keys.end(), key) == keys.end()) keys.push_back(std::move(key));
    }
    if (!headword.display.empty()) displays.push_back(std::move(headword.display));
  }
  if (keys.empty()) {
    sink_->skip(SkipReason{"empty headword"});
    return;
  }

  std::vector<std::string_view> main_body;
  std::vector<SubEntry> sub_entries;
  bool in_sub_entry = false;
  for (std::string_view line : card.body) {
    std::string_view sub_headword;
    if (is_sub_entry_line(line, &sub_headword)) {
      in_sub_entry = !sub_headword.empty();
      if (in_sub_entry) sub_entries.push_back(SubEntry{sub_headword, {}});
    } else if (in_sub_entry) {
      sub_entries.back().body.push_back(line);
    } else {
      main_body.push_back(line);
    }
  }

  std::string heading;
  if (displays.size() > 1 || (displays.size() == 1 && displays[0] != keys[0])) {
    std::string joined;
    for (const std::string& d : displays) joined.append(joined.empty() ? d : ", " + d);
    heading = "<div><b>";
    append_escaped(joined, &heading);
    heading.append("</b></div>");
  }
  std::vector<std::string> sub_links;
  for (const SubEntry& sub : sub_entries) {
    DslHeadword headword = parse_dsl_headword(sub.headword);
    if (headword.keys.empty()) {
      sink_->skip(SkipReason{"empty headword"});
      continue;
    }
    sub_links.push_back(headword.keys[0]);
    const std::string tilde = headword.keys[0];
    std::string sub_heading;
    if (headword.display != headword.keys[0]) {
      sub_heading = "<div><b>";
      append_escaped(headword.display, &sub_heading);
      sub_heading.append("</b></div>");
    }
    add_article(std::move(headword.keys), std::move(sub_heading), sub.body, tilde, {});
  }
  const std::string tilde = keys[0];
  add_article(std::move(keys), std::move(heading), main_body, tilde, sub_links);
}

void DslConverter::add_article(std::vector<std::string> keys, std::string heading,
                               const std::vector<std::string_view>& body, std::string_view tilde,
                               const std::vector<std::string>& sub_links) {
  std::string markup = std::move(heading);
  const std::size_t heading_size = markup.size();
  DslBodyContext context;
  context.headword = tilde;
  context.abbreviations = &abbreviations_;
  context.media = media_;
  context.sink = sink_;
  convert_dsl_body(body, context, &markup);
  for (const std::string& link : sub_links) {
    markup.append(kSubEntryIndent);
    append_headword_link(link, link, &markup);
    markup.append("</div>");
  }
  if (markup.size() == heading_size) {
    sink_->skip(SkipReason{"headword without article"});
    return;
  }
  sink_->add_article(std::move(keys), std::move(markup));
}

std::string decoded_text(std::span<const std::uint8_t> bytes) {
  std::string text = decode_dsl_bytes(bytes);
  strip_dsl_comments(&text);
  return text;
}

}  // namespace

bool read_dsl_bytes(std::span<const std::uint8_t> dsl, std::span<const std::uint8_t> abbreviations,
                    MediaSource* media, const std::string& file_name, ImportSink* sink,
                    ImportError* error) {
  DslConverter converter(media, sink);
  if (!abbreviations.empty()) converter.read_abbreviations(decoded_text(abbreviations));
  return converter.read_cards(decoded_text(dsl), file_name, error);
}

bool read_dsl_dictionary(const std::string& path, ImportSink* sink, ImportError* error) {
  std::vector<std::uint8_t> dsl;
  std::string message;
  if (!read_source_file(path, &dsl, &message)) {
    *error = ImportError{path, 0, 0, message};
    return false;
  }
  // NAME.dsl.dz and NAME.dsl share their companions.
  std::string dsl_path = path;
  if (ends_with_ascii_case(dsl_path, ".dz")) dsl_path.resize(dsl_path.size() - 3);
  std::string base = dsl_path;
  if (ends_with_ascii_case(base, ".dsl")) base.resize(base.size() - 4);

  std::vector<std::uint8_t> abbreviations;
  for (const std::string& candidate : {base + "_abrv.dsl", base + "_abrv.dsl.dz"}) {
    if (!file_exists(candidate)) continue;
    if (!read_source_file(candidate, &abbreviations, &message)) {
      *error = ImportError{candidate, 0, 0, message};
      return false;
    }
    break;
  }

  std::string zip_path = dsl_path + ".files.zip";
  if (!file_exists(zip_path) && file_exists(path + ".files.zip")) zip_path = path + ".files.zip";
  std::unique_ptr<MediaSource> media = MediaSource::open(zip_path, dsl_path + ".files", &message);
  if (media == nullptr) {
    sink->skip(SkipReason{"media archive unreadable: " + message});
    media = MediaSource::open("", "", &message);
  }
  DslConverter converter(media.get(), sink);
  if (!abbreviations.empty()) converter.read_abbreviations(decoded_text(abbreviations));
  const std::string text = decoded_text(dsl);
  std::vector<std::uint8_t>().swap(dsl);  // only the decoded text is needed from here
  return converter.read_cards(text, path, error);
}

}  // namespace lexora::import
