#include "app/app.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>
#include <QScreen>

#include <memory>

#include "engine/dictionary.h"
#include "gui/command_ids.h"
#include "gui/main_window.h"
#include "gui/options/create_link.h"
#include "gui/options/options_context.h"
#include "gui/qt_message_sink.h"
#include "gui/qt_util.h"
#include "model/colour_table.h"
#include "model/recent_files.h"
#include "model/settings.h"
#include "model/shortcut_link.h"
#include "platform/qt/instance.h"
#include "platform/qt/registry.h"
#include "resources/string_table.h"

namespace lexora {
namespace {

const QString kClipboardSwitch = QStringLiteral("-c");
// The default main window size at 96 dpi.
constexpr int kDefaultWidth = 380;
constexpr int kDefaultHeight = 560;

// A shortcut file is longer than no ".lnk" text the program writes.
constexpr qint64 kMaxLinkFileBytes = 64 * 1024;

}  // namespace

QString follow_link_file(const QString& path) {
  if (!path.endsWith(QStringLiteral(".lnk"), Qt::CaseInsensitive)) return path;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return path;
  const QByteArray text = file.read(kMaxLinkFileBytes);
  const auto target = link_dictionary(std::string_view(text.constData(), text.size()));
  return target ? QString::fromStdString(*target) : path;
}

namespace {

// The Options and Create Link commands, on the process-wide objects.
void register_option_commands(MainWindow& window, OptionsContext& context) {
  window.set_command_handler(cmd::kOptions, [&window, &context] { run_options(context, &window); });
  window.set_command_handler(cmd::kCreateLink, [&window, &context] {
    create_link(&window, context.choose_file, QCoreApplication::applicationFilePath(),
                window.current_path());
  });
}

// What this instance does when a later start hands over to it.
InstanceHandlers instance_handlers(MainWindow& window) {
  InstanceHandlers handlers;
  handlers.activate = [&window] {
    if (window.isMinimized()) window.showNormal();
    window.raise();
    window.activateWindow();
  };
  handlers.hand_over = [&window] { window.clipboard_search(); };
  handlers.close = [&window] {
    window.shut_down();
    // Modal windows end with the loops they run in.
    QApplication::exit(0);
  };
  handlers.copy_data = [&window](std::uint32_t kind, const std::vector<std::uint8_t>& data) {
    return window.reader_colours(kind, data);
  };
  return handlers;
}

}  // namespace

CommandLine parse_command_line(const QStringList& arguments) {
  CommandLine line;
  QStringList rest = arguments;
  if (!rest.isEmpty() && rest.front().startsWith(kClipboardSwitch)) {
    line.clipboard_switch = true;
    rest.front().remove(0, kClipboardSwitch.size());
    if (rest.front().isEmpty()) rest.pop_front();
  }
  line.path = rest.join(u' ');
  return line;
}

StartAction decide_start(bool allow_multiple, bool has_path, bool window_found) {
  if (window_found) return StartAction::kHandOver;
  if (!has_path || allow_multiple) return StartAction::kRun;
  return StartAction::kCloseOtherAndRun;
}

int run_program(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Lexora"));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/101.png")));
  QtMessageSink message_sink;
  set_message_sink(&message_sink);

  CommandLine line = parse_command_line(QApplication::arguments().mid(1));
  // A ".lnk" shortcut made by "Create Link..." names the dictionary to open.
  line.path = follow_link_file(line.path);
  // Paths are kept whole, so that the browser can walk up from them.
  if (!line.path.isEmpty()) line.path = QFileInfo(line.path).absoluteFilePath();

  const QString class_name = qt_text(str::kClassName);
  const QString title = window_title_for(line.path);
  const auto found = find_instance(class_name, line.path.isEmpty() ? QString() : title);

  // The process-wide objects, alive until the loop ends.
  Registry registry(Registry::default_file_path());
  RecentFiles recent;
  const QFont general = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
  const int general_pixels =
      general.pixelSize() > 0 ? general.pixelSize() : QFontInfo(general).pixelSize();
  Settings settings(SystemFont{general.family().toStdString(), general_pixels});
  ColourTable colours;
  Dictionary dictionary;
  // Read before the decision: it depends on "g_allow_mult_dict" and "find_cb".
  load_settings(registry, settings, recent);

  switch (decide_start(settings.g_allow_mult_dict, !line.path.isEmpty(), found.has_value())) {
    case StartAction::kHandOver:
      activate_instance(*found);
      if (settings.find_cb != 0 || line.clipboard_switch) post_hand_over(*found);
      return 0;
    case StartAction::kCloseOtherAndRun:
      // The older instance saves its settings before it answers.
      if (const auto other = find_instance(class_name, QString())) close_instance(*other);
      break;
    case StartAction::kRun:
      break;
  }

  MainWindow window({dictionary, settings, recent, colours, registry});
  window.setWindowTitle(title);
  const int dpi = window.logicalDpiX() > 0 ? window.logicalDpiX() : 96;
  window.resize(scale_to_dpi(kDefaultWidth, dpi), scale_to_dpi(kDefaultHeight, dpi));

  InstanceServer server(instance_handlers(window));
  server.publish(class_name, title);
  QObject::connect(&window, &MainWindow::title_changed, &server,
                   [&server](const QString& text) { server.set_title(text); });

  OptionsContext options{settings,
                         recent,
                         registry,
                         dictionary,
                         colours,
                         QCoreApplication::applicationDirPath(),
                         [&window] { return window.current_path(); },
                         [&window] { return window.top_index(); },
                         [&window] { window.apply_font_settings(); },
                         [&window] { window.apply_colour_settings(); },
                         file_browser_chooser()};
  register_option_commands(window, options);

  window.start(line.path, line.clipboard_switch);
  window.show();
  const int result = QApplication::exec();
  window.shut_down();
  server.withdraw();
  set_message_sink(nullptr);
  return result;
}

}  // namespace lexora
