#include "bad_files.h"

#include <algorithm>
#include <stdexcept>

#include "tests/support/bombs.h"
#include "tests/support/dng_bodies.h"
#include "tests/support/located_pef.h"
#include "plugin/plugin_types.h"
#include "tests/support/pef_sample.h"
#include "tests/support/test_jpegs.h"
#include "tests/support/tiff_builder.h"

namespace {

constexpr std::int32_t Ok = Success, Unsupported = UnsupportedFormat, ReadFailed = ReadError;
constexpr std::uint16_t TagIso = TagIsoSpeed;
constexpr std::uint16_t FillerTag = 1;  // a tag no field reads
constexpr std::size_t FileSize = pef_sample::HeaderBlockSize;  // header and preview only
constexpr std::size_t LastByte = FileSize - 1;

// The camera's example file without the full-size JPEG: 65536 bytes.
Bytes cameraFile() {
  static const Bytes camera = [] {
    pef_sample::SampleOptions options;
    options.fullImage.reset();
    return pef_sample::buildSample(options).bytes;
  }();
  return camera;
}

// The camera file with its TIFF directories replaced by `tiff`.
Bytes withTiff(const TiffBuilder& tiff) {
  Bytes file = cameraFile();
  if (tiff.size() > pef_sample::PreviewOffset) throw std::logic_error("header too long");
  std::fill(file.begin(), file.begin() + pef_sample::PreviewOffset, 0);
  std::copy(tiff.bytes().begin(), tiff.bytes().end(), file.begin());
  return file;
}

// The camera file with another JPEG at the preview's place.
Bytes withPreview(const Bytes& jpeg) {
  Bytes file = cameraFile();
  if (jpeg.size() > FileSize - pef_sample::PreviewOffset)
    throw std::logic_error("JPEG of " + std::to_string(jpeg.size()) + " bytes too long");
  std::fill(file.begin() + pef_sample::PreviewOffset, file.end(), 0);
  std::copy(jpeg.begin(), jpeg.end(), file.begin() + pef_sample::PreviewOffset);
  return file;
}

void put32(Bytes& bytes, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes.at(at + i) = static_cast<std::uint8_t>(value >> (24 - 8 * i));
}

// Position of the first marker `code` (0xFF code) in a JPEG.
std::size_t marker(const Bytes& jpeg, std::uint8_t code) {
  for (std::size_t i = 0; i + 1 < jpeg.size(); ++i)
    if (jpeg[i] == 0xFF && jpeg[i + 1] == code) return i;
  throw std::logic_error("marker not found");
}

Bytes patched(Bytes jpeg, std::uint8_t code, std::size_t offset, std::vector<std::uint8_t> bytes) {
  std::copy(bytes.begin(), bytes.end(), jpeg.begin() + static_cast<std::ptrdiff_t>(marker(jpeg, code) + offset));
  return jpeg;
}

// Layouts the generator does not make; the test pattern is busy, so the
// quality is low to keep them inside the preview's place.
constexpr int PatternQuality = 5;
Bytes patternJpeg(Layout layout, bool arithmetic) {
  return encodeJpeg(640, 480, layout, PatternQuality, arithmetic);
}

TiffBuilder exifWith(const std::vector<TiffTag>& exif) { return exifFile(exif); }

std::vector<BadFile> exifRecipes() {
  const BadFileExpectation pictureFine{Ok, 0, Ok, Ok, 1};
  auto lines = [&](int n) {
    BadFileExpectation e = pictureFine;
    e.textLines = n;
    return e;
  };
  std::vector<BadFile> files;

  for (std::uint32_t offset : {0x10000u, 0xFFFFFFF8u, static_cast<std::uint32_t>(LastByte)}) {
    TiffBuilder tiff;
    tiff.setIfd0(offset);
    files.push_back({"ifd0-offset-" + std::to_string(offset), withTiff(tiff), lines(0)});
  }
  {
    TiffBuilder tiff;
    tiff.setIfd0(tiff.directory({{TagExifPointer, longValue(0xFFFFFFFF)}}));
    // The EXIF directory is absent, so only the metering line's own text.
    files.push_back({"exif-pointer-near-4gib", withTiff(tiff), lines(1)});
  }
  // A maker-note pointer whose data would start 6 bytes later: past 4 GiB
  // (wrapping to byte 0) and at the window's last byte. Neither is read.
  for (std::uint32_t pointer : {0xFFFFFFFAu, static_cast<std::uint32_t>(LastByte)}) {
    const TiffBuilder tiff =
        exifWith({{TagIso, shortValue(200)}, {TagMakerNote, longValue(pointer)}});
    files.push_back({"maker-note-pointer-" + std::to_string(pointer), withTiff(tiff), lines(2)});
  }
  {
    TiffBuilder tiff;
    tiff.setIfd0(tiff.directoryDeclaring(0, {}));
    files.push_back({"ifd0-count-0", withTiff(tiff), lines(0)});
  }
  {
    TiffBuilder tiff;
    tiff.setIfd0(tiff.directory({{TagExifPointer, longValue(tiff.directoryDeclaring(0xFFFF, {{TagIso, shortValue(100)}}))}}));
    files.push_back({"exif-count-0xffff", withTiff(tiff), lines(2)});
  }
  {
    // 300 entries: the 300th, ExposureProgram, is read like the first
    // (later bodies write directories longer than 256 entries).
    std::vector<TiffTag> tags{{TagIso, shortValue(100)}};
    tags.resize(299, {FillerTag, shortValue(0)});
    tags.push_back({TagExposureProgram, shortValue(3)});
    files.push_back({"exif-300-entries", withTiff(exifWith(tags)), lines(3)});
  }
  {
    // FocalLength's eight bytes start four bytes before the window's end.
    const std::uint32_t rational = static_cast<std::uint32_t>(FileSize - 4);
    Bytes file = withTiff(exifWith({{TagFocalLength, longValue(rational)}}));
    put32(file, rational, 500);
    files.push_back({"rational-straddles-window-end", file, lines(1)});
  }
  {
    // IFD0 is its own EXIF directory, and its maker note leads back to it.
    TiffBuilder tiff;
    tiff.setIfd0(8);
    tiff.directory({{TagExifPointer, longValue(8)}, {TagMakerNote, longValue(2)}});
    files.push_back({"self-referencing-directories", withTiff(tiff), lines(1)});
  }
  {
    // The EXIF directory starts inside IFD0's first entry.
    TiffBuilder tiff;
    tiff.setIfd0(8);
    tiff.directory({{TagExifPointer, longValue(10)}, {TagIso, shortValue(400)}});
    files.push_back({"overlapping-directories", withTiff(tiff), lines(AnyLines)});
  }
  {
    Bytes file = cameraFile();
    const std::uint8_t little[] = {'I', 'I', 42, 0, 8, 0, 0, 0};
    std::copy(std::begin(little), std::end(little), file.begin());
    files.push_back({"little-endian-header", file, {Ok, 0, Ok, Ok, 0}});
  }
  return files;
}

std::vector<BadFile> truncatedRecipes() {
  const Bytes camera = cameraFile();
  const struct {
    std::size_t length;
    BadFileExpectation expected;
  } cuts[] = {
      {0, {Ok, 0, ReadFailed, ReadFailed, 0}},
      {1, {Ok, 0, ReadFailed, ReadFailed, 0}},
      {8, {Ok, 0, ReadFailed, ReadFailed, 0}},
      {30, {Ok, 0, ReadFailed, ReadFailed, 0}},        // inside IFD0's entries
      {150, {Ok, AnyLines, ReadFailed, ReadFailed, 0}},  // inside the EXIF directory
      {400, {Ok, AnyLines, ReadFailed, ReadFailed, 0}},  // inside the maker note
      {8640, {Ok, 11, ReadFailed, ReadFailed, 0}},
      {8656, {Ok, 11, ReadFailed, ReadFailed, 0}},
      {8657, {Ok, 11, Unsupported, Unsupported, 0}},  // a 17-byte region: no frame header
      {9000, {Ok, 11, Unsupported, Unsupported, 1}},  // frame header, but no tables or scan
      {20000, {Ok, 11, Ok, Ok, 1}},                   // libjpeg completes the picture
  };
  std::vector<BadFile> files;
  for (const auto& cut : cuts)
    files.push_back({"truncated-" + std::to_string(cut.length),
                     Bytes(camera.begin(), camera.begin() + static_cast<std::ptrdiff_t>(cut.length)),
                     cut.expected});
  return files;
}

std::vector<BadFile> jpegRecipes() {
  const Bytes plain = sceneJpeg(640, 480);
  const BadFileExpectation rejected{Ok, 11, Unsupported, Unsupported, 0};
  const BadFileExpectation refused{Ok, 11, Unsupported, Unsupported, 1};  // probed, then refused
  const BadFileExpectation shown{Ok, 11, Ok, Ok, 1};
  auto sized = [&](int height, int width) {
    return patched(plain, 0xC0, 5,
                   {static_cast<std::uint8_t>(height >> 8), static_cast<std::uint8_t>(height),
                    static_cast<std::uint8_t>(width >> 8), static_cast<std::uint8_t>(width)});
  };
  const Bytes arithmetic = patternJpeg(Layout::H2V1, true);
  Bytes corruptHuffman = plain;
  std::fill_n(corruptHuffman.begin() + static_cast<std::ptrdiff_t>(marker(plain, 0xC4) + 5), 16, 0xFF);
  Bytes soiOnly(2000, 0);
  soiOnly[0] = 0xFF, soiOnly[1] = 0xD8;

  return {
      {"progressive", withPreview(sceneJpeg(640, 480, false, true)), rejected},
      {"arithmetic-coded", withPreview(arithmetic), rejected},
      {"arithmetic-coded-marked-baseline", withPreview(patched(arithmetic, 0xC9, 1, {0xC0})),
       {Ok, 11, AnyResult, AnyResult, 1}},
      {"precision-12", withPreview(patched(plain, 0xC0, 4, {12})), refused},
      {"cmyk-4-components", withPreview(patternJpeg(Layout::Cmyk, false)), refused},
      {"corrupt-huffman-table", withPreview(corruptHuffman), refused},
      {"frame-4096x4096", withPreview(sized(4096, 4096)), shown},
      {"frame-640x480-exactly", withPreview(sized(480, 640)), shown},
      {"frame-4097-wide", withPreview(sized(480, 4097)), rejected},
      {"frame-4097-high", withPreview(sized(4097, 640)), rejected},
      {"frame-639-wide", withPreview(sized(480, 639)), rejected},
      {"frame-479-high", withPreview(sized(479, 640)), rejected},
      {"frame-length-0xffff", withPreview(patched(plain, 0xC0, 2, {0xFF, 0xFF})),
       {Ok, 11, AnyResult, AnyResult, 1}},
      {"probed-frame-larger-than-decoded", withPreview(withDecoyFrame(plain, 700, 500)), shown},
      {"probed-frame-smaller-than-decoded",
       withPreview(withDecoyFrame(sceneJpeg(660, 500), 640, 480)), shown},
      {"greyscale", withPreview(sceneJpeg(640, 480, true)), shown},
      // A baseline header for the probe in front of a progressive frame that
      // says 16000 x 16000: its whole-image buffer would take 732 MiB.
      {"huge-progressive-behind-decoy",
       withPreview(withDecoyFrame(patched(sceneJpeg(640, 480, false, true), 0xC2, 5, {0x3E, 0x80, 0x3E, 0x80}),
                                  640, 480)),
       refused},
      {"no-start-of-image", withPreview(patched(plain, 0xD8, 0, {0, 0})), rejected},
      {"start-of-image-only", withPreview(soiOnly), rejected},
  };
}

// Decompression bombs at the preview's place: refused, whether by the scan
// limit, by a scan that codes nothing new or by the whole-image buffer a
// frame of the decoy's size could need; and the files at the scan limit,
// decoded.
std::vector<BadFile> bombRecipes() {
  std::vector<BadFile> files;
  for (const bombs::Bomb& bomb : bombs::all(FileSize - pef_sample::PreviewOffset)) {
    const std::int32_t picture = bomb.accepted ? Ok : Unsupported;
    // A decoded progressive colour frame holds its pixel block (3 bytes a
    // pixel, rows padded to 4 bytes) and, while its scans are read, every
    // coefficient of its three components (2 bytes each, 64 a block of 8 x 8
    // pixels): 144 MiB for 4096 x 4096.
    const std::uint64_t blocks = (bomb.probedWidth + 7u) / 8 * ((bomb.probedHeight + 7u) / 8);
    const std::uint64_t bytes = (std::uint64_t{bomb.probedWidth} * 3 + 3) / 4 * 4 * bomb.probedHeight +
                                blocks * 3 * 64 * 2;
    const auto needsMiB = static_cast<std::uint32_t>(bomb.accepted ? (bytes + (1 << 20) - 1) >> 20 : 0);
    files.push_back({bomb.name, withPreview(bomb.jpeg), {Ok, 11, picture, picture, 1, needsMiB}});
  }
  return files;
}

// Files of another PENTAX body: nothing at the fixed preview offset, the
// preview JPEG found through a "PENTAX \0" maker note in "II" order. Each
// breaks the structure one way; the walk must end, and take only what
// holds. The text has three lines: the lens, no metering mode, the focus
// mode.
std::vector<BadFile> structureRecipes() {
  auto build = [](auto change) {
    located_pef::Plan plan;
    plan.pentaxNote = true;
    plan.intel = true;
    plan.preview = encodeJpeg(640, 480, Layout::H2V2);
    plan.borders = {{26, 26, 0, 0}};
    plan.fullSize = encodeJpeg(640, 480, Layout::H1V1);
    plan.previewAt = 20000;
    located_pef::File file = located_pef::build(plan);
    change(file);
    return file.bytes;
  };
  const BadFileExpectation opens{Ok, 3, Ok, Ok, 1}, refused{Ok, 3, Unsupported, Unsupported, 0};
  std::vector<BadFile> files;
  files.push_back({"structure-sound", build([](located_pef::File&) {}), opens});
  files.push_back({"structure-ifd-chain-loops",
                   build([](located_pef::File& f) { located_pef::put32(f.bytes, f.ifd1Link, f.ifd0); }), opens});
  // A JPEG the file is too short for.
  files.push_back({"structure-offsets-past-end", build([](located_pef::File& f) {
                     located_pef::put32(f.bytes, f.previewLength + 12, 0x7FFFFF00, true);
                     located_pef::put32(f.bytes, f.fullSizeLength - 12, 0xFFFFFFFF);
                   }), {Ok, 3, ReadFailed, ReadFailed, 0}});
  // The JPEG is read as far as the file goes.
  files.push_back({"structure-lengths-past-end", build([](located_pef::File& f) {
                     located_pef::put32(f.bytes, f.previewLength, 0xFFFFFFFF, true);
                   }), opens});
  files.push_back({"structure-zero-lengths", build([](located_pef::File& f) {
                     located_pef::put32(f.bytes, f.previewLength, 0, true);
                     located_pef::put32(f.bytes, f.fullSizeLength, 0);
                   }), refused});
  // The borders are checked when the picture is cut, not by IsSupported.
  files.push_back({"structure-borders-eat-frame", build([](located_pef::File& f) {
                     f.bytes[f.previewLength + 2 * 12 + 12] = 240;
                     f.bytes[f.previewLength + 2 * 12 + 13] = 240;
                   }), {Ok, 3, Unsupported, Unsupported, 1}});
  // Cut inside the note's first entry: too short for the fixed preview
  // region too; only the EXIF directory's "no metering mode" line is left.
  files.push_back({"structure-maker-note-cut-short",
                   build([](located_pef::File& f) { f.bytes.resize(f.note + 20); }),
                   {Ok, 1, ReadFailed, ReadFailed, 0}});
  files.push_back({"structure-non-pentax-model-with-ifd2",
                   build([](located_pef::File& f) { f.bytes[f.model] = 'N'; }), refused});
  return files;
}

// A little-endian DNG's 16- and 32-bit values.
std::uint32_t le(const Bytes& bytes, std::size_t at, int size = 4) {
  std::uint32_t value = 0;
  for (int i = size - 1; i >= 0; --i) value = value << 8 | bytes.at(at + i);
  return value;
}
void putLe32(Bytes& bytes, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes.at(at + i) = static_cast<std::uint8_t>(value >> (8 * i));
}

// The entry of `tag` in the little-endian directory at `directory`.
std::size_t entryOf(const Bytes& bytes, std::size_t directory, std::uint16_t tag) {
  for (std::uint32_t i = 0, n = le(bytes, directory, 2); i < n; ++i)
    if (le(bytes, directory + 2 + 12 * i, 2) == tag) return directory + 2 + 12 * i;
  throw std::logic_error("no tag " + std::to_string(tag));
}

// A PENTAX DNG whose only JPEG preview is its 1300-wide full-size picture,
// shown at 1/2 as the preview. Each recipe breaks it one way, through the
// positions of IFD0 and the preview's SubIFD (the second, behind the raw
// image's). Its text has the camera's eleven lines, nine without the note.
std::vector<BadFile> dngRecipes() {
  struct Dng {
    Bytes bytes;
    std::size_t ifd0, list, preview;
  };
  auto build = [](auto change) {
    const pef_sample::DngLayout body{"corpus", "PENTAX", "PENTAX K-5", "K-5", {{7, 0, 0, 0}}, {{1300, 16, 80}}};
    Dng dng{pef_sample::buildDngSample(body).bytes, 0, 0, 0};
    dng.ifd0 = le(dng.bytes, 4);
    dng.list = le(dng.bytes, entryOf(dng.bytes, dng.ifd0, TagSubIfds) + 8);
    dng.preview = le(dng.bytes, dng.list + 4);
    change(dng);
    return dng.bytes;
  };
  auto strip = [](Dng& d, std::uint16_t tag, std::uint32_t value) {
    putLe32(d.bytes, entryOf(d.bytes, d.preview, tag) + 8, value);
  };
  const BadFileExpectation opens{Ok, 11, Ok, Ok, 1}, none{Ok, 11, Unsupported, Unsupported, 0};
  std::vector<BadFile> files;
  files.push_back({"dng-sound", build([](Dng&) {}), opens});
  // The first four SubIFDs are read, whatever the count says.
  files.push_back({"dng-subifd-count-huge", build([](Dng& d) {
                     putLe32(d.bytes, entryOf(d.bytes, d.ifd0, TagSubIfds) + 4, 0xFFFFFFFF);
                   }), opens});
  files.push_back({"dng-subifds-are-ifd0", build([](Dng& d) {
                     putLe32(d.bytes, d.list, static_cast<std::uint32_t>(d.ifd0));
                     putLe32(d.bytes, d.list + 4, static_cast<std::uint32_t>(d.ifd0));
                   }), none});
  files.push_back({"dng-subifd-list-near-4gib", build([](Dng& d) {
                     putLe32(d.bytes, entryOf(d.bytes, d.ifd0, TagSubIfds) + 8, 0xFFFFFFF4);
                   }), none});
  files.push_back({"dng-subifd-near-4gib", build([](Dng& d) { putLe32(d.bytes, d.list + 4, 0xFFFFFFFE); }), none});
  // A strip the file is too short for, or one wrapping past 4 GiB.
  files.push_back({"dng-strip-past-end", build([&](Dng& d) { strip(d, TagStripOffsets, 0x7FFFFF00); }),
                   {Ok, 11, ReadFailed, ReadFailed, 0}});
  files.push_back({"dng-strip-wraps", build([&](Dng& d) {
                     strip(d, TagStripOffsets, 0xFFFFFF00);
                     strip(d, TagStripByteCounts, 0x1000);
                   }), {Ok, 11, ReadFailed, ReadFailed, 0}});
  files.push_back({"dng-strip-length-huge", build([&](Dng& d) { strip(d, TagStripByteCounts, 0xFFFFFFFF); }), opens});
  files.push_back({"dng-strip-zero-length", build([&](Dng& d) { strip(d, TagStripByteCounts, 0); }), none});
  // Two strips are no JPEG preview.
  files.push_back({"dng-two-strips", build([](Dng& d) {
                     putLe32(d.bytes, entryOf(d.bytes, d.preview, TagStripOffsets) + 4, 2);
                   }), none});
  files.push_back({"dng-private-data-near-4gib", build([](Dng& d) {
                     putLe32(d.bytes, entryOf(d.bytes, d.ifd0, TagDngPrivateData) + 8, 0xFFFFFFF8);
                   }), {Ok, 9, Ok, Ok, 1}});
  // Without DNGVersion the file is a little-endian PENTAX TIFF of no layout.
  files.push_back({"dng-without-dngversion", build([](Dng& d) {
                     d.bytes.at(entryOf(d.bytes, d.ifd0, TagDngVersion)) = 0x11;
                   }), {Ok, 11, Unsupported, Unsupported, 0}});
  files.push_back({"dng-cut-in-the-jpeg", build([](Dng& d) {
                     d.bytes.resize(le(d.bytes, entryOf(d.bytes, d.preview, TagStripOffsets) + 8) + 2000);
                   }), {Ok, 11, AnyResult, AnyResult, 1}});
  return files;
}

}  // namespace

std::vector<BadFile> badFileCorpus() {
  std::vector<BadFile> corpus = exifRecipes();
  for (auto group : {truncatedRecipes(), jpegRecipes(), bombRecipes(), structureRecipes(), dngRecipes()})
    corpus.insert(corpus.end(), group.begin(), group.end());
  return corpus;
}
