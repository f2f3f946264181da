// The catalogue of error codes: its shape, and every row whose texts hosts quote.

#include <gtest/gtest.h>

#include <cctype>
#include <climits>
#include <map>
#include <string>
#include <string_view>

#include "ErrorCatalogue.h"

namespace {

using tervox::detail::CatalogueRow;
using tervox::detail::ErrorCatalogue;

struct QuotedRow {
  int code;
  const char* short_text;
  const char* long_text;
};

TEST(ErrorCatalogue, HoldsTheQuotedTextsLetterForLetter) {
  const QuotedRow rows[] = {
      {0, "No error", "The program terminated without errors"},
      {100, "Error", "An unrecoverable error was encountered"},
      {200, "Memory error", "There was an unexpected device memory error"},
      {300, "File inconsistency error", "There was an inconsistency in a file"},
      {306, "File not found", "A required file was not found"},
      {316, "File read error", "There was an error reading a file"},
      {318, "Par softdenoise file read error",
       "INCREMENTAL FILE NOT FOUND: Softdenoise file required by the incremental processing is missing"},
      {321, "Input should be geocoded", "Input data should be in a cartographic reference system"},
      {330, "Input file is ground range",
       "The input file is in  ground range, synthetic phase generation is not supported"},
      {506, "No cartographic system or DEM selected",
       "No output DEM or cartographic system was selected"},
      {512, "Wrong buffer size", "The selected buffer size is wrong, try to increase it"},
      {516, "Calibration constant not allowed",
       "The calibration constant is not allowed for this data type"},
      {517, "LAS file not supported",
       "Only LAS files generated with tervox software v5.5.2 or higher are supported"},
      {520, "Wrong point cloud filtering radius selected",
       "Point cloud filtering radius must be in meters and a value greater than zero"},
      {521, "Wrong point cloud registration steps selected",
       "Point cloud registration steps must be a value greater than zero"},
      {522, "Wrong distance multiplier selected",
       "The distance multiplier must be a value greater than zero"},
      {523, "No file imported", "No images were imported. Please check the specified parameters"},
      {701, "Data file not allowed",
       "Data file not allowed, please check that you selected the right data type"},
      {806, "Reference and secondary images are both bistatic",
       "Invalid combination of data type, reference and secondary images are both bistatic"},
      {807, "Secondary files must be coregistered with the same Reference",
       "Invalid combination of data type, Secondary files must be coregistered with the same Reference"},
      {829, "DEM referred to geoid",
       "DEM referred to geoid, use the geoid component tool for removal"},
      {1000, "Installation error", "Something went wrong during the installation phase"},
      {1103, "Missing data record", "The param file is missing the data record"},
      {1105, "Data formatting anomaly", "The param file is missing the data record"},
      {1106, "Data formatting anomaly", "The param file is missing the data record"},
      {1401, "Not enough GCP found", "Not enough GCP found, NULL values discarded"},
      {2001, "No points found", "No points found, coherence threshold should be lowered"},
      {2002, "Too few images", "Too few images remaining after coregistration"},
      {2206, "Connection response corrupt",
       "The connection response was corrupt, server may have changed the API"},
      {2313, "No global minimum found",
       "A global minimum was not found after the maximum number of restarts"},
      {2316, "No BLVS free variable found",
       "No BLVS free variable was found, check the input bounds"},
      {2320, "Wrong DEM cartographic system",
       "Wrong DEM cartographic system selected, only UTM is allowed"},
      {2409, "Reference image not in slant range",
       "The reference image must be SAR and in slant range geometry"},
      {2504, "Input files were not consistent",
       "All input files must be consistent (Same geometry and product level), please check the input list"},
      {2701, "OpenCL platform/device not found",
       "The OpenCL platform/device was not found, the driver might be missing or not working"},
      {2702, "Invalid kernel or program",
       "The kernel or program was invalid for the selected device, unable to build"},
      {2800, "Cluster error", "There was an erorr in the cluster execution"},
      {2801, "Cluster sub-computation failed",
       "The cluster computation of the current sub-area failed"},
      {2802, "Cluster LP filter failed", "The cluster computation of the LP filter failed"},
      {2803, "Cluster HP filter failed", "The cluster computation of the HP filter failed"},
      {2804, "Cluster geocoding computation failed",
       "The cluster computation of the geocoding failed"},
      {2805, "Cluster setup error",
       "There was a cluster setup error (check tervox daemon and cluster preferences)"},
      {2806, "Cluster runtime error",
       "There was a cluster runtime error (check remote process termination status)"},
      {2900, "LUMENfield error", "There was an error in the LUMENfield execution"},
      {2904, "only 4-BANDS MULTISPECTRAL files are supported for input",
       "Only 4-BANDS MULTISPECTRAL files are supported for this input file"},
      {2911, "At least 1 point is mandatory",
       "At least 1 point is mandatory for the selected adjustement"},
      {2912, "At least 3 points are mandatory",
       "At least 3 points are mandatory for the selected adjustement"},
      {2913, "At least 5 points are mandatory",
       "At least 5 points are mandatory for the selected adjustement"},
      {2914, "At least 9 points are mandatory",
       "At least 9 points are mandatory for the selected adjustement"},
      {2923, "Invalid pixel spacing",
       "The output pixel spacing must be greater than the input image and smaller or equal to the the input DSM"},
      {2926, "Only 2.5m SPOT-5 HRG products are supported",
       "Only 2.5m SPOT-5 HRG products are supported"},
      {2927, "SPOT-5 HRS products are not supported", "SPOT-5 HRS products are not supported"},
      {2932, "Tie points extraction failed",
       "Could not identify reliable tie points, manual selection required"},
      {2933, "Tie points position not reliable",
       "The tie points provided are not reliable enough to perform RPC corerction, more accurate ones are needed"},
      {2940, "The point cloud filtering value is too high",
       "The cloud filtering parameters are too aggressive, all points were filtered. Use either a smaller radius or less points in the radius"},
      {2941, "Input files locked",
       "The input files are locked, please close them through the ENVI data manager"},
      {3002, "Configuration error", "There was an OPENSTREETMAP configuration file error"},
      {3004, "NOMINATIM API bad response", "The NOMINATIM API returned a bad response"},
  };
  for (const QuotedRow& row : rows) {
    const CatalogueRow& found = ErrorCatalogue::at(row.code);
    EXPECT_EQ(found.short_text, row.short_text) << row.code;
    EXPECT_EQ(found.long_text, row.long_text) << row.code;
  }
}

TEST(ErrorCatalogue, HasNoRowForAnyOtherCode) {
  for (int code : {-1, -100, INT_MIN, 99, 101, 311, 507, 1101, 2301, 2902, 3005, INT_MAX}) {
    EXPECT_EQ(ErrorCatalogue::find(code), nullptr) << code;
    EXPECT_THROW(ErrorCatalogue::at(code), std::out_of_range) << code;
  }
}

bool is_one_printable_line(std::string_view text) {
  for (char c : text) {
    if (!std::isprint(static_cast<unsigned char>(c))) return false;
  }
  return !text.empty() && text.back() != '.';
}

TEST(ErrorCatalogue, Has252AscendingRowsOfOnePrintableLineEach) {
  ASSERT_EQ(ErrorCatalogue::end() - ErrorCatalogue::begin(), 252);
  int previous = -1;
  for (const CatalogueRow* row = ErrorCatalogue::begin(); row != ErrorCatalogue::end(); ++row) {
    EXPECT_GT(row->code, previous);
    previous = row->code;
    EXPECT_EQ(ErrorCatalogue::find(row->code), row);
    EXPECT_TRUE(is_one_printable_line(row->short_text)) << row->code;
    EXPECT_TRUE(is_one_printable_line(row->long_text)) << row->code;
    EXPECT_GE(row->short_text.size(), 5u) << row->code;
    EXPECT_LE(row->short_text.size(), 60u) << row->code;
    EXPECT_GE(row->long_text.size(), 21u) << row->code;
    EXPECT_LE(row->long_text.size(), 133u) << row->code;
  }
}

TEST(ErrorCatalogue, EveryGroupHasItsHundredAndItsRows) {
  const std::map<int, int> rows_per_group = {
      {0, 1},    {100, 1},   {200, 2},   {300, 30},  {400, 1},   {500, 20},  {600, 1},
      {700, 2},  {800, 30},  {1000, 5},  {1100, 9},  {1200, 2},  {1300, 4},  {1400, 2},
      {1500, 6}, {1600, 5},  {1700, 6},  {1800, 8},  {1900, 1},  {2000, 9},  {2100, 7},
      {2200, 7}, {2300, 18}, {2400, 10}, {2500, 5},  {2600, 3},  {2700, 10}, {2800, 7},
      {2900, 35}, {3000, 5},
  };
  std::map<int, int> counted;
  for (const CatalogueRow* row = ErrorCatalogue::begin(); row != ErrorCatalogue::end(); ++row) {
    ++counted[row->code / 100 * 100];
  }
  EXPECT_EQ(counted, rows_per_group);
  for (const auto& group : rows_per_group) EXPECT_NE(ErrorCatalogue::find(group.first), nullptr);
}

}  // namespace
