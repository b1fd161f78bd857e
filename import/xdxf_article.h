// Builds the article markup of one XDXF card (<ar>) from the XML events
// inside it, and hands the finished article to the sink (xdxf_reader.h
// describes the markup).
#ifndef LEXORA_IMPORT_XDXF_ARTICLE_H_
#define LEXORA_IMPORT_XDXF_ARTICLE_H_

#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "import/import_sink.h"

namespace lexora::import {

class MediaSource;

class XdxfArticleBuilder {
 public:
  // `abbreviations` (the keys with an expansion) and `media` may be null;
  // whatever is given must outlive the builder.
  XdxfArticleBuilder(const std::unordered_set<std::string>* abbreviations, MediaSource* media,
                     ImportSink* sink)
      : abbreviations_(abbreviations), media_(media), sink_(sink) {}

  // Starts a card; `logical` is the dictionary's format.
  void begin(bool logical);
  // An element inside the card; `attributes` is expat's list of name and
  // value pairs ended by a null.
  void open_element(std::string_view name, const char** attributes);
  void close_element(std::string_view name);
  void text(std::string_view text);
  // An entity reference that no DTD defined.
  void unknown_entity(std::string_view name);
  // Ends the card: the article reaches the sink, or a skip with its reason.
  void end();

 private:
  enum class Capture { kNone, kKey, kAbbreviation, kWordLink, kMedia, kLink };
  struct Open {
    std::string name;
    std::string close_html;
    Capture capture = Capture::kNone;
    std::string href;               // <iref> target
    std::size_t content_start = 0;  // for <tr>
    bool bracketed = false;         // <tr> took the "[" before it away
  };
  void open_capture(Capture capture, std::string href, std::string_view name);
  void close_capture(const Open& open);
  void close_transcription(const Open& open);
  std::string finished_keys_heading() const;

  const std::unordered_set<std::string>* abbreviations_;
  MediaSource* media_;
  ImportSink* sink_;
  bool logical_ = false;
  std::string markup_;
  std::vector<Open> stack_;
  int def_depth_ = 0;
  bool drop_closing_bracket_ = false;
  // The <k> being read, as pieces: fixed text, or <opt> parts.
  struct KeyPiece {
    std::string text;
    bool optional = false;
  };
  std::vector<KeyPiece> key_pieces_;
  std::vector<std::string> keys_;
  std::vector<std::string> key_displays_;
  std::string capture_;
  int capture_depth_ = 0;  // elements open inside a capture
};

}  // namespace lexora::import

#endif  // LEXORA_IMPORT_XDXF_ARTICLE_H_
