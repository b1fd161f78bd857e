// Command, control and message numbers of the main window and its dialogs.
// They keep the numbers the program has always used, so that a menu item, an
// accelerator or a posted command can be traced to its handler by number.
#ifndef LEXORA_GUI_COMMAND_IDS_H_
#define LEXORA_GUI_COMMAND_IDS_H_

#include "model/recent_files.h"

namespace lexora::cmd {

// Dialog and accelerator commands.
inline constexpr int kOk = 1;  // also Ctrl+Q in the main window: close the program
inline constexpr int kCancel = 2;

// The main menu bar's buttons.
inline constexpr int kDictionaryMenu = 402;
inline constexpr int kMenu = 102;

// Items of the "Menu" drop-down, and the word box's context menu.
inline constexpr int kAbout = 40003;
inline constexpr int kExit = 40004;
inline constexpr int kCopy = 40033;
inline constexpr int kPaste = 40036;
inline constexpr int kOptions = 40074;
inline constexpr int kOpen = 40080;
inline constexpr int kCreateLink = 40081;
inline constexpr int kMinimize = 40122;
// A desktop addition beside the handheld's commands: search through the text
// of every article (Ctrl+Shift+F).
inline constexpr int kSearchArticles = 40200;

// Dictionary-menu items: kFirstRecent is the newest file, kFirstRecent + k
// the k-th newest. The number is the recent-files list's own.
inline constexpr int kFirstRecent = kFirstRecentCommand;

// The About box's "Lexora" soft key: the dictionary information dialog.
inline constexpr int kDictionaryInfo = 136;

}  // namespace lexora::cmd

namespace lexora::ctl {

// Control ids of the dictionary information dialog.
inline constexpr int kInfoPath = 1008;
inline constexpr int kInfoWordCount = 1009;
inline constexpr int kInfoCheck = 1016;

}  // namespace lexora::ctl

namespace lexora::scroll {

// Scroll codes of the word list's scroll bar (and of the Up and Down keys).
enum Code : int {
  kLineUp = 0,
  kLineDown = 1,
  kPageUp = 2,
  kPageDown = 3,
  kThumbPosition = 4,
  kThumbTrack = 5,
  kTop = 6,
  kBottom = 7,
  kEndScroll = 8,
};

}  // namespace lexora::scroll

#endif  // LEXORA_GUI_COMMAND_IDS_H_
