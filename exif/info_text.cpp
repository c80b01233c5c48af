// The shooting-information text: the eleven fields in their fixed order, one
// line each.
#include "exif/info_text.h"

#include <cstring>
#include <new>

#include "exif/exif_reader.h"
#include "platform/platform.h"

namespace {

using Formatter = bool (TExifRootPENTAXistD::*)(FieldBuffer&) const;

constexpr Formatter fieldOrder[] = {
    &TExifRootPENTAXistD::formatLensName,        &TExifRootPENTAXistD::formatIso,
    &TExifRootPENTAXistD::formatFocalLength,     &TExifRootPENTAXistD::formatExposureTime,
    &TExifRootPENTAXistD::formatFNumber,         &TExifRootPENTAXistD::formatExposureBias,
    &TExifRootPENTAXistD::formatExposureProgram, &TExifRootPENTAXistD::formatMeteringMode,
    &TExifRootPENTAXistD::formatFocusMode,       &TExifRootPENTAXistD::formatWhiteBalance,
    &TExifRootPENTAXistD::formatFlash,
};

// At most 11 lines of 69 characters and a line feed: 770 bytes, so the text
// always fits; the bound is kept all the same.
void appendLine(char (&text)[TextBufferSize], std::size_t* length, const char* field) {
  const std::size_t fieldLength = std::strlen(field);
  if (fieldLength + 2 > TextBufferSize - *length) return;
  std::memcpy(text + *length, field, fieldLength);
  *length += fieldLength;
  text[(*length)++] = '\n';
  text[*length] = '\0';
}

}  // namespace

// The record lives on the heap for the text; where it cannot be had, the
// text stays empty.
void buildInfoText(ByteView image, char (&text)[TextBufferSize]) {
  text[0] = '\0';
  void* memory = platform::heapAlloc(sizeof(TExifRootPENTAXistD));
  if (memory == nullptr) return;
  auto* record = new (memory) TExifRootPENTAXistD;
  record->analyze(image);
  buildInfoText(*record, text);
  record->~TExifRootPENTAXistD();
  platform::heapFree(memory);
}

void buildInfoText(const TExifRootPENTAXistD& record, char (&text)[TextBufferSize]) {
  text[0] = '\0';
  FieldBuffer fieldBuffer;
  std::size_t length = 0;
  for (Formatter format : fieldOrder) {
    if ((record.*format)(fieldBuffer)) appendLine(text, &length, fieldBuffer);
  }
}
