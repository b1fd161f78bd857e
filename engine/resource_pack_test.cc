#include "engine/resource_pack.h"

#include <gtest/gtest.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <random>

#include "compiler/pack_writer.h"

namespace lexora {
namespace {

using compiler::PackOptions;
using compiler::PackSourceEntry;

std::vector<std::uint8_t> bytes_of(std::string_view s) {
  return {s.begin(), s.end()};
}

// Text that zlib shrinks well, so that the writer stores it packed.
std::vector<std::uint8_t> compressible(std::size_t n) {
  std::vector<std::uint8_t> v(n);
  for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<std::uint8_t>('a' + (i / 7) % 5);
  return v;
}

std::vector<std::uint8_t> make_pack(const std::vector<PackSourceEntry>& entries,
                                    PackOptions options = {}) {
  std::string error;
  std::vector<std::uint8_t> bytes = compiler::build_pack(entries, options, &error);
  EXPECT_FALSE(bytes.empty()) << error;
  return bytes;
}

// Byte position of the offset field of directory record `record`.
std::size_t fields_of_record(const std::vector<std::uint8_t>& pack, std::size_t record) {
  std::size_t pos = kPackHeaderSize;
  for (std::size_t r = 0;; ++r) {
    while (pack[pos] != 0 || pack[pos + 1] != 0) pos += 2;
    pos += 2;
    if (r == record) return pos;
    pos += kPackRecordFieldsSize;
  }
}

void put_u32(std::vector<std::uint8_t>* pack, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) (*pack)[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::uint32_t get_u32(const std::vector<std::uint8_t>& pack, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | pack[at + i];
  return v;
}

TEST(ResourcePackTest, StoredEntryIsCopiedIntoTheCallersBuffer) {
  std::vector<std::uint8_t> pack = make_pack({{u"a.png", bytes_of("\x89PNG"), false}});
  auto rp = ResourcePack::from_memory(pack);
  ASSERT_TRUE(rp);
  std::vector<std::uint8_t> buffer(100, 7);
  std::uint32_t size = 0;
  const std::uint8_t* p = rp->read_entry(u"a.png", &size, &buffer);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p, buffer.data());
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(buffer, bytes_of("\x89PNG"));
}

TEST(ResourcePackTest, PackedEntryIsInflatedIntoTheCallersBuffer) {
  std::vector<std::uint8_t> data = compressible(5000);
  std::vector<std::uint8_t> pack = make_pack({{u"style.css", data, true}});
  auto rp = ResourcePack::from_memory(pack);
  ASSERT_TRUE(rp);
  ASSERT_EQ(rp->entry_count(), 1u);
  EXPECT_NE(rp->entry(0).packed_size, 0u);
  std::vector<std::uint8_t> buffer;
  std::uint32_t size = 0;
  const std::uint8_t* p = rp->read_entry(u"style.css", &size, &buffer);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p, buffer.data());
  EXPECT_EQ(size, 5000u);
  EXPECT_EQ(buffer, data);
}

TEST(ResourcePackTest, SlashInTheRequestMatchesBackslashInTheStoredName) {
  std::vector<std::uint8_t> pack = make_pack(
      {{u"img\\cat.png", bytes_of("cat"), false}, {u"img\\dog.png", bytes_of("dog"), false}});
  auto rp = ResourcePack::from_memory(pack);
  ASSERT_TRUE(rp);
  std::vector<std::uint8_t> buffer;
  std::uint32_t size = 0;
  const std::uint8_t* p = rp->read_entry(u"img/cat.png", &size, &buffer);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(p), size), "cat");
  EXPECT_NE(rp->read_entry(u"img\\dog.png", &size, &buffer), nullptr);
  EXPECT_EQ(rp->read_entry(u"img", &size, &buffer), nullptr);
}

