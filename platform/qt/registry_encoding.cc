#include "platform/qt/registry_encoding.h"

#include <optional>

#include "platform/utf.h"

namespace lexora::registry_detail {
namespace {

constexpr std::string_view kNumberPrefix = "dword:";
constexpr std::string_view kFlagPrefix = "flag:";
constexpr std::string_view kTextPrefix = "sz:";
constexpr std::string_view kRawPrefix = "hex(";
constexpr char kHexDigits[] = "0123456789abcdef";
constexpr char kUpperHexDigits[] = "0123456789ABCDEF";

// Length of the well-formed UTF-8 sequence at `s[i]`, or 0.
std::size_t utf8_sequence_length(std::string_view s, std::size_t i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char lead = byte(i);
  std::size_t length = 0;
  std::uint32_t cp = 0;
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    cp = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    cp = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    cp = lead & 0x07;
  } else {
    return 0;
  }
  if (i + length > s.size()) return 0;
  for (std::size_t k = 1; k < length; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (byte(i + k) & 0x3F);
  }
  const bool overlong = (length == 3 && cp < 0x800) || (length == 4 && cp < 0x10000);
  if (overlong || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return length;
}

bool starts_with_ignoring_case(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != prefix[i]) return false;
  }
  return true;
}

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<std::uint64_t> parse_unsigned(std::string_view digits, int base,
                                            std::size_t max_digits) {
  if (digits.empty() || digits.size() > max_digits) return std::nullopt;
  std::uint64_t value = 0;
  for (char c : digits) {
    const int d = hex_value(c);
    if (d < 0 || d >= base) return std::nullopt;
    value = value * static_cast<unsigned>(base) + static_cast<unsigned>(d);
  }
  return value;
}

// Whether `data` is UTF-16 text that the "sz:" form holds exactly: whole
// units, one terminating zero and no other, no unpaired surrogate.
bool is_plain_text(std::span<const std::uint8_t> data) {
  if (data.size() < 2 || data.size() % 2 != 0) return false;
  const std::size_t units = data.size() / 2;
  const auto unit = [&](std::size_t k) {
    return static_cast<char16_t>(data[2 * k] | (data[2 * k + 1] << 8));
  };
  if (unit(units - 1) != 0) return false;
  for (std::size_t k = 0; k + 1 < units; ++k) {
    const char16_t u = unit(k);
    if (u == 0) return false;
    if (u >= 0xD800 && u <= 0xDBFF) {
      if (k + 2 >= units) return false;
      const char16_t next = unit(k + 1);
      if (next < 0xDC00 || next > 0xDFFF) return false;
      ++k;
    } else if (u >= 0xDC00 && u <= 0xDFFF) {
      return false;
    }
  }
  return true;
}

}  // namespace

std::vector<std::uint8_t> text_data(std::u16string_view text) {
  std::vector<std::uint8_t> data;
  data.reserve((text.size() + 1) * 2);
  for (char16_t u : text) {
    data.push_back(static_cast<std::uint8_t>(u & 0xFF));
    data.push_back(static_cast<std::uint8_t>(u >> 8));
  }
  data.push_back(0);
  data.push_back(0);
  return data;
}

// Keeps letters, digits, printable ASCII and well-formed UTF-8 readable;
// escapes '%', the separators '/' and '\', control characters and every byte
// that is not part of well-formed UTF-8 as %XX. QSettings escapes what it
// needs on top of that, and undoes only its own escaping on reading.
std::string escape_name(std::string_view name) {
  std::string out;
  out.reserve(name.size());
  std::size_t i = 0;
  while (i < name.size()) {
    const auto c = static_cast<unsigned char>(name[i]);
    const std::size_t length = utf8_sequence_length(name, i);
    const bool plain =
        length > 1 || (length == 1 && c >= 0x20 && c < 0x7F && c != '%' && c != '/' && c != '\\');
    if (plain) {
      out.append(name.substr(i, length));
      i += length;
    } else {
      out += '%';
      out += kUpperHexDigits[c >> 4];
      out += kUpperHexDigits[c & 0xF];
      ++i;
    }
  }
  return out;
}

