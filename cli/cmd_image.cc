// lexora-cli image DICT NAME [--ppm FILE]: decodes a picture of the
// dictionary's pack as the article view does and prints
// {"width": W, "height": H}; a picture that does not decode gives 0 and 0
// (and no PPM). NAME "@sound" is the built-in sound icon, as in pages.
// --ppm writes the decoded pixels (red, green, blue; alpha dropped) as a
// binary PPM. Exit 1 when the dictionary does not open, the entry is
// missing or its name has no picture type, or the PPM cannot be written.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cli/cli_errors.h"
#include "cli/command_list.h"
#include "cli/commands.h"
#include "engine/dictionary.h"
#include "engine/media.h"
#include "images/image.h"
#include "platform/utf.h"
#include "resources/sound_icon.h"

namespace lexora::cli {
namespace {

constexpr std::string_view kSoundIconName = "@sound";

struct ImageArgs {
  std::string dictionary;
  std::string name;
  std::string ppm;
};

bool write_ppm(const std::string& path, const images::Bitmap& bitmap) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  std::fprintf(f, "P6\n%u %u\n255\n", bitmap.width, bitmap.height);
  std::vector<std::uint8_t> row(static_cast<std::size_t>(bitmap.width) * 3);
  bool ok = true;
  for (std::uint32_t y = 0; y < bitmap.height && ok; ++y) {
    for (std::uint32_t x = 0; x < bitmap.width; ++x) {
      const std::uint8_t* p = bitmap.pixel(x, y);
      row[x * 3] = p[2];
      row[x * 3 + 1] = p[1];
      row[x * 3 + 2] = p[0];
    }
    ok = std::fwrite(row.data(), 1, row.size(), f) == row.size();
  }
  return std::fclose(f) == 0 && ok;
}

int run_image(const ImageArgs& args) {
  Dictionary dict;
  if (!open_dictionary_or_report(dict, args.dictionary)) return kExitNotFound;
  images::Image image;
  if (args.name == kSoundIconName) {
    const std::span<const std::uint8_t> icon = sound_icon_bmp();
    image = images::Image(icon.data(), icon.size(), kImageTypeBmp);
  } else {
    const std::u16string name = utf8_to_utf16(args.name);
    const int type = image_type_of(name);
    std::vector<std::uint8_t> buffer;
    std::uint32_t size = 0;
    const std::uint8_t* data = dict.read_pack_entry(name, &size, &buffer, kMaxPictureEntrySize);
    if (type == kImageTypeNone) return report_error("not a picture name: " + args.name);
    if (data == nullptr) return report_error(pack_entry_problem(dict, args.name));
    image = images::Image(data, size, type);
  }
  if (!args.ppm.empty() && image.valid() && !write_ppm(args.ppm, image.pixels())) {
    return report_error("cannot write " + args.ppm);
  }
  std::cout << nlohmann::ordered_json{{"width", image.width()}, {"height", image.height()}}.dump()
            << '\n';
  return kExitOk;
}

}  // namespace

void add_image_command(CLI::App& app, int* exit_code) {
  CLI::App* cmd = app.add_subcommand("image", "Decode a picture of the dictionary's pack");
  auto args = std::make_shared<ImageArgs>();
  cmd->add_option("DICT", args->dictionary, "Dictionary file (.zd)")->required();
  cmd->add_option("NAME", args->name, "Pack entry name (.bmp .gif .jpg .jpeg .png) or @sound")
      ->required();
  cmd->add_option("--ppm", args->ppm, "Write the pixels to this binary PPM file");
  cmd->callback([args, exit_code] { *exit_code = run_image(*args); });
}

}  // namespace lexora::cli
