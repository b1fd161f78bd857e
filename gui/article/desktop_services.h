// Handing addresses and files to the desktop (its browser, mail program or
// file viewer). The program goes through these calls; tests install a
// DesktopOpener that records them instead, as they do for message boxes.
#ifndef LEXORA_GUI_ARTICLE_DESKTOP_SERVICES_H_
#define LEXORA_GUI_ARTICLE_DESKTOP_SERVICES_H_

#include <QString>
#include <QStringList>

namespace lexora {

class DesktopOpener {
 public:
  virtual ~DesktopOpener() = default;
  // `address` is the link target as the page wrote it ("HTTP://x").
  virtual void open_address(const QString& address) = 0;
  virtual void open_file(const QString& path) = 0;
};

// Installs `opener` (not owned; nullptr restores the desktop's) and returns
// the one it replaces.
DesktopOpener* set_desktop_opener(DesktopOpener* opener);

void desktop_open_address(const QString& address);
void desktop_open_file(const QString& path);

// For tests: records every call; installs itself and restores the previous
// opener on destruction.
class RecordingDesktopOpener : public DesktopOpener {
 public:
  RecordingDesktopOpener();
  ~RecordingDesktopOpener() override;
  RecordingDesktopOpener(const RecordingDesktopOpener&) = delete;
  RecordingDesktopOpener& operator=(const RecordingDesktopOpener&) = delete;

  void open_address(const QString& address) override { addresses << address; }
  void open_file(const QString& path) override { files << path; }

  QStringList addresses;
  QStringList files;

 private:
  DesktopOpener* previous_;
};

}  // namespace lexora

#endif  // LEXORA_GUI_ARTICLE_DESKTOP_SERVICES_H_