TEST(ResourcePackTest, CaseIsIgnoredOnlyInTheFinalCheckAfterTheSearch) {
  std::vector<std::uint8_t> buffer;
  std::uint32_t size = 0;
  {
    auto bytes =
        make_pack({{u"cat.png", bytes_of("c"), false}, {u"dog.png", bytes_of("d"), false}});
    auto rp = ResourcePack::from_memory(bytes);
    ASSERT_TRUE(rp);
    EXPECT_NE(rp->read_entry(u"Cat.png", &size, &buffer), nullptr);
    EXPECT_NE(rp->read_entry(u"CAT.PNG", &size, &buffer), nullptr);
    // "cat.png" sorts between "Dog.png" and "dog.png": the search stops on it.
    EXPECT_EQ(rp->read_entry(u"Dog.png", &size, &buffer), nullptr);
    EXPECT_NE(rp->read_entry(u"dog.png", &size, &buffer), nullptr);
  }
  {
    // Beyond ASCII: Cyrillic and a character outside the BMP.
    auto bytes = make_pack({{u"\u043a\u043e\u0442.ogg", bytes_of("k"), false},
                            {u"\U00010428.wav", bytes_of("d"), false}});
    auto rp = ResourcePack::from_memory(bytes);
    ASSERT_TRUE(rp);
    EXPECT_NE(rp->read_entry(u"\u041a\u043e\u0442.ogg", &size, &buffer), nullptr);
    EXPECT_NE(rp->read_entry(u"\U00010400.wav", &size, &buffer), nullptr);
    EXPECT_EQ(rp->read_entry(u"\u043a\u043e\u0442.og", &size, &buffer), nullptr);
  }
}

TEST(ResourcePackTest, VersionsZeroToTwoAreReadAndThreeIsNoPack) {
  for (std::int16_t version : {0, 1, 2, 3}) {
    auto bytes = make_pack({{u"a", bytes_of("x"), false}}, {version, true});
    auto rp = ResourcePack::from_memory(bytes);
    if (version <= 2) {
      ASSERT_TRUE(rp) << version;
      EXPECT_EQ(rp->version(), version);
      std::uint32_t size = 0;
      std::vector<std::uint8_t> buffer;
      EXPECT_NE(rp->read_entry(u"a", &size, &buffer), nullptr);
    } else {
      EXPECT_FALSE(rp) << version;
    }
  }
}

TEST(ResourcePackTest, VersionOneDirectoryInAnyOrderIsSortedOnOpening) {
  std::vector<PackSourceEntry> entries;
  for (int i = 0; i < 200; ++i) {
    std::u16string name = u"snd\\w" + std::u16string(1, static_cast<char16_t>(u'A' + i % 26)) +
                          static_cast<char16_t>(u'0' + i / 26) + u".wav";
    entries.push_back({name, bytes_of(std::to_string(i)), i % 2 == 0});
  }
  std::mt19937 rng(7);
  std::shuffle(entries.begin(), entries.end(), rng);
  auto bytes = make_pack(entries, {1, false});
  auto rp = ResourcePack::from_memory(bytes);
  ASSERT_TRUE(rp);
  ASSERT_EQ(rp->entry_count(), entries.size());
  for (std::size_t i = 1; i < rp->entry_count(); ++i) {
    EXPECT_LT(rp->entry(i - 1).name, rp->entry(i).name);
  }
  std::vector<std::uint8_t> buffer;
  for (const PackSourceEntry& e : entries) {
    std::uint32_t size = 0;
    const std::uint8_t* p = rp->read_entry(e.name, &size, &buffer);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(std::vector<std::uint8_t>(p, p + size), e.data);
  }
}

