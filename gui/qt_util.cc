#include "gui/qt_util.h"

#include <QApplication>

#include "resources/string_table.h"

namespace lexora {

QString qt_text(int id) {
  return QString::fromUtf8(string_text(id));
}

std::u16string_view as_view(const QString& text) {
  return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())};
}

QString to_qstring(std::u16string_view text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

WaitCursor::WaitCursor() {
  QApplication::setOverrideCursor(Qt::WaitCursor);
}

void WaitCursor::restore() {
  if (active_) QApplication::restoreOverrideCursor();
  active_ = false;
}

}  // namespace lexora
