// Word lookup: binary search over the in-memory word table, refinement among
// the neighbours that match the key, and the word-conversion plug-in as the
// last resort.
#include <algorithm>
#include <cstdint>

#include "engine/dictionary.h"
#include "platform/library.h"

namespace lexora {
namespace {

// The optional word-conversion plug-in: a library with one C export that
// writes another form of a word into a buffer of kConvertCapacity units.
constexpr char kConversionLibrary[] = "libconv.so";
constexpr char kConvertExport[] = "Convert";
constexpr std::int32_t kConvertCapacity = 256;
using ConvertFunction = void (*)(const char16_t* input, char16_t* output, std::int32_t capacity);

enum class Conversion { kConverted, kNoPlugin, kNoExport };

// Asks the plug-in for another form of `key`. The library is unloaded again
// before returning.
Conversion convert_with_plugin(std::u16string_view key, std::u16string* converted) {
  std::unique_ptr<Library> library = Library::load(kConversionLibrary);
  if (!library) return Conversion::kNoPlugin;
  auto convert = reinterpret_cast<ConvertFunction>(library->symbol(kConvertExport));
  if (convert == nullptr) return Conversion::kNoExport;
  const std::u16string input(key);
  // Cleared first, and cut at the last unit should the plug-in leave it
  // without a terminating 0.
  char16_t output[kConvertCapacity] = {};
  convert(input.c_str(), output, kConvertCapacity);
  output[kConvertCapacity - 1] = u'\0';
  converted->assign(output, std::char_traits<char16_t>::length(output));
  return Conversion::kConverted;
}

}  // namespace

int Dictionary::compare_words(std::u16string_view key, const std::u16string* lowered_key,
                              std::u16string_view word, std::size_t n, bool ignore_case,
                              bool use_locale) {
  if (!comparer_) {
    // Closed: compare as a dictionary of the default code page and locale would.
    comparer_ = std::make_unique<WordComparer>(kDefaultCodePage, kRussianLocale);
  }
  std::optional<std::u16string_view> lowered;
  if (lowered_key != nullptr) lowered = *lowered_key;
  return comparer_->compare(key, lowered, word, n, ignore_case, use_locale);
}

RefineResult Dictionary::refine_match(std::u16string_view key, std::u16string_view lowered_key,
                                      std::uint32_t pos, std::size_t n) {
  const std::uint32_t count = word_count();
  if (pos >= count || !comparer_) return {pos, false};
  const bool locale = use_locale();
  constexpr std::int64_t kUnset = -1;
  std::int64_t loose_at = kUnset, strict_at = kUnset, identical_at = kUnset;
  std::int64_t loose_after = kUnset, strict_after = kUnset;

  // The three tests on headword i, each implying the one before:
  // 0 none, 1 loose (case ignored), 2 strict (case kept), 3 identical units.
  auto grade = [&](std::uint32_t i) {
    comparer_->decode(*raw_word_at(i), &wide_word_);
    if (comparer_->compare(key, lowered_key, wide_word_, n, true, locale) != 0) return 0;
    if (comparer_->compare(key, lowered_key, wide_word_, n, false, locale) != 0) return 1;
    if (comparer_->compare(key, lowered_key, wide_word_, n, false, false) != 0) return 2;
    return 3;
  };

  const int at = grade(pos);
  if (at >= 1) loose_at = pos;
  if (at >= 2) strict_at = pos;
  if (at >= 3) identical_at = pos;
  // Backward: each of the three ends at the smallest index that passes it.
  for (std::int64_t i = std::int64_t{pos} - 1; i >= 0; --i) {
    const int g = grade(static_cast<std::uint32_t>(i));
    if (g == 0) break;
    loose_at = i;
    if (g >= 2) strict_at = i;
    if (g >= 3) identical_at = i;
  }
  if (identical_at != kUnset) return {static_cast<std::uint32_t>(identical_at), true};
  // Forward, through the last headword too: a list ending in "bank", "Bank"
  // must find "Bank" when the search stopped on "bank".
  for (std::uint32_t i = pos + 1; i < count; ++i) {
    const int g = grade(i);
    if (g == 0) break;
    if (loose_after == kUnset) loose_after = i;
    if (g >= 2) strict_after = i;
    if (g >= 3) {
      identical_at = i;
      break;
    }
  }
  for (std::int64_t chosen : {identical_at, strict_at, strict_after, loose_at, loose_after})
    if (chosen != kUnset) return {static_cast<std::uint32_t>(chosen), true};
  return {pos, false};
}

std::uint32_t Dictionary::find_word(std::u16string_view text, bool* exact_out,
                                    const LookupOptions& options) {
  const std::uint32_t count = word_count();
  if (count == 0 || !comparer_) return 0;

  // Own copy: the text may be a view into one of our scratch buffers (a
  // headword from word_at), which the search overwrites.
  std::u16string t(text.substr(0, text.find(u'\0')));
  std::u16string_view t_prime(t);
  std::u16string_view key(t);
  const bool trim = options.ignore_punctuation.value_or(ignore_punctuation_);
  if (trim) {
    std::size_t start = 0;
    if (t.size() >= 2)
      while (start < t.size() - 1 && is_trimmed_punctuation(t[start])) ++start;
    t_prime = std::u16string_view(t).substr(start);
    std::size_t end = t_prime.size();
    while (end > 0 && is_trimmed_punctuation(t_prime[end - 1])) --end;
    key = t_prime.substr(0, end);
  }
  comparer_->lower(key, &wide_text_);
  const std::u16string lowered_key = wide_text_;  // kept across the searches below
  const bool locale = use_locale();

  std::int64_t lo = 0, hi = std::int64_t{count} - 1;
  std::uint32_t mid = 0;
  bool found = false;
  while (lo <= hi) {
    mid = static_cast<std::uint32_t>((lo + hi) / 2);
    const int c =
        comparer_->compare_headword(key, lowered_key, *raw_word_at(mid), locale, &wide_word_);
    if (c < 0) {
      hi = std::int64_t{mid} - 1;
    } else if (c > 0) {
      lo = std::int64_t{mid} + 1;
    } else {
      found = true;
      break;
    }
  }
  bool exact = found;
  if (!exact) {
    // lower(headword M) equals the lowered key, unit for unit.
    exact =
        comparer_->compare_headword(key, lowered_key, *raw_word_at(mid), false, &wide_word_) == 0;
  }
  if (exact_out != nullptr) *exact_out = exact;

  if (exact) {
    std::u16string lowered_t_prime;
    comparer_->lower(t_prime, &lowered_t_prime);
    const RefineResult r = refine_match(t_prime, lowered_t_prime, mid, kWholeString);
    if (r.matched) return r.position;
    return refine_match(key, lowered_key, mid, kWholeString).position;
  }
  if (options.allow_conversion) {
    std::u16string converted;
    switch (convert_with_plugin(key, &converted)) {
      case Conversion::kConverted:
        return find_word(converted, exact_out,
                         LookupOptions{.ignore_punctuation = trim, .allow_conversion = false});
      case Conversion::kNoExport:
        warn(Status::converter_without_export());  // and on as without the plug-in
        break;
      case Conversion::kNoPlugin:
        break;
    }
  }
  const RefineResult prefix = refine_match(key, lowered_key, mid, key.size());
  return prefix.matched ? prefix.position : mid;
}

}  // namespace lexora
