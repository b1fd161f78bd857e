#include "gui/options/options_page.h"

#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/dialogs/soft_key_dialog.h"
#include "model/integer_field.h"
#include "platform/messages.h"
#include "resources/string_table.h"

namespace lexora {

OptionsPage::OptionsPage(const QString& caption, const QString& right_button_text, QWidget* owner)
    : SoftKeyDialog(owner) {
  setWindowTitle(caption);
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  form_ = new QFormLayout;
  form_->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
  layout->addLayout(form_);
  layout->addStretch(1);
  const SoftKeys keys =
      add_soft_keys(layout, QString::fromUtf8(string_text(str::kOkSoftKey)), right_button_text);
  ok_ = keys.left;
  ok_->setObjectName(QStringLiteral("ok"));
  // Enter in a field applies the page.
  ok_->setDefault(true);
  right_ = keys.right;
  right_->setObjectName(QStringLiteral("right"));
  connect(ok_, &QPushButton::clicked, this, &OptionsPage::accept);
}

void OptionsPage::accept() {
  if (apply()) QDialog::accept();
}

std::optional<std::int32_t> OptionsPage::read_integer(QLineEdit* field) {
  const auto value = read_integer_field(field->text().toStdString());
  if (value) return value;
  field->setFocus();
  Message message;
  message.text = kIntegerExpectedText;
  message.caption = kIntegerExpectedCaption;
  message.icon = MessageIcon::kError;
  show_message(message);
  field->setFocus();
  return std::nullopt;
}

}  // namespace lexora
