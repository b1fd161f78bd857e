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
// The INI text with every section header whose name is empty ("[", "[]",
// "[ ]") made "[General]". QSettings files the values under such a header
// where no name reaches them, yet writes them back as top-level values when
// it saves, where the next load finds them: a hand-damaged file would load
// differently before and after a save. Read as top-level values at once,
// they load the same both times. Other lines are kept byte for byte.
std::string name_empty_sections(std::string_view ini);

}  // namespace lexora::registry_detail

#endif  // LEXORA_PLATFORM_QT_REGISTRY_ENCODING_H_
