// The catalogue of error codes: its shape, and the rows whose texts hosts quote, typing errors and
// odd spacing included.

#include <gtest/gtest.h>

#include <cctype>
#include <climits>
#include <map>
#include <string_view>

#include "ErrorCatalogue.h"

namespace {

using tervox::detail::CatalogueRow;
using tervox::detail::ErrorCatalogue;

TEST(ErrorCatalogue, HoldsTheQuotedTextsLetterForLetter) {
  const CatalogueRow rows[] = {
      {0, "No error", "The program terminated without errors"},
      {100, "Error", "An unrecoverable error was encountered"},
      {330, "Input file is ground range",
       "The input file is in  ground range, synthetic phase generation is not supported"},
      {503, "Insufficent input files", "There are not enough input files"},
      {523, "No file imported", "No images were imported. Please check the specified parameters"},
      {1004, "Geoid parameter not found", "Something went wrong during the installation phase"},
      {1105, "Data formatting anomaly", "The param file is missing the data record"},
      {1106, "Data formatting anomaly", "The param file is missing the data record"},
      {1302, "DEM extracxtion failed", "There was an error in the DEM extraction"},
      {2800, "Cluster error", "There was an erorr in the cluster execution"},
      {2900, "LUMENfield error", "There was an error in the LUMENfield execution"},
      {2904, "only 4-BANDS MULTISPECTRAL files are supported for input",
       "Only 4-BANDS MULTISPECTRAL files are supported for this input file"},
      {2926, "Only 2.5m SPOT-5 HRG products are supported", "Only 2.5m SPOT-5 HRG products are supported"},
      {2933, "Tie points position not reliable",
       "The tie points provided are not reliable enough to perform RPC corerction, more accurate ones are needed"},
      {2940, "The point cloud filtering value is too high",
       "The cloud filtering parameters are too aggressive, all points were filtered. Use either a "
       "smaller radius or less points in the radius"},
      {3004, "NOMINATIM API bad response", "The NOMINATIM API returned a bad response"},
  };
  for (const CatalogueRow& row : rows) {
    const CatalogueRow& found = ErrorCatalogue::at(row.code);
    EXPECT_EQ(found.short_text, row.short_text) << row.code;
    EXPECT_EQ(found.long_text, row.long_text) << row.code;
  }
  for (int code : {-1, INT_MIN, 99, 101, 311, 1101, 2301, 3005, INT_MAX}) {
    EXPECT_EQ(ErrorCatalogue::find(code), nullptr) << code;
    EXPECT_THROW(ErrorCatalogue::at(code), std::out_of_range) << code;
  }
}

bool is_one_printable_line(std::string_view text, std::size_t shortest, std::size_t longest) {
  for (char c : text) {
    if (!std::isprint(static_cast<unsigned char>(c))) return false;
  }
  return text.size() >= shortest && text.size() <= longest && text.back() != '.';
}

TEST(ErrorCatalogue, Has252AscendingRowsInTheirGroupsOfOnePrintableLineEach) {
  const std::map<int, int> rows_per_group = {
      {0, 1},     {100, 1},   {200, 2},   {300, 30},  {400, 1},   {500, 20},  {600, 1},  {700, 2},
      {800, 30},  {1000, 5},  {1100, 9},  {1200, 2},  {1300, 4},  {1400, 2},  {1500, 6}, {1600, 5},
      {1700, 6},  {1800, 8},  {1900, 1},  {2000, 9},  {2100, 7},  {2200, 7},  {2300, 18}, {2400, 10},
      {2500, 5},  {2600, 3},  {2700, 10}, {2800, 7},  {2900, 35}, {3000, 5}};
  std::map<int, int> counted;
  int previous = -1;
  for (const CatalogueRow* row = ErrorCatalogue::begin(); row != ErrorCatalogue::end(); ++row) {
    EXPECT_GT(row->code, previous);
    previous = row->code;
    ++counted[row->code / 100 * 100];
    EXPECT_EQ(ErrorCatalogue::find(row->code), row);
    EXPECT_TRUE(is_one_printable_line(row->short_text, 5, 60)) << row->code;
    EXPECT_TRUE(is_one_printable_line(row->long_text, 21, 133)) << row->code;
  }
  EXPECT_EQ(ErrorCatalogue::end() - ErrorCatalogue::begin(), 252);
  EXPECT_EQ(counted, rows_per_group);
  for (const auto& group : rows_per_group) EXPECT_NE(ErrorCatalogue::find(group.first), nullptr);
}

}  // namespace
