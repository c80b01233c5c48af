// The crafted bad-file corpus: recipes, not binaries. Each recipe builds a
// damaged or hostile *istD raw file from a generated sample and says what
// each export must answer for it, read with FULLSIZE=0 (the picture is the
// preview, so every file stays small). The same corpus runs natively and,
// written out with a manifest, through the real DLL under Wine.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Where the corpus accepts whatever failure or success the decoder makes of
// the data, as long as it is one of the plug-in's results.
constexpr std::int32_t AnyResult = -1000;
constexpr int AnyLines = -1;

struct BadFileExpectation {
  std::int32_t info;       // GetPictureInfo result
  int textLines;           // lines of the information text, or AnyLines
  std::int32_t picture;    // GetPicture result
  std::int32_t preview;    // GetPreview result
  std::int32_t supported;  // IsSupported on a handle at the file's start
  // The heap a picture call needs for the file, where it is more than any
  // process has to spare: a 32-bit process under an emulator may not get it.
  std::uint32_t needsMiB = 0;
};

struct BadFile {
  std::string name;
  std::vector<std::uint8_t> bytes;
  BadFileExpectation expected;
};

std::vector<BadFile> badFileCorpus();
