// Files packed with a dictionary ("file://" links), written out so that the
// desktop can open them.
//
// They go into a private folder of the user under the temporary location
// ($TMPDIR, else /tmp): "lexora-UID", mode 0700, owned by the user. A folder
// of that name that is a symbolic link, belongs to someone else or is open
// to others is not used; a fresh private folder "lexora-UID-XXXXXX" is made
// instead. Inside it files are created with O_NOFOLLOW | O_EXCL after any old
// file of the name is removed, so a planted link is never followed, and a
// second opening of the same entry replaces the first file.
//
// The file name is the last part of the entry name after "\" or "/", with a
// drive ("C:") dropped: entry names such as "..\..\x", "/etc/x" or "C:\x"
// stay inside the folder. No Qt.
#ifndef LEXORA_GUI_ARTICLE_PACKED_FILE_H_
#define LEXORA_GUI_ARTICLE_PACKED_FILE_H_

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace lexora {

// The name the file of pack entry `entry` gets in the folder: its last part
// after "\" or "/", without a drive and without NUL characters. Nothing when
// no usable name remains (empty, "." or "..").
std::optional<std::u16string> packed_file_name(std::u16string_view entry);

// The private folder, made when missing (see above). Nothing when no such
// folder can be had. `temp_root` empty means the temporary location.
std::optional<std::string> private_media_folder(const std::string& temp_root = {});

// Writes `bytes` as `name` (UTF-8, one path part) into `folder`, replacing
// an older file of that name but never following a link. False on any
// failure (nothing is left behind by a failed write).
bool write_private_file(const std::string& folder, const std::string& name,
                        std::span<const std::uint8_t> bytes);

}  // namespace lexora

#endif  // LEXORA_GUI_ARTICLE_PACKED_FILE_H_
