// The lens-name table against an independent one: exiftool's Pentax lens
// table (Image::ExifTool::Pentax, %pentaxLensTypes, keyed "series id").
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <map>
#include <string>

#include "exif/lens_table.h"

namespace {

// exiftool's rows for plain lens codes, as "series id<TAB>name" lines.
constexpr const char* ExiftoolLensTable =
    "perl -MImage::ExifTool::Pentax -e '$t = \\%Image::ExifTool::Pentax::pentaxLensTypes;"
    " print \"$_\\t$$t{$_}\\n\" for grep /^\\d+ \\d+$/, keys %$t'";
constexpr int LineSize = 512;

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

TEST(LensTable, NamesTheLensThatExiftoolNames) {
  std::map<std::string, std::string> exiftool;
  FILE* pipe = popen(ExiftoolLensTable, "r");
  ASSERT_NE(pipe, nullptr);
  for (char line[LineSize]; std::fgets(line, sizeof line, pipe);) {
    const std::string text(line);
    if (const auto tab = text.find('\t'); tab != std::string::npos)
      exiftool[text.substr(0, tab)] = text.substr(tab + 1, text.find('\n') - tab - 1);
  }
  pclose(pipe);
  ASSERT_FALSE(exiftool.empty()) << "cannot read exiftool's Pentax lens table";
  for (const LensNameRow& row : lensNameTable) {
    // A row over several ids names a lens family in the host's language, and
    // the end row no lens at all.
    if (row.idCount != 1) continue;
    const std::string code = std::to_string(row.series) + " " + std::to_string(row.firstId);
    const auto found = exiftool.find(code);
    EXPECT_TRUE(found != exiftool.end() && comparable(row.name) == comparable(found->second))
        << "lens code (" << code << "): \"" << row.name << "\", exiftool: \""
        << (found == exiftool.end() ? "none" : found->second) << "\"";
  }
}

}  // namespace
