// The frame every options page shares: a caption, the page's controls, and
// the bottom bar ("Ok" left; "Cancel" or "Menu" right). "Ok" applies the
// page and closes it only when applying succeeded; "Cancel", Esc and the
// window's close button close it without changing any setting.
#ifndef LEXORA_GUI_OPTIONS_OPTIONS_PAGE_H_
#define LEXORA_GUI_OPTIONS_OPTIONS_PAGE_H_

#include <cstdint>
#include <optional>

#include "gui/dialogs/soft_key_dialog.h"

class QFormLayout;
class QHBoxLayout;
class QLineEdit;
class QPushButton;

namespace lexora {

// Command ids of the pages' bars and of the General page's menu.
namespace options_ids {
inline constexpr int kOk = 1;
inline constexpr int kCancel = 2;
inline constexpr int kMenu = 102;
inline constexpr int kDictionaryPage = 117;
inline constexpr int kFontPage = 138;
}  // namespace options_ids

// The message of an integer field that holds no number.
inline constexpr char kIntegerExpectedText[] = "Ожидается целое число";
inline constexpr char kIntegerExpectedCaption[] = "Ошибка";

class OptionsPage : public SoftKeyDialog {
  Q_OBJECT
 public:
  // `right_button_text`: "Cancel", or "Menu" for the General page, whose
  // right button then shows menu().
  OptionsPage(const QString& caption, const QString& right_button_text, QWidget* owner);

  // Applies the controls to the settings; false keeps the page open.
  virtual bool apply() = 0;

  QPushButton* ok_button() const { return ok_; }
  QPushButton* right_button() const { return right_; }

  // Reads `field` as an integer; on failure shows the message, gives the
  // field the focus and returns nothing.
  static std::optional<std::int32_t> read_integer(QLineEdit* field);

 public slots:
  void accept() override;

 protected:
  // The rows of the page, in order.
  QFormLayout* form() const { return form_; }

 private:
  QFormLayout* form_ = nullptr;
  QPushButton* ok_ = nullptr;
  QPushButton* right_ = nullptr;
};

}  // namespace lexora

#endif  // LEXORA_GUI_OPTIONS_OPTIONS_PAGE_H_
