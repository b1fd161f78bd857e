#include "gui/options/general_page.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QStandardPaths>

#include "gui/options/dictionary_page.h"
#include "gui/options/font_page.h"
#include "model/recent_files.h"
#include "model/settings.h"
#include "platform/messages.h"
#include "resources/string_table.h"

namespace lexora {
namespace {

QCheckBox* add_check(QWidget* page, QFormLayout* form, int id, const char* text, bool value) {
  auto* box = new QCheckBox(QString::fromUtf8(text), page);
  box->setObjectName(QString::number(id));
  box->setChecked(value);
  form->addRow(box);
  return box;
}

}  // namespace

GeneralPage::GeneralPage(OptionsContext& context, QWidget* owner)
    : OptionsPage(QStringLiteral("General"), QStringLiteral("Menu"), owner), context_(context) {
  using namespace general_ids;
  const Settings& settings = context_.settings;

  auto* recent_row = new QHBoxLayout;
  recent_row->addWidget(new QLabel(QStringLiteral("Remember"), this));
  recent_ = new QLineEdit(QString::number(settings.n_recent_files), this);
  recent_->setObjectName(QString::number(kRecentCount));
  recent_->setMaxLength(2);
  recent_->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,2}")), recent_));
  recent_->setMaximumWidth(recent_->fontMetrics().horizontalAdvance(QStringLiteral("000")) * 2);
  recent_row->addWidget(recent_);
  recent_row->addWidget(new QLabel(QStringLiteral("last opened files"), this));
  recent_row->addStretch(1);
  form()->addRow(recent_row);

  add_check(this, form(), kFindClipboard, "On start search from the clipboard",
            settings.find_cb != 0);
  add_check(this, form(), kAllowMultiple, "Allow multiple processes of the program",
            settings.g_allow_mult_dict);
  add_check(this, form(), kArrowRedefine, "Redefine the arrow keys", settings.arrow_redefine != 0);
  add_check(this, form(), kShowOnlyCard,
            "Show only an article window when called from another program",
            settings.g_show_only_card);

  form()->addRow(new QLabel(QStringLiteral("Lexora for Memorins"), this));
  auto* database_row = new QHBoxLayout;
  database_ = new QLineEdit(QString::fromStdString(settings.g_mr_dict_path), this);
  database_->setObjectName(QString::number(kDatabasePath));
  auto* browse = new QPushButton(QStringLiteral("…"), this);
  browse->setObjectName(QString::number(kBrowseDatabase));
  browse->setAutoDefault(false);
  database_row->addWidget(database_, 1);
  database_row->addWidget(browse);
  form()->addRow(database_row);
  connect(browse, &QPushButton::clicked, this, &GeneralPage::browse_database);

  add_check(this, form(), kSmartMenu, "Menu Smartphone", settings.g_smart_menu);

  menu_ = new QMenu(this);
  auto add = [this](const QString& text, int id) {
    connect(menu_->addAction(text), &QAction::triggered, this, [this, id] { on_menu_command(id); });
  };
  add(QStringLiteral("Lexora Options"), options_ids::kDictionaryPage);
  add(QStringLiteral("Font"), options_ids::kFontPage);
  menu_->addSeparator();
  add(QString::fromUtf8(string_text(str::kCancelSoftKey)), options_ids::kCancel);
  right_button()->setMenu(menu_);
}

QCheckBox* GeneralPage::check(int id) const {
  return findChild<QCheckBox*>(QString::number(id));
}

void GeneralPage::on_menu_command(int id) {
  switch (id) {
    case options_ids::kDictionaryPage: {
      DictionaryPage page(context_, this);
      page.exec();
      break;
    }
    case options_ids::kFontPage: {
      FontPage page(context_, this);
      page.exec();
      break;
    }
    case options_ids::kCancel:
      reject();
      break;
    default:
      break;
  }
}

void GeneralPage::browse_database() {
  const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  const QString path =
      context_.choose_file(this, documents, QString::fromUtf8(kDatabaseTypeText), true);
  if (!path.isEmpty()) database_->setText(path);
}

bool GeneralPage::apply() {
  using namespace general_ids;
  Settings& settings = context_.settings;
  const auto count = read_integer(recent_);
  if (!count) return false;
  settings.n_recent_files = *count;
  context_.recent.recent_set_limit(*count, true);

  settings.find_cb = check(kFindClipboard)->isChecked() ? 1 : 0;
  settings.arrow_redefine = check(kArrowRedefine)->isChecked() ? 1 : 0;
  settings.g_allow_mult_dict = check(kAllowMultiple)->isChecked();
  settings.g_show_only_card = check(kShowOnlyCard)->isChecked();

  const bool smart_menu = check(kSmartMenu)->isChecked();
  if (smart_menu != settings.g_smart_menu) {
    Message message;
    message.text = string_text(str::kRestartToApply);
    message.caption = string_text(str::kInformation);
    message.icon = MessageIcon::kInformation;
    message.owner = MessageOwner::kWindow;
    message.owner_window = this;
    show_message(message);
  }
  settings.g_smart_menu = smart_menu;
  settings.g_mr_dict_path = database_->text().toStdString();
  save_settings(context_.registry, settings, context_.recent);
  return true;
}

}  // namespace lexora
