// Running one formatter of the shooting information over a written file.
#pragma once

#include <algorithm>
#include <iterator>
#include <optional>
#include <string>

#include "exif/exif_reader.h"
#include "tests/support/tiff_builder.h"

using Formatter = bool (TExifRootPENTAXistD::*)(FieldBuffer&) const;

using Field = std::optional<std::string>;
inline const Field None = std::nullopt;

// Analyses `window` and runs one formatter. The field when it produced one;
// nullopt when it did not, after checking that it left the buffer alone.
inline std::optional<std::string> formatField(ByteView window, Formatter format) {
  TExifRootPENTAXistD record;
  record.analyze(window);
  static const char untouched[] = "previous field";
  FieldBuffer field = {};
  std::copy(std::begin(untouched), std::end(untouched), field);
  if ((record.*format)(field)) return std::string(field);
  if (std::string(field) != untouched) return std::string("buffer written: ") + field;
  return std::nullopt;
}
