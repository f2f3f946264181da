#include "TextEscaping.h"

#include <cstdio>

namespace tervox::tools {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

// The length of the valid UTF-8 sequence at `p`, whose first byte is 0x80 or more; or, when the
// sequence is invalid, minus the number of bytes that one U+FFFD replaces.
int sequence_length(const unsigned char* p, const unsigned char* end) {
  const unsigned char lead = *p;
  int length = 0;
  unsigned char low = 0x80;   // the range of the second byte, narrowed to exclude overlong forms,
  unsigned char high = 0xBF;  // surrogates and code points beyond U+10FFFF
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return -1;
  }
  for (int i = 1; i < length; ++i) {
    if (p + i == end || p[i] < low || p[i] > high) return -i;
    low = 0x80;
    high = 0xBF;
  }
  return length;
}

// Appends `bytes` as valid UTF-8, each ASCII byte through `append_ascii`.
template <typename AppendAscii>
void append_valid_utf8(std::string& out, std::string_view bytes, AppendAscii append_ascii) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const auto* const end = p + bytes.size();
  while (p != end) {
    // Runs of printable ASCII other than a quote or a backslash are the same in every form.
    const auto* run = p;
    while (run != end && *run >= 0x20 && *run < 0x7F && *run != '"' && *run != '\\') ++run;
    out.append(reinterpret_cast<const char*>(p), static_cast<std::size_t>(run - p));
    p = run;
    if (p == end) break;
    if (*p < 0x80) {
      append_ascii(out, static_cast<char>(*p++));
      continue;
    }
    const int length = sequence_length(p, end);
    if (length > 0) {
      out.append(reinterpret_cast<const char*>(p), static_cast<std::size_t>(length));
    } else {
      out += kReplacement;
    }
    p += length > 0 ? length : -length;
  }
}

void append_json_char(std::string& out, char c) {
  switch (c) {
    case '"': out += "\\\""; break;
    case '\\': out += "\\\\"; break;
    case '\n': out += "\\n"; break;
    case '\r': out += "\\r"; break;
    case '\t': out += "\\t"; break;
    default:
      if (static_cast<unsigned char>(c) < 0x20) {
        char escaped[8];
        (void)std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
        out += escaped;
      } else {
        out += c;
      }
  }
}

}  // namespace

void append_json_string(std::string& out, std::string_view bytes) {
  out += '"';
  append_valid_utf8(out, bytes, append_json_char);
  out += '"';
}

std::string printable_text(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  append_valid_utf8(out, bytes, [](std::string& text, char c) {
    text += static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? ' ' : c;
  });
  return out;
}

}  // namespace tervox::tools
