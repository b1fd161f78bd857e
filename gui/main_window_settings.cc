// How the main window reads and writes the settings and the recent-files
// list, and the dictionary menu that shows that list.
#include <QAction>
#include <QFontDatabase>
#include <QMenu>

#include "engine/dictionary.h"
#include "gui/dictionary_settings.h"
#include "gui/main_window.h"
#include "model/recent_files.h"
#include "model/settings.h"

namespace lexora {
namespace {

// The dictionary menu as the recent-files list sees it.
class QtRecentMenu : public RecentMenu {
 public:
  QtRecentMenu(QMenu* menu, MainWindow* window) : menu_(menu), window_(window) {}
  void clear() override { menu_->clear(); }
  void append_item(std::int32_t command_id, const std::string& label) override {
    QAction* action = menu_->addAction(QString::fromStdString(label));
    // "&" in a file name is text, not a mnemonic.
    action->setText(QString::fromStdString(label).replace(u'&', QStringLiteral("&&")));
    action->setData(command_id);
    QObject::connect(action, &QAction::triggered, window_,
                     [window = window_, command_id] { window->on_command(command_id); });
  }

 private:
  QMenu* menu_;
  MainWindow* window_;
};

std::string utf8(const QString& text) {
  return text.toStdString();
}

}  // namespace

void MainWindow::rebuild_recent_menu() {
  if (!recent_menu_) {
    recent_menu_ = std::make_unique<QtRecentMenu>(dictionary_menu_, this);
    objects_.recent.set_menu(recent_menu_.get());
    objects_.recent.set_first_command(kFirstRecentCommand);
  }
  objects_.recent.recent_rebuild_menu();
}

void MainWindow::load_global_settings() {
  load_settings(objects_.registry, objects_.settings, objects_.recent);
}

void MainWindow::save_global_settings() {
  save_settings(objects_.registry, objects_.settings, objects_.recent);
}

void MainWindow::load_dictionary_settings_for(const QString& path) {
  load_dictionary_settings(objects_.registry, objects_.settings, objects_.dictionary,
                           file_name_part(utf8(path)));
}

void MainWindow::save_dictionary_settings_for(const QString& path) {
  save_dictionary_settings(objects_.registry, objects_.settings, file_name_part(utf8(path)),
                           top_index_);
}

QString MainWindow::newest_recent_path() const {
  const auto& paths = objects_.recent.paths();
  return paths.empty() ? QString() : QString::fromStdString(paths.back());
}

bool MainWindow::is_recent_command(int command) const {
  return objects_.recent.is_recent_command(command);
}

QString MainWindow::recent_path_for(int command) const {
  const auto path = objects_.recent.recent_path_for_command(command);
  return path ? QString::fromStdString(*path) : QString();
}

void MainWindow::recent_add(const QString& path) {
  objects_.recent.recent_add(utf8(path));
}

void MainWindow::recent_remove(const QString& path) {
  objects_.recent.recent_remove(utf8(path));
}

bool MainWindow::smart_find() const {
  return objects_.settings.smart_find == 1;
}

}  // namespace lexora
