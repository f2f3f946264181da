#ifndef TERVOX_TOOLS_TEXTESCAPING_H
#define TERVOX_TOOLS_TEXTESCAPING_H

#include <string>
#include <string_view>

namespace tervox::tools {

// Traces hold whatever bytes their writers passed, so every text the tool prints from one is made
// valid UTF-8 first: each invalid sequence, up to the byte that shows it invalid, becomes one
// U+FFFD, as Unicode recommends and Python's "replace" does.

// Appends `bytes` to `out` as a JSON string: quoted, with quotes, backslashes and control
// characters escaped.
void append_json_string(std::string& out, std::string_view bytes);

// `bytes` fit for a cell of a text, TSV or Markdown table: each control character becomes a space,
// since a tab or a line feed would break the row and an escape sequence would reach the terminal.
std::string printable_text(std::string_view bytes);

}  // namespace tervox::tools

#endif  // TERVOX_TOOLS_TEXTESCAPING_H
