// The lens-name table: the *istD's rows row by row as text ("series firstId
// idCount name"), so that a change names the row it touched; every row
// against exiftool's Pentax lens table.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <map>
#include <set>
#include <string>

#include "exif/lens_table.h"
#include "tests/support/cp932.h"

namespace {

// The rows of the *istD's day, in their order, the end row last.
const char* const istdRows[] = {
    "2 0 255 KAﾚﾝｽﾞ",
    "3 17 1 smc PENTAX-FA SOFT 85mmF2.8",
    "3 18 1 smc PENTAX-F 1.7X AF ADAPTER",
    "3 19 1 smc PENTAX-F 24-50mmF4",
    "3 20 1 smc PENTAX-F 35-80mmF4-5.6",
    "3 21 1 smc PENTAX-F 80-200mmF4.7-5.6",
    "3 22 1 smc PENTAX-F FISH-EYE17-28mmF3.5-4.5",
    "3 23 1 smc PENTAX-F 100-300mmF4.5-5.6",
    "3 24 1 smc PENTAX-F 35-135mmF3.5-4.5",
    "3 25 1 smc PENTAX-F 35-105mmF4-5.6",
    "3 26 1 smc PENTAX-F*250-600mmF5.6ED[IF]",
    "3 27 1 smc PENTAX-F 28-80mmF3.5-4.5",
    "3 28 1 smc PENTAX-F 35-70mmF3.5-4.5",
    "3 29 1 PENTAX-F 28-80mmF3.5-4.5",
    "3 30 1 PENTAX-F 70-200mmF4-5.6",
    "3 31 1 smc PENTAX-F 70-210mmF4-5.6",
    "3 32 1 smc PENTAX-F 50mmF1.4",
    "3 33 1 smc PENTAX-F 50mmF1.7",
    "3 34 1 smc PENTAX-F 135mmF2.8[IF]",
    "3 35 1 smc PENTAX-F 28mmF2.8",
    "3 38 1 smc PENTAX-F*300mmF4.5ED[IF]",
    "3 39 1 smc PENTAX-F*600mmF4ED[IF]",
    "3 40 1 smc PENTAX-F MACRO 100mmF2.8",
    "3 41 1 smc PENTAX-F MACRO 50mmF2.8",
    "3 50 1 smc PENTAX-FA 28-70mmF4AL",
    "3 52 1 smc PENTAX-FA 28-200mmF3.8-5.6AL[IF]",
    "3 53 1 smc PENTAX-FA 28-80mmF3.5-5.6AL",
    "4 1 1 smc PENTAX-FA SOFT 28mmF2.8",
    "4 2 1 smc PENTAX-FA 80-320mmF4.5-5.6",
    "4 3 1 smc PENTAX-FA 43mmF1.9 Limited",
    "4 6 1 smc PENTAX-FA 35-80mmF4-5.6",
    "4 15 1 smc PENTAX-FA 28-105mmF4-5.6[IF]",
    "4 20 1 smc PENTAX-FA 28-80mmF3.5-5.6",
    "4 23 1 smc PENTAX-FA 20-35mmF4AL",
    "4 24 1 smc PENTAX-FA 77mmF1.8 Limited",
    "4 26 1 smc PENTAX-FA MACRO 100mmF3.5",
    "4 28 1 smc PENTAX-FA 35mmF2AL",
    "4 34 1 smc PENTAX-FA 24-90mmF3.5-4.5AL[IF]",
    "4 35 1 smc PENTAX-FA 100-300mmF4.7-5.8",
    "4 38 1 smc PENTAX-FA 28-105mmF3.2-4.5AL[IF]",
    "4 39 1 smc PENTAX-FA 31mmF1.8AL Limited",
    "4 43 1 smc PENTAX-FA 28-90mmF3.5-5.6",
    "4 44 1 smc PENTAX-FA J 75-300mmF4.5-5.8AL",
    "4 46 1 smc PENTAX-FA J 28-80mm F3.5-5.6AL",
    "4 47 1 smc PENTAX-FA J 18-35mmF4-5.6AL",
    "4 253 1 smc PENTAX-DA 14mmF2.8ED[IF]",
    "4 254 1 smc PENTAX-DA 16-45mmF4ED AL",
    "5 1 1 smc PENTAX-FA*24mmF2 AL[IF]",
    "5 2 1 smc PENTAX-FA 28mmF2.8 AL",
    "5 3 1 smc PENTAX-FA 50mmF1.7",
    "5 4 1 smc PENTAX-FA 50mmF1.4",
    "5 5 1 smc PENTAX-FA*600mmF4ED[IF]",
    "5 6 1 smc PENTAX-FA*300mmF4.5ED[IF]",
    "5 7 1 smc PENTAX-FA 135mmF2.8[IF]",
    "5 8 1 smc PENTAX-FA MACRO 50mmF2.8",
    "5 9 1 smc PENTAX-FA MACRO 100mmF2.8",
    "5 10 1 smc PENTAX-FA*85mmF1.4[IF]",
    "5 11 1 smc PENTAX-FA*200mmF2.8ED[IF]",
    "5 12 1 smc PENTAX-FA 28-80mmF3.5-4.7",
    "5 13 1 smc PENTAX-FA 70-200mmF4-5.6",
    "5 14 1 smc PENTAX-FA* 250-600mmF5.6ED[IF]",
    "5 15 1 smc PENTAX-FA 28-105mmF4-5.6",
    "5 16 1 smc PENTAX-FA 100-300mmF4.5-5.6",
    "6 1 1 smc PENTAX-FA*85mmF1.4[IF]",
    "6 2 1 smc PENTAX-FA*200mmF2.8ED[IF]",
    "6 3 1 smc PENTAX-FA*300mmF2.8ED[IF]",
    "6 4 1 smc PENTAX-FA*28-70mmF2.8AL",
    "6 5 1 smc PENTAX-FA*80-200mmF2.8ED[IF]",
    "6 6 1 smc PENTAX-FA*28-70mmF2.8AL",
    "6 7 1 smc PENTAX-FA*80-200mmF2.8ED[IF]",
    "6 8 1 smc PENTAX-FA 28-70mmF4AL",
    "6 9 1 smc PENTAX-FA 20mmF2.8",
    "6 10 1 smc PENTAX-FA*400mmF5.6ED[IF]",
    "6 13 1 smc PENTAX-FA*400mmF5.6ED[IF]",
    "6 14 1 smc PENTAX-FA* MACRO 200mmF4ED[IF]",
    "0 0 0 不明なレンズ",
};

std::string rowText(const LensNameRow& row) {
  char numbers[32];
  std::snprintf(numbers, sizeof numbers, "%d %d %d ", row.series, row.firstId, row.idCount);
  return numbers + cp932ToUtf8(row.name);
}

bool isIstdRow(const std::string& text) {
  return std::ranges::find(istdRows, text) != std::end(istdRows);
}

// Later rows come between them; the end row stays last.
TEST(ExifLensTable, RowsOfTheIstdStandInTheirOrder) {
  std::size_t next = 0;
  for (const LensNameRow& row : lensNameTable)
    if (next < std::size(istdRows) && rowText(row) == istdRows[next]) ++next;
  EXPECT_EQ(next, std::size(istdRows)) << "missing or moved: " << istdRows[next];
  EXPECT_EQ(rowText(lensNameTable[LensNameRows - 1]), istdRows[std::size(istdRows) - 1]);
}

// Each row before the end row covers codes, none covered twice, and its name
// fits the formatter's field.
TEST(ExifLensTable, RowsCoverEachCodeOnce) {
  std::set<int> covered;
  for (std::size_t i = 0; i + 1 < LensNameRows; ++i) {
    const LensNameRow& row = lensNameTable[i];
    EXPECT_GT(row.idCount, 0) << "row " << i;
    EXPECT_LE(std::strlen(row.name), LongestLensName) << "row " << i;
    for (int id = row.firstId; id < row.firstId + row.idCount; ++id)
      EXPECT_TRUE(covered.insert(row.series << 8 | id).second) << "row " << i;
  }
}

// The table against an independent one: exiftool's Pentax lens table
// (Image::ExifTool::Pentax, %pentaxLensTypes, keyed "series id", and
// "series id.n" for further lenses that report the same code), as
// "key<TAB>name" lines.
constexpr const char* ExiftoolLensTable =
    "perl -MImage::ExifTool::Pentax -e '$t = \\%Image::ExifTool::Pentax::pentaxLensTypes;"
    " print \"$_\\t$$t{$_}\\n\" for grep /^\\d+ \\d+(\\.\\d+)?$/, keys %$t'";
constexpr int LineSize = 512;

std::map<std::string, std::string> exiftoolLensTable() {
  std::map<std::string, std::string> exiftool;
  FILE* pipe = popen(ExiftoolLensTable, "r");
  if (pipe == nullptr) return exiftool;
  for (char line[LineSize]; std::fgets(line, sizeof line, pipe);) {
    const std::string text(line);
    if (const auto tab = text.find('\t'); tab != std::string::npos)
      exiftool[text.substr(0, tab)] = text.substr(tab + 1, text.find('\n') - tab - 1);
  }
  pclose(pipe);
  return exiftool;
}

// Without spaces and letter case, and without exiftool's note of other
// makers' lenses that report the same code ("... or Sigma or Tokina Lens").
std::string comparable(std::string name) {
  if (const auto note = name.find(" or "); note != std::string::npos && name.ends_with(" Lens"))
    name.erase(note);
  std::string out;
  for (const char c : name)
    if (c != ' ') out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// The *istD's rows keep the camera maker's spelling; later rows are
// exiftool's names as they stand.
TEST(ExifLensTable, NamesTheLensThatExiftoolNames) {
  const std::map<std::string, std::string> exiftool = exiftoolLensTable();
  ASSERT_FALSE(exiftool.empty()) << "cannot read exiftool's Pentax lens table";
  for (const LensNameRow& row : lensNameTable) {
    // A row over several ids names a lens family in the host's language, and
    // the end row no lens at all.
    if (row.idCount != 1) continue;
    const std::string code = std::to_string(row.series) + " " + std::to_string(row.firstId);
    const auto found = exiftool.find(code);
    const bool same = found != exiftool.end() &&
                      (isIstdRow(rowText(row)) ? comparable(row.name) == comparable(found->second)
                                               : row.name == found->second);
    EXPECT_TRUE(same) << "lens code (" << code << "): \"" << row.name << "\", exiftool: \""
                      << (found == exiftool.end() ? "none" : found->second) << "\"";
  }
}

// Every code that exiftool names for sure is named; a code it gives
// alternatives for ("... or ...", further "series id.n" lenses, "Sigma Lens
// (8 255)") stays unknown unless the *istD already named it.
TEST(ExifLensTable, NamesEveryLensExiftoolIsSureOf) {
  const std::map<std::string, std::string> exiftool = exiftoolLensTable();
  ASSERT_FALSE(exiftool.empty()) << "cannot read exiftool's Pentax lens table";
  for (const auto& [code, name] : exiftool) {
    int series = 0;
    int id = 0;
    if (code.find('.') != std::string::npos || std::sscanf(code.c_str(), "%d %d", &series, &id) != 2)
      continue;
    const bool sure = name.find(" or ") == std::string::npos && !exiftool.contains(code + ".1");
    const LensNameRow* named = nullptr;
    for (std::size_t i = 0; i + 1 < LensNameRows && named == nullptr; ++i) {
      const LensNameRow& row = lensNameTable[i];
      if (row.series == series && id >= row.firstId && id - row.firstId < row.idCount) named = &row;
    }
    if (sure) {
      EXPECT_NE(named, nullptr) << "lens code (" << code << ") unnamed, exiftool: \"" << name << "\"";
    } else if (named != nullptr) {
      EXPECT_TRUE(isIstdRow(rowText(*named))) << "lens code (" << code << ") named \"" << named->name
                                              << "\", exiftool is not sure: \"" << name << "\"";
    }
  }
}

}  // namespace
