// Small helpers between the toolkit and the rest of the program: text
// conversion, the string table as QStrings, the wait cursor and the dpi
// scaling of sizes given at 96 dpi.
#ifndef LEXORA_GUI_QT_UTIL_H_
#define LEXORA_GUI_QT_UTIL_H_

#include <QString>

#include <string_view>

namespace lexora {

// String-table text `id` (resources/string_table.h) as a QString.
QString qt_text(int id);

// A view of the text's UTF-16 units, valid while `text` lives unchanged.
std::u16string_view as_view(const QString& text);
// A QString copy of UTF-16 units.
QString to_qstring(std::u16string_view text);

// `pixels` at 96 dpi scaled to `dpi`, rounded to the nearest pixel.
constexpr int scale_to_dpi(int pixels, int dpi) {
  return (pixels * dpi + 48) / 96;
}

// Shows the wait cursor from construction until restore() or destruction.
class WaitCursor {
 public:
  WaitCursor();
  ~WaitCursor() { restore(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

  void restore();

 private:
  bool active_ = true;
};

}  // namespace lexora

#endif  // LEXORA_GUI_QT_UTIL_H_
