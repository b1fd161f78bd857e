#include "gui/options/font_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

#include "model/colour_profile.h"
#include "model/colour_table.h"
#include "model/settings.h"
#include "resources/string_table.h"

namespace lexora {

FontPage::FontPage(OptionsContext& context, QWidget* owner)
    : OptionsPage(QStringLiteral("Font"), QString::fromUtf8(string_text(str::kCancelSoftKey)),
                  owner),
      context_(context) {
  using namespace font_page_ids;
  const Settings& settings = context_.settings;
  use_colour_profile_ = new QCheckBox(QStringLiteral("Use the color profile"), this);
  use_colour_profile_->setObjectName(QString::number(kUseColourProfile));
  use_colour_profile_->setChecked(settings.g_use_colors_profile);
  use_reader_colours_ = new QCheckBox(QStringLiteral("Use color settings from Lumira2"), this);
  use_reader_colours_->setObjectName(QString::number(kUseReaderColours));
  use_reader_colours_->setChecked(settings.g_use_lumira_profile);
  form()->addRow(use_colour_profile_);
  form()->addRow(use_reader_colours_);

  families_ = new QComboBox(this);
  families_->setObjectName(QString::number(kFontFamily));
  size_ = new QLineEdit(QString::number(settings.main_font_size), this);
  size_->setObjectName(QString::number(kFontSize));
  size_->setMaximumWidth(size_->fontMetrics().horizontalAdvance(QStringLiteral("00000")) * 2);
  auto* font_row = new QHBoxLayout;
  font_row->addWidget(families_, 1);
  font_row->addWidget(size_);
  form()->addRow(QStringLiteral("Font"), font_row);

  extra_font_ = new QLineEdit(QString::fromStdString(settings.font_res), this);
  extra_font_->setObjectName(QString::number(kExtraFont));
  auto* browse = new QPushButton(QStringLiteral("…"), this);
  browse->setObjectName(QString::number(kBrowseFont));
  browse->setAutoDefault(false);
  auto* extra_row = new QHBoxLayout;
  extra_row->addWidget(extra_font_, 1);
  extra_row->addWidget(browse);
  form()->addRow(QStringLiteral("Ext. font"), extra_row);
  connect(browse, &QPushButton::clicked, this, &FontPage::browse_font);
  connect(right_button(), &QPushButton::clicked, this, &FontPage::reject);

  fill_families();
  families_->setCurrentIndex(font_list_.indexOf(QString::fromStdString(settings.main_font)));
}

QStringList FontPage::fill_families() {
  // Enumerated anew each time, in the platform's order, duplicates and all.
  font_list_ = QFontDatabase::families();
  families_->clear();
  families_->addItems(font_list_);
  return font_list_;
}

void FontPage::browse_font() {
  const QString path = context_.choose_file(
      this, QString(), QString::fromUtf8(string_text(str::kFontFilesFilter)), false);
  if (!path.isEmpty()) add_font_file(path);
}

bool FontPage::add_font_file(const QString& path) {
  const QStringList before = QFontDatabase::families();
  if (QFontDatabase::addApplicationFont(path) < 0) return false;
  const int kept = families_->currentIndex();
  const QString kept_face = kept >= 0 ? font_list_.value(kept) : QString();
  const QStringList after = fill_families();
  const auto added = std::find_if(after.begin(), after.end(), [&before](const QString& face) {
    return !before.contains(face);
  });
  if (added != after.end()) {
    families_->setCurrentIndex(static_cast<int>(added - after.begin()));
  } else {
    families_->setCurrentIndex(after.indexOf(kept_face));
  }
  extra_font_->setText(path);
  return true;
}

bool FontPage::apply() {
  Settings& settings = context_.settings;
  const auto size = read_integer(size_);
  if (!size) return false;
  // A size the eye cannot read, or one that fills the screen with a single
  // letter, would leave no way back to this page: keep it within bounds.
  settings.main_font_size = std::clamp(*size, kMinMainFontPixels, kMaxMainFontPixels);

  if (use_colour_profile_->isChecked()) {
    settings.g_use_colors_profile = true;
    const QString profile =
        context_.program_folder + u'/' +
        QString::fromUtf8(kColourProfileFileName.data(),
                          static_cast<qsizetype>(kColourProfileFileName.size()));
    load_colour_profile(profile.toStdString(), &context_.colours);
  } else {
    settings.g_use_colors_profile = false;
    context_.colours.set_reader_colours_received(false);
  }
  settings.g_use_lumira_profile = use_reader_colours_->isChecked();
  if (const int index = families_->currentIndex(); index >= 0 && index < font_list_.size()) {
    settings.main_font = font_list_[index].toStdString();
  }
  settings.font_res = extra_font_->text().toStdString();
  save_settings(context_.registry, settings, context_.recent);
  if (context_.colours_changed) context_.colours_changed();
  if (context_.fonts_changed) context_.fonts_changed();
  return true;
}

}  // namespace lexora
