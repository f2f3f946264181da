#ifndef TERVOX_ERROR_TEXTASSEMBLY_H
#define TERVOX_ERROR_TEXTASSEMBLY_H

#include <charconv>
#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>

namespace tervox::detail {

// A code in plain decimal: a leading "-" for negative values, no leading zeros, blanks or
// grouping. Holds its own digits, so it must outlive the views taken of it.
class DecimalText {
 public:
  explicit DecimalText(int value)
      : length_(static_cast<std::size_t>(std::to_chars(digits_, digits_ + sizeof digits_, value).ptr -
                                         digits_)) {}
  DecimalText(const DecimalText&) = delete;
  DecimalText& operator=(const DecimalText&) = delete;

  std::string_view view() const { return {digits_, length_}; }

 private:
  char digits_[12];  // "-2147483648" and room to spare
  std::size_t length_;
};

template <typename Pieces>
std::size_t total_size(const Pieces& pieces) {
  std::size_t size = 0;
  for (std::string_view piece : pieces) size += piece.size();
  return size;
}

template <typename Pieces>
void append_pieces(std::string& out, const Pieces& pieces) {
  for (std::string_view piece : pieces) out.append(piece.data(), piece.size());
}

// Joins the pieces with nothing between them, with one allocation at most.
inline std::string concatenate(std::initializer_list<std::string_view> pieces) {
  std::string out;
  out.reserve(total_size(pieces));
  append_pieces(out, pieces);
  return out;
}

}  // namespace tervox::detail

#endif  // TERVOX_ERROR_TEXTASSEMBLY_H
