#include "platform/johab.h"

#include <unicode/ucnv.h>

#include <array>

namespace lexora {
namespace {

constexpr char16_t kReplacement = 0xFFFD;
constexpr char kUnmappable = '?';
constexpr char kKsX1001Converter[] = "EUC-KR";

// Hangul syllables U+AC00.. are (initial * 21 + medial) * 28 + final.
constexpr char16_t kSyllableBase = 0xAC00;
constexpr char16_t kSyllableLast = 0xD7A3;
constexpr int kMedials = 21;
constexpr int kFinals = 28;
constexpr char16_t kCompatVowelBase = 0x314F;  // compatibility jamo A..I
constexpr char16_t kHangulFiller = 0x3164;

// The 5-bit codes of Johab's three fields. Code 1 (initial, final) and 2
// (medial) are the fill codes: "no such jamo".
constexpr int kFillInitial = 1;
constexpr int kFillMedial = 2;
constexpr int kFillFinal = 1;
constexpr int kFirstInitial = 2;
constexpr std::array<int, kMedials> kMedialCode = {3,  4,  5,  6,  7,  10, 11, 12, 13, 14, 15,
                                                   18, 19, 20, 21, 22, 23, 26, 27, 28, 29};
constexpr std::array<int, kFinals> kFinalCode = {1,  2,  3,  4,  5,  6,  7,  8,  9,  10,
                                                 11, 12, 13, 14, 15, 16, 17, 19, 20, 21,
                                                 22, 23, 24, 25, 26, 27, 28, 29};
// Compatibility jamo (U+3131..) of the 19 initial and 27 final consonants.
constexpr std::array<char16_t, 19> kInitialJamo = {
    0x3131, 0x3132, 0x3134, 0x3137, 0x3138, 0x3139, 0x3141, 0x3142, 0x3143, 0x3145,
    0x3146, 0x3147, 0x3148, 0x3149, 0x314A, 0x314B, 0x314C, 0x314D, 0x314E};
constexpr std::array<char16_t, kFinals - 1> kFinalJamo = {
    0x3131, 0x3132, 0x3133, 0x3134, 0x3135, 0x3136, 0x3137, 0x3139, 0x313A,
    0x313B, 0x313C, 0x313D, 0x313E, 0x313F, 0x3140, 0x3141, 0x3142, 0x3144,
    0x3145, 0x3146, 0x3147, 0x3148, 0x314A, 0x314B, 0x314C, 0x314D, 0x314E};

// Lead bytes of the two areas.
constexpr unsigned kHangulLeadFirst = 0x84, kHangulLeadLast = 0xD3;
constexpr unsigned kSymbolLeadFirst = 0xD9, kSymbolLeadLast = 0xF9;
constexpr unsigned kHanjaLeadFirst = 0xE0;
constexpr unsigned kNoLead = 0xDF;

std::uint16_t compose(int initial, int medial, int final_code) {
  return static_cast<std::uint16_t>(0x8000 | initial << 10 | medial << 5 | final_code);
}

template <std::size_t N>
int index_of(const std::array<int, N>& table, int value) {
  for (std::size_t i = 0; i < N; ++i)
    if (table[i] == value) return static_cast<int>(i);
  return -1;
}

// The Johab code of a Hangul syllable or compatibility jamo, or 0.
std::uint16_t hangul_code(char16_t c) {
  if (c >= kSyllableBase && c <= kSyllableLast) {
    const int s = c - kSyllableBase;
    return compose(s / (kMedials * kFinals) + kFirstInitial,
                   kMedialCode[static_cast<std::size_t>(s / kFinals % kMedials)],
                   kFinalCode[static_cast<std::size_t>(s % kFinals)]);
  }
  if (c == kHangulFiller) return compose(kFillInitial, kFillMedial, kFillFinal);
  if (c >= kCompatVowelBase && c < kCompatVowelBase + kMedials)
    return compose(kFillInitial, kMedialCode[static_cast<std::size_t>(c - kCompatVowelBase)],
                   kFillFinal);
  for (std::size_t i = 0; i < kInitialJamo.size(); ++i)
    if (kInitialJamo[i] == c)
      return compose(static_cast<int>(i) + kFirstInitial, kFillMedial, kFillFinal);
  for (std::size_t i = 0; i < kFinalJamo.size(); ++i)
    if (kFinalJamo[i] == c) return compose(kFillInitial, kFillMedial, kFinalCode[i + 1]);
  return 0;
}

char16_t decode_hangul(std::uint16_t code) {
  const int initial = code >> 10 & 0x1F;
  const int medial_code = code >> 5 & 0x1F;
  const int final_code = code & 0x1F;
  const int medial = index_of(kMedialCode, medial_code);
  const int final_index = index_of(kFinalCode, final_code);
  const bool has_initial = initial >= kFirstInitial && initial < kFirstInitial + 19;
  if (final_index < 0 || (!has_initial && initial != kFillInitial) ||
      (medial < 0 && medial_code != kFillMedial)) {
    return kReplacement;
  }
  if (has_initial && medial >= 0)
    return static_cast<char16_t>(
        kSyllableBase + ((initial - kFirstInitial) * kMedials + medial) * kFinals + final_index);
  // A lone jamo: the one compatibility character with that code.
  for (char16_t c = kInitialJamo[0]; c <= kHangulFiller; ++c)
    if (hangul_code(c) == code) return c;
  return kReplacement;
}

// KS X 1001 row and column (0x21..0x7E each) of a symbol or Hanja code, or
// false when the pair is outside that area.
bool ks_position(unsigned lead, unsigned trail, unsigned* row, unsigned* column) {
  if (lead < kSymbolLeadFirst || lead > kSymbolLeadLast || lead == kNoLead || trail < 0x31 ||
      (trail >= 0x80 && trail < 0x91) || (trail & 0x7F) == 0x7F ||
      (lead == 0xDA && trail >= 0xA1 && trail <= 0xD3)) {
    // 0xDA 0xA1-0xD3 would be KS X 1001's own jamo row, coded as Hangul here.
    return false;
  }
  unsigned t1 = lead < kHanjaLeadFirst ? 2 * (lead - kSymbolLeadFirst) : 2 * lead - 0x197;
  unsigned t2 = trail < 0x91 ? trail - 0x31 : trail - 0x43;
  *row = t1 + (t2 < 0x5E ? 0 : 1) + 0x21;
  *column = (t2 < 0x5E ? t2 : t2 - 0x5E) + 0x21;
  return true;
}

struct KsConverter {
  UConverter* converter = nullptr;
  KsConverter() {
    UErrorCode status = U_ZERO_ERROR;
    converter = ucnv_open(kKsX1001Converter, &status);
    if (U_FAILURE(status) && converter != nullptr) {
      ucnv_close(converter);
      converter = nullptr;
    }
  }
  ~KsConverter() {
    if (converter != nullptr) ucnv_close(converter);
  }
};

UConverter* ks_converter() {
  thread_local KsConverter holder;
  return holder.converter;
}

char16_t decode_ks(unsigned row, unsigned column) {
  UConverter* c = ks_converter();
  if (c == nullptr) return kReplacement;
  const char bytes[2] = {static_cast<char>(row | 0x80), static_cast<char>(column | 0x80)};
  UChar out[4];
  UErrorCode status = U_ZERO_ERROR;
  ucnv_resetToUnicode(c);
  const std::int32_t n = ucnv_toUChars(c, out, 4, bytes, 2, &status);
  if (U_FAILURE(status) || n != 1 || out[0] == 0x1A) return kReplacement;
  return static_cast<char16_t>(out[0]);
}

// The Johab bytes of a KS X 1001 symbol or Hanja, or false.
bool encode_ks(char16_t c, std::string* out) {
  UConverter* converter = ks_converter();
  if (converter == nullptr) return false;
  char bytes[8];
  UErrorCode status = U_ZERO_ERROR;
  ucnv_resetFromUnicode(converter);
  const UChar in = c;
  const std::int32_t n = ucnv_fromUChars(converter, bytes, sizeof bytes, &in, 1, &status);
  if (U_FAILURE(status) || n != 2) return false;
  const unsigned row = static_cast<unsigned char>(bytes[0]) - 0x80u;
  const unsigned column = static_cast<unsigned char>(bytes[1]) - 0x80u;
  // Rows 0x21-0x2C hold the symbols, 0x4A-0x7D the Hanja; the Hangul rows in
  // between are composed instead.
  if (!((row >= 0x21 && row <= 0x2C) || (row >= 0x4A && row <= 0x7D)) || column < 0x21 ||
      column > 0x7E) {
    return false;
  }
  const unsigned t1 = row < 0x4A ? row - 0x21 + 0x1B2 : row - 0x21 + 0x197;
  const unsigned t2 = ((t1 & 1) != 0 ? 0x5E : 0) + (column - 0x21);
  out->push_back(static_cast<char>(t1 >> 1));
  out->push_back(static_cast<char>(t2 < 0x4E ? t2 + 0x31 : t2 + 0x43));
  return true;
}

}  // namespace

bool johab_available() {
  return ks_converter() != nullptr;
}

void johab_to_wide(std::string_view bytes, std::u16string* out) {
  out->clear();
  out->reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size();) {
    const unsigned lead = static_cast<unsigned char>(bytes[i]);
    if (lead < 0x80) {
      out->push_back(static_cast<char16_t>(lead));
      ++i;
      continue;
    }
    const bool double_byte = (lead >= kHangulLeadFirst && lead <= kHangulLeadLast) ||
                             (lead >= kSymbolLeadFirst && lead <= kSymbolLeadLast);
    if (!double_byte || i + 1 >= bytes.size()) {
      out->push_back(kReplacement);
      ++i;
      continue;
    }
    const unsigned trail = static_cast<unsigned char>(bytes[i + 1]);
    i += 2;
    unsigned row = 0, column = 0;
    if (lead <= kHangulLeadLast)
      out->push_back(decode_hangul(static_cast<std::uint16_t>(lead << 8 | trail)));
    else if (ks_position(lead, trail, &row, &column))
      out->push_back(decode_ks(row, column));
    else
      out->push_back(kReplacement);
  }
}

void wide_to_johab(std::u16string_view text, std::string* out) {
  out->clear();
  out->reserve(text.size() * 2);
  for (char16_t c : text) {
    if (c < 0x80) {
      out->push_back(static_cast<char>(c));
    } else if (std::uint16_t code = hangul_code(c); code != 0) {
      out->push_back(static_cast<char>(code >> 8));
      out->push_back(static_cast<char>(code & 0xFF));
    } else if (!encode_ks(c, out)) {
      out->push_back(kUnmappable);
    }
  }
}

}  // namespace lexora
