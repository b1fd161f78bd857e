// An ImportSink that records everything a reader hands it, for the readers'
// tests.
#ifndef LEXORA_IMPORT_RECORDING_SINK_FOR_TEST_H_
#define LEXORA_IMPORT_RECORDING_SINK_FOR_TEST_H_

#include <algorithm>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "import/import_sink.h"

namespace lexora::import {

struct RecordedArticle {
  std::vector<std::string> headwords;
  std::string markup;
};

class RecordingSink : public ImportSink {
 public:
  void add_article(std::vector<std::string> headwords, std::string markup) override {
    articles.push_back({std::move(headwords), std::move(markup)});
  }
  void add_synonym(std::string headword, std::string target) override {
    synonyms.emplace_back(std::move(headword), std::move(target));
  }
  void add_abbreviation(std::string key, std::string expansion) override {
    abbreviations[std::move(key)] = std::move(expansion);
  }
  void add_media(std::string name, std::vector<std::uint8_t> bytes) override {
    ++media_calls;
    media[std::move(name)] = std::move(bytes);
  }
  void skip(const SkipReason& why) override { skips.push_back(why.reason); }
  void set_languages(const std::string& f, const std::string& t) override {
    from = f;
    to = t;
  }
  void set_title(const std::string& t) override { title = t; }
  bool progress(std::uint64_t done, std::uint64_t total) override {
    ++progress_calls;
    last_done = done;
    last_total = total;
    return progress_calls < cancel_at_call;
  }

  // The first article with `headword` among its headwords, or null.
  const RecordedArticle* find(const std::string& headword) const {
    for (const RecordedArticle& a : articles) {
      if (std::find(a.headwords.begin(), a.headwords.end(), headword) != a.headwords.end()) {
        return &a;
      }
    }
    return nullptr;
  }
  int skips_with(const std::string& reason) const {
    return static_cast<int>(std::count(skips.begin(), skips.end(), reason));
  }

  std::vector<RecordedArticle> articles;
  std::vector<std::pair<std::string, std::string>> synonyms;
  std::map<std::string, std::string> abbreviations;
  std::map<std::string, std::vector<std::uint8_t>> media;
  int media_calls = 0;
  std::vector<std::string> skips;
  std::string from, to, title;
  int progress_calls = 0;
  int cancel_at_call = 1 << 30;  // progress() answers false from this call on
  std::uint64_t last_done = 0, last_total = 0;
};

}  // namespace lexora::import

#endif  // LEXORA_IMPORT_RECORDING_SINK_FOR_TEST_H_
