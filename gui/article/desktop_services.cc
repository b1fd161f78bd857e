#include "gui/article/desktop_services.h"

#include <QDesktopServices>
#include <QUrl>

namespace lexora {
namespace {

DesktopOpener* g_opener = nullptr;

}  // namespace

DesktopOpener* set_desktop_opener(DesktopOpener* opener) {
  DesktopOpener* previous = g_opener;
  g_opener = opener;
  return previous;
}

void desktop_open_address(const QString& address) {
  if (g_opener) {
    g_opener->open_address(address);
    return;
  }
  // Only here does the target become a URL: the scheme is known to be one
  // the desktop handles (http, ftp, mailto).
  QDesktopServices::openUrl(QUrl(address, QUrl::TolerantMode));
}

void desktop_open_file(const QString& path) {
  if (g_opener) {
    g_opener->open_file(path);
    return;
  }
  QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

RecordingDesktopOpener::RecordingDesktopOpener() : previous_(set_desktop_opener(this)) {}

RecordingDesktopOpener::~RecordingDesktopOpener() {
  set_desktop_opener(previous_);
}

}  // namespace lexora
