// Pieces of article markup shared by the format readers: escaped text,
// attribute values, word links, colours and the markup for a media file.
//
// The article converter copies every character that is not one of its own
// tags to the page as it stands, so text taken from a source must reach the
// article with '<', '>' and '&' written as entities, or it would be read as
// HTML.
#ifndef LEXORA_IMPORT_MARKUP_PIECES_H_
#define LEXORA_IMPORT_MARKUP_PIECES_H_

#include <string>
#include <string_view>

namespace lexora::import {

// The look every imported article shares, whatever its source format: the
// default text colour, examples, comments, and grammatical labels.
inline constexpr std::string_view kDefaultColour = "green";
inline constexpr std::string_view kExampleColour = "#4a5a8a";
inline constexpr std::string_view kCommentColour = "#707070";
inline constexpr std::string_view kLabelOpen = "<font color=\"green\"><i>";
inline constexpr std::string_view kLabelClose = "</i></font>";

// What a media file is, by the extension after its last dot (case ignored).
enum class MediaKind { kPicture, kSound, kOtherFile };
MediaKind media_kind_of(std::string_view name);

// Appends `text` with '<', '>' and '&' as entities.
void append_escaped(std::string_view text, std::string* out);
// Appends `text` for use inside a double-quoted attribute value (also '"').
void append_html_attribute(std::string_view text, std::string* out);

// A colour for <font color="...">: a name of letters only or "#" and three or
// six hexadecimal digits is kept; anything else gives `fallback`.
std::string_view safe_colour(std::string_view colour, std::string_view fallback);

// The markup for a media file called `name` (as the pack will hold it): an
// inline picture, a sound button, or a link that opens the file.
void append_media_markup(std::string_view name, std::string* out);

// A link to another headword of the dictionary, showing `text` (plain text,
// escaped here).
void append_headword_link(std::string_view target, std::string_view text, std::string* out);

// A link that looks `target` up as a word when clicked, showing `text`
// (already markup). White space in the target (line breaks of a wrapped
// source line) becomes single spaces.
void append_word_link(std::string_view target, std::string_view text, std::string* out);

// Removes leading and trailing blanks (space, tab, CR, LF).
std::string_view trim_blanks(std::string_view text);

// Collapses runs of blanks into one space and trims the ends.
std::string collapse_blanks(std::string_view text);

}  // namespace lexora::import

#endif  // LEXORA_IMPORT_MARKUP_PIECES_H_