TEST(ResourcePackTest, MissingNamesZeroSizeAndEmptyPacksGiveNothing) {
  auto bytes = make_pack({{u"empty.css", {}, false}, {u"full.css", bytes_of("b{}"), false}});
  auto rp = ResourcePack::from_memory(bytes);
  ASSERT_TRUE(rp);
  std::vector<std::uint8_t> buffer{1, 2};
  std::uint32_t size = 99;
  EXPECT_EQ(rp->read_entry(u"empty.css", &size, &buffer), nullptr);
  EXPECT_EQ(rp->read_entry(u"none.css", &size, &buffer), nullptr);
  EXPECT_EQ(rp->read_entry(u"", &size, &buffer), nullptr);
  EXPECT_EQ(size, 99u);

  auto empty = make_pack({});
  auto rp_empty = ResourcePack::from_memory(empty);
  ASSERT_TRUE(rp_empty);
  EXPECT_EQ(rp_empty->entry_count(), 0u);
  EXPECT_EQ(rp_empty->read_entry(u"full.css", &size, &buffer), nullptr);
}

TEST(ResourcePackTest, PackedEntryShorterThanItsSizeYieldsOnlyTheBytesItHolds) {
  std::vector<std::uint8_t> data = compressible(3000);
  auto bytes = make_pack({{u"s.css", data, true}});
  put_u32(&bytes, fields_of_record(bytes, 0) + 4, 3500);  // size claims 500 more
  auto rp = ResourcePack::from_memory(bytes);
  ASSERT_TRUE(rp);
  std::vector<std::uint8_t> buffer;
  std::uint32_t size = 0;
  const std::uint8_t* p = rp->read_entry(u"s.css", &size, &buffer);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(size, 3000u);
  EXPECT_EQ(buffer.size(), 3000u);
  EXPECT_EQ(buffer, data);
}

TEST(ResourcePackTest, PackedEntryLongerThanItsSizeOrCorruptIsUnreadable) {
  std::vector<std::uint8_t> data = compressible(3000);
  auto longer = make_pack({{u"s.css", data, true}});
  std::size_t fields = fields_of_record(longer, 0);
  put_u32(&longer, fields + 4, 2999);
  auto rp = ResourcePack::from_memory(longer);
  ASSERT_TRUE(rp);
  std::vector<std::uint8_t> buffer;
  std::uint32_t size = 0;
  EXPECT_EQ(rp->read_entry(u"s.css", &size, &buffer), nullptr);
  EXPECT_TRUE(buffer.empty());

  auto corrupt = make_pack({{u"s.css", data, true}});
  std::uint32_t offset = get_u32(corrupt, fields);
  corrupt[offset + 4] ^= 0xFF;
  rp = ResourcePack::from_memory(corrupt);
  ASSERT_TRUE(rp);
  EXPECT_EQ(rp->read_entry(u"s.css", &size, &buffer), nullptr);
  EXPECT_TRUE(buffer.empty());
}

TEST(ResourcePackTest, DirectoryThatDisagreesWithTheFileIsNoPack) {
  auto good =
      make_pack({{u"a.wav", bytes_of("RIFF...."), false}, {u"b.css", compressible(4000), true}});
  ASSERT_TRUE(ResourcePack::from_memory(good));
  std::size_t b = fields_of_record(good, 1);

  struct Case {
    const char* what;
    std::size_t at;
    std::uint32_t value;
  };
  const Case cases[] = {
      {"entry count beyond the file", 6, 1000000},
      {"absurd unpacked size", b + 4, 0xFFFFFFFFu},
  };
  for (const Case& c : cases) {
    std::vector<std::uint8_t> bad = good;
    put_u32(&bad, c.at, c.value);
    EXPECT_FALSE(ResourcePack::from_memory(bad)) << c.what;
  }

  std::vector<std::uint8_t> bad_magic = good;
  bad_magic[0] = 'z';
  EXPECT_FALSE(ResourcePack::from_memory(bad_magic));
}

