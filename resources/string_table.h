// The program's string table: every user-visible text that messages, menus and
// dialogs refer to by number. Ids are the numbers the resources have always
// used, so behaviour stays traceable from a message back to its text.
#ifndef LEXORA_RESOURCES_STRING_TABLE_H_
#define LEXORA_RESOURCES_STRING_TABLE_H_

#include <string_view>

namespace lexora {

// Ids of strings the code uses by name. The full list lives in string_table.cc.
namespace str {
inline constexpr int kBaseTitle = 1;  // the main window title before a dictionary
inline constexpr int kCancel = 2;
inline constexpr int kClassName = 3;  // the main window class that instances look for
inline constexpr int kConfirm = 4;
inline constexpr int kSaveAndRun = 5;
inline constexpr int kFileNotFound = 6;
inline constexpr int kFont = 138;
inline constexpr int kLexoraOptions = 117;
inline constexpr int kLexora = 302;
inline constexpr int kCantOpenFile = 40016;
inline constexpr int kWordNotFoundGoToList = 40017;
inline constexpr int kSearchResults = 40018;
inline constexpr int kSelectWordToFind = 40019;
inline constexpr int kLinkedWordNotFound = 40020;
inline constexpr int kError = 40021;
inline constexpr int kOkSoftKey = 40093;
inline constexpr int kCancelSoftKey = 40095;
inline constexpr int kOpen = 40080;
inline constexpr int kDictionariesFilter = 40100;
inline constexpr int kLinksFilter = 40101;
inline constexpr int kFileCreationError = 40102;
inline constexpr int kBack = 40103;
inline constexpr int kForward = 40104;
inline constexpr int kWordsCount = 40113;
inline constexpr int kCheckCrc = 40114;
inline constexpr int kFileReadingError = 40115;
inline constexpr int kWrongCrc = 40116;
inline constexpr int kNoCrcInfo = 40117;
inline constexpr int kNoErrors = 40118;
inline constexpr int kFontFilesFilter = 40120;
inline constexpr int kAddForLearning = 40122;
inline constexpr int kSaveFile = 41001;
inline constexpr int kReplaceExistingFile = 41002;
inline constexpr int kIntegrityError = 41003;
inline constexpr int kWrongVersion = 41004;
inline constexpr int kCodepageNotSupported = 41005;
inline constexpr int kNoEnoughMemory = 41006;
inline constexpr int kCantFind = 41007;
inline constexpr int kNoTranslations = 41008;
inline constexpr int kSelectTranslation = 41009;
inline constexpr int kWordLearning = 41010;
inline constexpr int kWordAlreadyInDatabase = 41011;
inline constexpr int kRestartToApply = 41012;
inline constexpr int kInformation = 41013;
inline constexpr int kFlashCardDatabaseNotWritten = 41020;
}  // namespace str

// UTF-8 text of string `id`; empty when the table has no such id. The view
// refers to static storage and stays valid for the whole run.
std::string_view string_text(int id);

}  // namespace lexora

#endif  // LEXORA_RESOURCES_STRING_TABLE_H_
