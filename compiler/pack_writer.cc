#include "compiler/pack_writer.h"

#include <zlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "engine/resource_pack.h"
#include "platform/byte_cursor.h"
#include "platform/utf.h"

namespace lexora::compiler {
namespace {

constexpr std::uint64_t kMaxPackSize = 0xFFFFFFFFull;

bool name_less(const PackSourceEntry* a, const PackSourceEntry* b) {
  // std::u16string compares char16_t values, which are unsigned code units.
  return a->name < b->name;
}

// The zlib stream of `data`, or empty when it would not be smaller.
std::vector<std::uint8_t> deflate_if_smaller(const std::vector<std::uint8_t>& data) {
  uLongf bound = compressBound(static_cast<uLong>(data.size()));
  std::vector<std::uint8_t> out(bound);
  if (compress2(out.data(), &bound, data.data(), static_cast<uLong>(data.size()),
                Z_BEST_COMPRESSION) != Z_OK ||
      bound >= data.size()) {
    return {};
  }
  out.resize(bound);
  return out;
}

}  // namespace

std::vector<std::uint8_t> build_pack(const std::vector<PackSourceEntry>& entries,
                                     const PackOptions& options, std::string* error) {
  std::vector<const PackSourceEntry*> order;
  order.reserve(entries.size());
  for (const PackSourceEntry& e : entries) {
    if (e.name.empty() || e.name.find(u'\0') != std::u16string::npos) {
      *error = "pack entry name is empty or holds a 0 character: \"" + utf16_to_utf8(e.name) + "\"";
      return {};
    }
    order.push_back(&e);
  }
  if (options.sort) std::stable_sort(order.begin(), order.end(), name_less);
  {
    std::vector<const PackSourceEntry*> by_name = order;
    std::sort(by_name.begin(), by_name.end(), name_less);
    auto dup = std::adjacent_find(by_name.begin(), by_name.end(),
                                  [](auto* a, auto* b) { return a->name == b->name; });
    if (dup != by_name.end()) {
      *error = "duplicate pack entry name: \"" + utf16_to_utf8((*dup)->name) + "\"";
      return {};
    }
  }

  // The data of each entry as it will be stored (compressed or not).
  std::vector<std::vector<std::uint8_t>> packed(order.size());
  std::uint64_t directory_size = 0;
  std::uint64_t data_size = 0;
  for (std::size_t i = 0; i < order.size(); ++i) {
    const PackSourceEntry& e = *order[i];
    if (e.compress && !e.data.empty()) packed[i] = deflate_if_smaller(e.data);
    directory_size += 2 * (e.name.size() + 1) + kPackRecordFieldsSize;
    data_size += packed[i].empty() ? e.data.size() : packed[i].size();
  }
  if (kPackHeaderSize + directory_size + data_size > kMaxPackSize) {
    *error = "pack would exceed 4 GiB";
    return {};
  }

  std::vector<std::uint8_t> out;
  out.reserve(static_cast<std::size_t>(kPackHeaderSize + directory_size + data_size));
  ByteWriter w(&out);
  for (char c : kPackMagic) w.put_u8(static_cast<std::uint8_t>(c));
  w.put_u16(static_cast<std::uint16_t>(options.version));
  w.put_u32(static_cast<std::uint32_t>(order.size()));
  w.put_zeros(kPackHeaderSize - w.position());

  std::uint64_t data_offset = kPackHeaderSize + directory_size;
  for (std::size_t i = 0; i < order.size(); ++i) {
    const PackSourceEntry& e = *order[i];
    for (char16_t c : e.name) w.put_u16(c);
    w.put_u16(0);
    std::uint64_t stored = packed[i].empty() ? e.data.size() : packed[i].size();
    w.put_u32(static_cast<std::uint32_t>(data_offset));
    w.put_u32(static_cast<std::uint32_t>(e.data.size()));
    w.put_u32(static_cast<std::uint32_t>(packed[i].size()));
    data_offset += stored;
  }
  for (std::size_t i = 0; i < order.size(); ++i) {
    w.put_bytes(packed[i].empty() ? std::span<const std::uint8_t>(order[i]->data)
                                  : std::span<const std::uint8_t>(packed[i]));
  }
  return out;
}

bool write_pack_file(const std::string& path, const std::vector<PackSourceEntry>& entries,
                     const PackOptions& options, std::string* error) {
  std::vector<std::uint8_t> bytes = build_pack(entries, options, error);
  if (bytes.empty()) return false;
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  file.close();
  if (!file) {
    *error = "cannot write " + path;
    return false;
  }
  return true;
}

bool read_pack_folder(const std::string& folder, std::vector<PackSourceEntry>* entries,
                      std::string* error) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::path root(folder);
  if (!fs::is_directory(root, ec)) {
    *error = "not a folder: " + folder;
    return false;
  }
  fs::recursive_directory_iterator it(root, ec), end;
  for (; !ec && it != end; it.increment(ec)) {
    if (!it->is_regular_file(ec)) continue;
    std::string relative = it->path().lexically_relative(root).generic_string();
    std::replace(relative.begin(), relative.end(), '/', '\\');
    std::ifstream in(it->path(), std::ios::binary);
    std::vector<std::uint8_t> data((std::istreambuf_iterator<char>(in)),
                                   std::istreambuf_iterator<char>());
    if (in.bad()) {
      *error = "cannot read " + it->path().string();
      return false;
    }
    entries->push_back({utf8_to_utf16(relative), std::move(data), true});
  }
  if (ec) {
    *error = "cannot read folder " + folder + ": " + ec.message();
    return false;
  }
  return true;
}

std::vector<std::uint8_t> build_pack_from_folder(const std::string& folder,
                                                 const PackOptions& options, std::string* error) {
  std::vector<PackSourceEntry> entries;
  if (!read_pack_folder(folder, &entries, error)) return {};
  return build_pack(entries, options, error);
}

}  // namespace lexora::compiler
