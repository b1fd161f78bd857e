// How the registry keeps names and values in its INI file: key and value
// names escaped so that QSettings keeps them as they are, values as typed
// text ("dword:", "flag:", "sz:", "hex(N):"). Used by registry.cc and its
// tests; not part of the registry's interface.
#ifndef LEXORA_PLATFORM_QT_REGISTRY_ENCODING_H_
#define LEXORA_PLATFORM_QT_REGISTRY_ENCODING_H_

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/qt/registry.h"

namespace lexora::registry_detail {

std::string escape_name(std::string_view name);
std::string encode_value(RegistryType type, std::span<const std::uint8_t> data);
// A value the file holds in a form not written by encode_value reads as
// kNone.
std::pair<RegistryType, std::vector<std::uint8_t>> decode_value(std::string_view text);
// UTF-16 text with its terminating zero, as the kText value's bytes.
std::vector<std::uint8_t> text_data(std::u16string_view text);

}  // namespace lexora::registry_detail

#endif  // LEXORA_PLATFORM_QT_REGISTRY_ENCODING_H_
