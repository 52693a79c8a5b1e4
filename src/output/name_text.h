#pragma once
// File names are bytes: whatever a file system allows, including bytes that
// are not UTF-8 (memory cards written in a legacy code page), tabs and line
// ends. These are the forms such a name takes where it is written out:
//
// - JSON (the summary): `name`/`path` hold UTF-8 text in which every byte
//   that is not part of a valid UTF-8 sequence is U+FFFD; only when the
//   bytes are not valid UTF-8, `nameBytes`/`pathBytes` hold the exact bytes
//   percent-encoded: every byte outside printable ASCII (0x21 to 0x7E) and
//   every "%" as "%XX" with upper-case hexadecimal digits, every other byte
//   as itself.
// - The Filename column of results rows: every control character becomes
//   one "?", so a name never splits a row or a line.
// - Messages: control characters and bytes that are not valid UTF-8 as
//   "\xNN"; ordinary names are shown unchanged.
#include <string>
#include <string_view>

namespace quilve {

// True when `bytes` is valid UTF-8: no overlong forms, no surrogates
// (U+D800 to U+DFFF), nothing above U+10FFFF, no sequence cut short.
bool isValidUtf8(std::string_view bytes);

// `bytes` as valid UTF-8: each byte that is not part of a valid sequence
// becomes U+FFFD; valid sequences are kept as they are.
std::string utf8Text(std::string_view bytes);

// The exact bytes as percent-encoded ASCII (see above), and back. Decoding
// fails (false) on a "%" not followed by two hexadecimal digits.
std::string percentEncodedBytes(std::string_view bytes);
bool decodePercentBytes(std::string_view text, std::string* bytes);

// A name as the Filename column of a results row shows it: each control
// character (bytes 0x00 to 0x1F and 0x7F; the UTF-8 forms of U+0080 to
// U+009F, U+2028 and U+2029) becomes one "?". Every other byte, also one
// that is not UTF-8, is kept, so an ordinary name is unchanged.
std::string columnText(std::string_view name);

// A path or any message text for a terminal or a log: each byte of a control
// character (as in columnText) and each byte that is not part of valid UTF-8
// as "\xNN" (upper-case hexadecimal); a backslash as "\\" only where it could
// be read as the start of such an escape (before an "x", a backslash or an
// escaped byte). Everything else, blanks and valid UTF-8 included, is kept.
std::string messageText(std::string_view text);

}  // namespace quilve
