#include "resources/string_table.h"

#include <algorithm>
#include <array>
#include <utility>

namespace lexora {
namespace {

// Sorted by id; string_text() searches it. Texts are kept exactly as the
// program has always shown them, spelling included.
constexpr std::pair<int, std::string_view> kStrings[] = {
    {1, "Lexora"},
    {2, "Cancel"},
    {3, "Lexora"},
    {4, "Confirm"},
    {5, "Save \"%s\" in folder \"%s\" and run it?"},
    {6, "File not found"},
    {117, "Lexora Options"},
    {138, "Font"},
    {302, "Lexora"},
    {40016, "Can't open file %s"},
    {40017, "The word not found, go to a word list?"},
    {40018, "Search results"},
    {40019, "Select the word what you want to find"},
    {40020, "The linked-to word not found, go to a word list?"},
    {40021, "Error"},
    {40080, "Open..."},
    {40093, "Ok"},
    {40095, "Cancel"},
    {40100, "Dictionaries (*.zd)\nAll files(*.*)"},
    {40101, "Links (*.lnk)"},
    {40102, "File creation error"},
    {40103, "Back"},
    {40104, "Forward"},
    {40113, "%d words"},
    {40114, "Check CRC"},
    {40115, "File reading error"},
    {40116, "Wrong CRC!"},
    {40117, "The dict file doesn't contain CRC info"},
    {40118, "No errors"},
    {40120, "Font files (*.ttf)\nAll files (*.*)"},
    {40122, "Add for leaning in MR"},
    {41001, "Save file"},
    {41002, "Replace the existing file?"},
    {41003, "Integrity error"},
    {41004, "Wrong version or file format"},
    {41005, "Codepage %d isn't supported"},
    {41006, "No enough memory"},
    {41007, "Can't find %s"},
    {41008, "There are no translations, please add them"},
    {41009, "Select the text you want to add as the main translation"},
    {41010, "Word leaning"},
    {41011, "This word is in Memorins dictionary alredy"},
    {41012, "Restart the program to apply the changes"},
    {41013, "Information"},
    {41020, "Can't write the flash-card database %s; the translations are kept"},
};

constexpr bool sorted_by_id() {
  for (std::size_t i = 1; i < std::size(kStrings); ++i) {
    if (kStrings[i - 1].first >= kStrings[i].first) return false;
  }
  return true;
}
static_assert(sorted_by_id(), "string table must be sorted by id, without repeats");

}  // namespace

std::string_view string_text(int id) {
  const auto* end = std::end(kStrings);
  const auto* it = std::lower_bound(std::begin(kStrings), end, id,
                                    [](const auto& row, int key) { return row.first < key; });
  if (it == end || it->first != id) return {};
  return it->second;
}

}  // namespace lexora