TEST(ResourcePackTest, RecordPointingOutsideTheFileOrIntoTheDirectoryIsDroppedAlone) {
  auto good = make_pack({{u"a.wav", bytes_of("RIFF...."), false},
                         {u"b.css", compressible(4000), true},
                         {u"c.png", bytes_of("PNGDATA"), false},
                         {u"style.css", bytes_of("body{}"), false}});
  const std::size_t b = fields_of_record(good, 1);
  const std::size_t c = fields_of_record(good, 2);
  const std::size_t directory_end = fields_of_record(good, 3) + kPackRecordFieldsSize;

  struct Case {
    const char* what;
    std::size_t at;
    std::uint32_t value;
    const char16_t* dropped;
  };
  const Case cases[] = {
      {"packed data past the end", b + 8, static_cast<std::uint32_t>(good.size()), u"b.css"},
      {"offset past the end", b, static_cast<std::uint32_t>(good.size() + 1), u"b.css"},
      {"offset wraps", b, 0xFFFFFFF0u, u"b.css"},
      {"stored data past the end", c + 4, static_cast<std::uint32_t>(good.size()), u"c.png"},
      {"data over the header", c, 0, u"c.png"},
      {"data inside the directory", c, static_cast<std::uint32_t>(directory_end - 4), u"c.png"},
  };
  for (const Case& k : cases) {
    std::vector<std::uint8_t> bad = good;
    put_u32(&bad, k.at, k.value);
    auto pack = ResourcePack::from_memory(bad);
    ASSERT_TRUE(pack) << k.what;
    EXPECT_EQ(pack->entry_count(), 3u) << k.what;
    std::vector<std::uint8_t> buffer;
    std::uint32_t size = 0;
    EXPECT_EQ(pack->read_entry(k.dropped, &size, &buffer), nullptr) << k.what;
    // Every other entry, before and after the bad record, still reads.
    const std::uint8_t* style = pack->read_entry(u"style.css", &size, &buffer);
    ASSERT_NE(style, nullptr) << k.what;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(style), size), "body{}") << k.what;
    const std::uint8_t* a = pack->read_entry(u"a.wav", &size, &buffer);
    ASSERT_NE(a, nullptr) << k.what;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(a), size), "RIFF....") << k.what;
    const char16_t* kept = std::u16string_view(k.dropped) == u"b.css" ? u"c.png" : u"b.css";
    EXPECT_NE(pack->read_entry(kept, &size, &buffer), nullptr) << k.what;
  }
}

TEST(ResourcePackTest, EveryTruncationIsNoPackOrReadsOnlyWithinTheBytes) {
  auto good = make_pack({{u"img\\a.png", bytes_of("PNGDATA"), false},
                         {u"b.css", compressible(2000), true},
                         {u"c.ogg", bytes_of("OggS"), false}});
  for (std::size_t cut = 0; cut < good.size(); ++cut) {
    // An exact-size heap copy, so that any read past the cut is caught by
    // the address sanitizer.
    auto copy = std::make_unique<std::uint8_t[]>(cut + 1);
    std::memcpy(copy.get(), good.data(), cut);
    auto rp = ResourcePack::from_memory({copy.get(), cut});
    if (!rp) continue;
    std::vector<std::uint8_t> buffer;
    for (std::size_t i = 0; i < rp->entry_count(); ++i) {
      std::uint32_t size = 0;
      const std::uint8_t* p = rp->read_entry(rp->entry(i).name, &size, &buffer);
      if (p != nullptr && p != buffer.data()) {
        EXPECT_LE(p + size, copy.get() + cut) << cut;
      }
    }
  }
}

TEST(ResourcePackTest, NameWithoutTerminatorIsNoPack) {
  auto good = make_pack({{u"abc", bytes_of("x"), false}});
  // Keep only the header and the name's units, no 0 unit and no fields.
  std::vector<std::uint8_t> cut(good.begin(), good.begin() + kPackHeaderSize + 6);
  EXPECT_FALSE(ResourcePack::from_memory(cut));
}