// dword:XXXXXXXX  a 4-byte number, as hexadecimal digits
// flag:N          a number written with one data byte (N decimal)
// sz:TEXT         UTF-16 text with one terminating zero, stored as UTF-8
// hex(T):XXXX...  anything else: type number T and the bytes in hexadecimal
std::string encode_value(RegistryType type, std::span<const std::uint8_t> data) {
  if (type == RegistryType::kNumber && data.size() == kNumberSize) {
    const std::uint32_t v = static_cast<std::uint32_t>(data[0]) | (data[1] << 8) | (data[2] << 16) |
                            (static_cast<std::uint32_t>(data[3]) << 24);
    std::string out(kNumberPrefix);
    for (int shift = 28; shift >= 0; shift -= 4) out += kHexDigits[(v >> shift) & 0xF];
    return out;
  }
  if (type == RegistryType::kNumber && data.size() == kFlagSize) {
    return std::string(kFlagPrefix) + std::to_string(data[0]);
  }
  if (type == RegistryType::kText && is_plain_text(data)) {
    std::u16string text;
    for (std::size_t k = 0; k + 2 < data.size(); k += 2) {
      text += static_cast<char16_t>(data[k] | (data[k + 1] << 8));
    }
    return std::string(kTextPrefix) + utf16_to_utf8(text);
  }
  std::string out(kRawPrefix);
  out += std::to_string(static_cast<std::uint32_t>(type));
  out += "):";
  for (std::uint8_t b : data) {
    out += kHexDigits[b >> 4];
    out += kHexDigits[b & 0xF];
  }
  return out;
}

// The inverse of encode_value. A text without one of the prefixes is taken as
// a text value (what a person editing the file by hand means); a prefixed
// form that does not parse is a value of no known type.
std::pair<RegistryType, std::vector<std::uint8_t>> decode_value(std::string_view text) {
  const auto broken = [&] {
    return std::make_pair(RegistryType::kNone, std::vector<std::uint8_t>(text.begin(), text.end()));
  };
  if (starts_with_ignoring_case(text, kNumberPrefix)) {
    const auto v = parse_unsigned(text.substr(kNumberPrefix.size()), 16, 8);
    if (!v) return broken();
    std::vector<std::uint8_t> data(kNumberSize);
    for (std::size_t k = 0; k < kNumberSize; ++k)
      data[k] = static_cast<std::uint8_t>(*v >> (8 * k));
    return {RegistryType::kNumber, std::move(data)};
  }
  if (starts_with_ignoring_case(text, kFlagPrefix)) {
    const auto v = parse_unsigned(text.substr(kFlagPrefix.size()), 10, 3);
    if (!v || *v > 0xFF) return broken();
    return {RegistryType::kNumber, {static_cast<std::uint8_t>(*v)}};
  }
  if (starts_with_ignoring_case(text, kTextPrefix)) {
    return {RegistryType::kText, text_data(utf8_to_utf16(text.substr(kTextPrefix.size())))};
  }
  if (starts_with_ignoring_case(text, kRawPrefix)) {
    const std::string_view rest = text.substr(kRawPrefix.size());
    const std::size_t close = rest.find("):");
    if (close == std::string_view::npos) return broken();
    const auto type = parse_unsigned(rest.substr(0, close), 10, 10);
    const std::string_view hex = rest.substr(close + 2);
    if (!type || *type > 0xFFFFFFFFu || hex.size() % 2 != 0) return broken();
    std::vector<std::uint8_t> data;
    data.reserve(hex.size() / 2);
    for (std::size_t k = 0; k < hex.size(); k += 2) {
      const int hi = hex_value(hex[k]);
      const int lo = hex_value(hex[k + 1]);
      if (hi < 0 || lo < 0) return broken();
      data.push_back(static_cast<std::uint8_t>(hi * 16 + lo));
    }
    return {static_cast<RegistryType>(*type), std::move(data)};
  }
  return {RegistryType::kText, text_data(utf8_to_utf16(text))};
}

std::string name_empty_sections(std::string_view ini) {
  std::string out;
  out.reserve(ini.size());
  bool continued = false;  // the line before ends in a backslash: this one is its value's
  for (std::size_t at = 0; at < ini.size();) {
    std::size_t end = ini.find('\n', at);
    end = end == std::string_view::npos ? ini.size() : end + 1;
    const std::string_view line = ini.substr(at, end - at);
    at = end;
    std::string_view body = line;
    while (!body.empty() && (body.back() == '\n' || body.back() == '\r')) body.remove_suffix(1);
    const bool header = !continued && body.find_first_not_of(" \t\v\f") != std::string_view::npos &&
                        body[body.find_first_not_of(" \t\v\f")] == '[';
    continued = !body.empty() && body.back() == '\\';
    if (header) {
      std::string_view name = body.substr(body.find('[') + 1);
      name = name.substr(0, name.find(']'));
      if (name.find_first_not_of(" \t\v\f") == std::string_view::npos) {
        out.append("[General]").append(line.substr(body.size()));
        continue;
      }
    }
    out.append(line);
  }
  return out;
}

}  // namespace lexora::registry_detail
