// What the options pages read and change: the process-wide objects and the
// few things of the main window that must follow a change at once. The pages
// own none of it; everything must outlive them.
#ifndef LEXORA_GUI_OPTIONS_OPTIONS_CONTEXT_H_
#define LEXORA_GUI_OPTIONS_OPTIONS_CONTEXT_H_

#include <QString>

#include <cstdint>
#include <functional>

class QWidget;

namespace lexora {

class ColourTable;
class Dictionary;
class RecentFiles;
class Registry;
struct Settings;

// Asks the user for a file: the program's file browser in its open or save
// form. Returns the chosen path, or an empty text on Cancel.
using ChooseFile = std::function<QString(QWidget* owner, const QString& start_folder,
                                         const QString& type_text, bool save_form)>;

struct OptionsContext {
  Settings& settings;
  RecentFiles& recent;
  Registry& registry;
  Dictionary& dictionary;
  ColourTable& colours;
  // The folder the colour profile "Profile.lup" is read from.
  QString program_folder;
  // The open dictionary's path (empty when none) and its list position.
  std::function<QString()> dictionary_path;
  std::function<std::int32_t()> top_index;
  // Called after the Font page applied: new main font and layout, colours.
  std::function<void()> fonts_changed;
  std::function<void()> colours_changed;
  ChooseFile choose_file;
};

// The file browser as ChooseFile.
ChooseFile file_browser_chooser();

// The General page, modal over `owner`; the other two pages open from its
// menu. Returns true when it was applied.
bool run_options(OptionsContext& context, QWidget* owner);

}  // namespace lexora

#endif  // LEXORA_GUI_OPTIONS_OPTIONS_CONTEXT_H_