// Recorded sizes are claims: an entry larger than the caller's cap is not
// read, and a packed entry claiming far more than it holds costs only what
// it holds.
TEST(ResourcePackTest, SizeClaimsCostNothingAndCapsAreKept) {
  std::vector<std::uint8_t> data = compressible(5000);
  std::vector<std::uint8_t> pack =
      make_pack({{u"a.css", data, true}, {u"b.png", bytes_of("\x89PNG"), false}});
  const std::size_t fields = fields_of_record(pack, 0);
  const std::uint32_t packed = get_u32(pack, fields + 8);
  const std::uint32_t claim = packed * 1000;  // within what inflation could give
  put_u32(&pack, fields + 4, claim);
  auto rp = ResourcePack::from_memory(pack);
  ASSERT_TRUE(rp);
  std::vector<std::uint8_t> buffer;
  std::uint32_t size = 0;
  ASSERT_NE(rp->read_entry(u"a.css", &size, &buffer), nullptr);
  EXPECT_EQ(buffer, data);
  EXPECT_LT(buffer.capacity(), claim / 4);
  EXPECT_EQ(rp->read_entry(u"a.css", &size, &buffer, 4999), nullptr);  // claims more than the cap
  EXPECT_EQ(rp->read_entry(u"b.png", &size, &buffer, 3), nullptr);
  EXPECT_NE(rp->read_entry(u"b.png", &size, &buffer, 4), nullptr);
}

TEST(ResourcePackTest, StreamedEntryComesInBoundedPieces) {
  std::vector<std::uint8_t> data = compressible(300000);
  data[12345] = 'z';
  for (bool packed : {true, false}) {
    SCOPED_TRACE(packed);
    std::vector<std::uint8_t> pack = make_pack({{u"big.wav", data, packed}});
    auto rp = ResourcePack::from_memory(pack);
    ASSERT_TRUE(rp);
    std::vector<std::uint8_t> got;
    std::size_t largest = 0;
    ASSERT_TRUE(rp->stream_entry(u"big.wav", [&](std::span<const std::uint8_t> piece) {
      largest = std::max(largest, piece.size());
      got.insert(got.end(), piece.begin(), piece.end());
      return true;
    }));
    EXPECT_EQ(got, data);
    EXPECT_LE(largest, std::size_t{64} << 10);
    EXPECT_FALSE(rp->stream_entry(u"missing", [](std::span<const std::uint8_t>) { return true; }));
  }
}

// A pack cut short while open (a newer copy being copied over it): reads of
// what is gone fail, and the process lives on.
TEST(ResourcePackTest, PackCutShortWhileOpenFailsReadsInsteadOfCrashing) {
  const std::vector<std::uint8_t> data = compressible(200000);
  std::vector<std::uint8_t> pack = make_pack({{u"a.wav", data, false}, {u"b.css", data, true}});
  char pattern[] = "/tmp/lexora-pack-XXXXXX";
  const int fd = ::mkstemp(pattern);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::write(fd, pack.data(), pack.size()), static_cast<ssize_t>(pack.size()));
  auto rp = ResourcePack::open(pattern);
  ASSERT_TRUE(rp);
  std::vector<std::uint8_t> buffer;
  std::uint32_t size = 0;
  ASSERT_NE(rp->read_entry(u"a.wav", &size, &buffer), nullptr);
  ASSERT_EQ(::ftruncate(fd, 100), 0);
  EXPECT_EQ(rp->read_entry(u"a.wav", &size, &buffer), nullptr);
  EXPECT_EQ(rp->read_entry(u"b.css", &size, &buffer), nullptr);
  EXPECT_FALSE(rp->stream_entry(u"a.wav", [](std::span<const std::uint8_t>) { return true; }));
  EXPECT_EQ(rp->find(u"b.CSS"), 1);  // the directory was read when the pack was opened
  ::close(fd);
  ::unlink(pattern);
}

TEST(ResourcePackTest, PackPathReplacesFromTheLastDot) {
  EXPECT_EQ(pack_path_for("/cards/en-ru.zd"), "/cards/en-ru.zpak");
  EXPECT_EQ(pack_path_for("/cards/en.ru.zd"), "/cards/en.ru.zpak");
  EXPECT_EQ(pack_path_for("/My.Dicts/enru"), "/My.zpak");
  EXPECT_EQ(pack_path_for("/dicts/enru"), "");
}

}  // namespace
}  // namespace lexora
