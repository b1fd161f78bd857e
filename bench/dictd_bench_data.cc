#include "bench/dictd_bench_data.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <random>
#include <stdexcept>

#include "compiler/dictionary_writer.h"
#include "platform/utf.h"
#include "render/plain_text.h"

namespace lexora::bench {
namespace {

constexpr const char* kOnsets[] = {"b",  "c",  "d",  "f",   "g",  "h",  "j",  "k",  "l",
                                   "m",  "n",  "p",  "r",   "s",  "t",  "v",  "w",  "br",
                                   "ch", "cl", "cr", "dr",  "fl", "gr", "pl", "pr", "sh",
                                   "sl", "sp", "st", "str", "th", "tr", "wh", ""};
constexpr const char* kVowels[] = {"a", "e", "i", "o", "u", "ea", "ou", "oo", "ai", "y", "ie"};
constexpr const char* kCodas[] = {"",  "",   "",   "n",  "r",  "s",  "t",
                                  "l", "ng", "st", "ck", "nd", "rt", "ss"};
constexpr const char* kLabels[] = {"_n.", "_v.", "_a.", "_adv.", "_prep."};
constexpr std::size_t kTextWidth = 72;

template <typename T, std::size_t N>
const char* pick(std::mt19937& rng, T (&table)[N]) {
  return table[std::uniform_int_distribution<std::size_t>(0, N - 1)(rng)];
}

std::string make_word(std::mt19937& rng) {
  std::string word;
  const int syllables = std::discrete_distribution<int>({0, 22, 40, 26, 10, 2})(rng);
  for (int i = 0; i < syllables; ++i) {
    word += pick(rng, kOnsets);
    word += pick(rng, kVowels);
    word += pick(rng, kCodas);
  }
  return word;
}

std::vector<std::string> make_headwords(std::mt19937& rng, std::size_t count) {
  std::vector<std::string> words;
  words.reserve(count);
  std::uniform_int_distribution<int> percent(0, 99);
  while (words.size() < count) {
    const int kind = percent(rng);
    if (kind < 8 && !words.empty()) {  // a capitalised twin, as GCIDE has many
      std::string w = words[std::uniform_int_distribution<std::size_t>(0, words.size() - 1)(rng)];
      w[0] = static_cast<char>(w[0] - 'a' + 'A');
      if (w[0] >= 'A' && w[0] <= 'Z') words.push_back(w);
    } else if (kind < 18) {
      words.push_back(make_word(rng) + " " + make_word(rng));
    } else {
      words.push_back(make_word(rng));
    }
  }
  return words;
}

std::string make_article(std::mt19937& rng, const std::vector<std::string>& words,
                         const std::string& headword) {
  std::uniform_int_distribution<std::size_t> any(0, words.size() - 1);
  std::string a = "<t>" + headword + "</t> " + pick(rng, kLabels) + " ";
  const int sentences = std::uniform_int_distribution<int>(2, 4)(rng);
  for (int s = 0; s < sentences; ++s) {
    const int length = std::uniform_int_distribution<int>(5, 10)(rng);
    for (int i = 0; i < length; ++i) a += make_word(rng) + (i + 1 < length ? " " : ". ");
  }
  a += "See <r>" + words[any(rng)] + "</r> and <r>" + words[any(rng)] + "</r>.";
  return a;
}

const char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string b64_number(std::uint64_t v) {
  std::string s;
  do {
    s.insert(s.begin(), kBase64[v & 63]);
    v >>= 6;
  } while (v != 0);
  return s;
}

// dictd's order for a database that is not "allchars": case folded, and
// characters other than letters, digits and blanks skipped.
std::string dictd_sort_key(const std::string& word) {
  std::string key;
  for (char c : word) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (std::isalnum(u) || c == ' ') key += static_cast<char>(std::tolower(u));
  }
  return key;
}

void write_dictd(const GeneratedData& data, const std::vector<std::string>& texts) {
  struct Line {
    std::string key, headword;
    std::uint64_t offset, length;
  };
  std::vector<Line> lines;
  std::ofstream dict(data.dictd_dict_path, std::ios::binary);
  std::uint64_t offset = 0;
  auto add = [&](const std::string& headword, const std::string& text) {
    dict << text;
    lines.push_back({dictd_sort_key(headword), headword, offset, text.size()});
    offset += text.size();
  };
  add("00-database-short", "00-database-short\n     Generated benchmark dictionary\n");
  add("00-database-info", "00-database-info\n     Generated for the lexora-dictd benchmarks.\n");
  add("00-database-url", "00-database-url\n     none\n");
  // No "00-database-utf8": the text is ASCII, and with that entry dictd
  // expects another order of the index than the one it documents for
  // sorting (lookups of capitalised headwords' neighbours failed).
  for (std::size_t i = 0; i < data.headwords.size(); ++i) add(data.headwords[i], texts[i]);
  std::stable_sort(lines.begin(), lines.end(),
                   [](const Line& a, const Line& b) { return a.key < b.key; });
  std::ofstream index(data.dictd_index_path, std::ios::binary);
  for (const Line& l : lines)
    index << l.headword << '\t' << b64_number(l.offset) << '\t' << b64_number(l.length) << '\n';
  if (!dict || !index) throw std::runtime_error("cannot write the dictd database");
}

}  // namespace

GeneratedData generate_dictionaries(const std::string& folder, std::size_t count,
                                    std::uint32_t seed) {
  ::mkdir(folder.c_str(), 0755);
  std::mt19937 rng(seed);
  GeneratedData data;
  data.zd_path = folder + "/gen.zd";
  data.dictd_index_path = folder + "/gen.index";
  data.dictd_dict_path = folder + "/gen.dict";
  data.headwords = make_headwords(rng, count);
  compiler::DictionarySource source;
  std::vector<std::string> texts;
  texts.reserve(count);
  for (const std::string& w : data.headwords) {
    const std::u16string article = utf8_to_utf16(make_article(rng, data.headwords, w));
    // What lexora-dictd sends for this entry: the headword line and the
    // indented, wrapped plain text.
    texts.push_back(
        w + "\n" +
        utf16_to_utf8(wrap_plain_text(article_to_plain_text(article, true), kTextWidth, u"  ")) +
        "\n");
    source.entries.emplace_back(utf8_to_utf16(w), article);
  }
  compiler::DictionaryOptions options;
  options.words_code_page = 1252;
  options.articles_code_page = 1252;
  options.locale_id = 0x0409;
  std::string error;
  if (!compiler::write_dictionary_file(data.zd_path, source, options, &error))
    throw std::runtime_error("cannot write " + data.zd_path + ": " + error);
  write_dictd(data, texts);
  for (const std::string* p : {&data.zd_path, &data.dictd_index_path, &data.dictd_dict_path})
    ::chmod(p->c_str(), 0644);
  return data;
}

std::string misspell(const std::string& word, int edits, std::uint32_t seed) {
  std::mt19937 rng(seed);
  std::string w = word;
  for (int e = 0; e < edits; ++e) {
    const char letter = static_cast<char>('a' + std::uniform_int_distribution<int>(0, 25)(rng));
    const std::size_t at = std::uniform_int_distribution<std::size_t>(0, w.size())(rng);
    switch (std::uniform_int_distribution<int>(0, 2)(rng)) {
      case 0:
        w.insert(at, 1, letter);
        break;
      case 1:
        if (at < w.size() && w.size() > 1)
          w.erase(at, 1);
        else
          w.insert(at, 1, letter);
        break;
      default:
        if (at < w.size())
          w[at] = letter;
        else
          w += letter;
    }
  }
  return w;
}

}  // namespace lexora::bench
