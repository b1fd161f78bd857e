#include "gui/options/options_page.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "model/integer_field.h"
#include "platform/messages.h"
#include "resources/string_table.h"

namespace lexora {

OptionsPage::OptionsPage(const QString& caption, const QString& right_button_text, QWidget* owner)
    : QDialog(owner) {
  setWindowTitle(caption);
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  form_ = new QFormLayout;
  form_->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
  layout->addLayout(form_);
  layout->addStretch(1);
  auto* bar = new QHBoxLayout;
  ok_ = new QPushButton(QString::fromUtf8(string_text(str::kOkSoftKey)), this);
  ok_->setObjectName(QStringLiteral("ok"));
  ok_->setDefault(true);
  right_ = new QPushButton(right_button_text, this);
  right_->setObjectName(QStringLiteral("right"));
  right_->setAutoDefault(false);
  bar->addWidget(ok_);
  bar->addStretch(1);
  bar->addWidget(right_);
  layout->addLayout(bar);
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
