#include "gui/options/dictionary_page.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QPushButton>

#include "engine/dictionary.h"
#include "model/recent_files.h"
#include "model/settings.h"
#include "resources/string_table.h"

namespace lexora {

DictionaryPage::DictionaryPage(OptionsContext& context, QWidget* owner)
    : OptionsPage(QStringLiteral("Lexora"), QString::fromUtf8(string_text(str::kCancelSoftKey)),
                  owner),
      context_(context) {
  save_position_ = new QCheckBox(QStringLiteral("On exit save the current position"), this);
  save_position_->setObjectName(QString::number(dictionary_page_ids::kSavePosition));
  save_position_->setChecked(context_.settings.last_word != 0);
  ignore_punctuation_ = new QCheckBox(QStringLiteral("Do not take punctuation into account"), this);
  ignore_punctuation_->setObjectName(QString::number(dictionary_page_ids::kIgnorePunctuation));
  ignore_punctuation_->setChecked(context_.settings.smart_find != 0);
  form()->addRow(save_position_);
  form()->addRow(ignore_punctuation_);
  connect(right_button(), &QPushButton::clicked, this, &DictionaryPage::reject);
}

bool DictionaryPage::apply() {
  Settings& settings = context_.settings;
  settings.last_word = save_position_->isChecked() ? 1 : 0;
  settings.smart_find = ignore_punctuation_->isChecked() ? 1 : 0;
  context_.dictionary.set_ignore_punctuation(settings.smart_find == 1);
  save_settings(context_.registry, settings, context_.recent);
  const QString path = context_.dictionary_path ? context_.dictionary_path() : QString();
  if (!path.isEmpty()) {
    save_dictionary_settings(context_.registry, settings, file_name_part(path.toStdString()),
                             context_.top_index ? context_.top_index() : 0);
  }
  return true;
}

}  // namespace lexora
