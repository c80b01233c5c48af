// make_sample: writes one synthetic PENTAX raw file, the *istD's by default.
// See Usage for flags.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <variant>

#include "tests/support/dng_bodies.h"
#include "tests/support/pef_bodies.h"
#include "tests/support/pef_sample.h"

namespace {

using namespace pef_sample;

const char* const Usage =
    "usage: make_sample [options] OUTPUT\n"
    "  --values camera|none  start from the camera's example values (default) or none\n"
    "  --iso N  --focal N/D  --focal35 N  --exposure N/D  --fnumber N/D  --bias N/D\n"
    "  --program N  --metering N  --white-balance N  --flash N  --focus N  --lens S,I\n"
    "  --orientation N       set one value (EXIF; maker note for focus and lens; IFD0 for\n"
    "                        orientation, 1 unless set)\n"
    "  --unset NAME          drop one value; NAME is a flag above without dashes\n"
    "  --no-exif             IFD0 without the EXIF directory pointer\n"
    "  --no-maker-note       EXIF directory without the maker note\n"
    "  --preview SHAPE       preview JPEG, SHAPE = WxH[,qN][,grey][,progressive]\n"
    "                        (default 640x480,q80)\n"
    "  --full SHAPE          full-size JPEG (default 3008x2008,q95)\n"
    "  --no-full             header and preview only, 65536 bytes\n"
    "  --length N            cut the sample to N bytes, or pad it with zeros\n"
    "  --prefix N            write N filler bytes before the sample\n"
    "  --body NAME           a body's own layout, found through its directories:\n"
    "                        istd-directories, istd-moved, k10d, k5, k3, k1, 645z,\n"
    "                        k3-far, k5-preview-8640, k5-thumbnail-8640, k10d-full-8640,\n"
    "                        k10d-app1-preview, k10d-app5-frame, k10d-short-borders,\n"
    "                        k30-mm-mark; as in-camera DNGs: k10d-dng, k5-dng,\n"
    "                        k3iii-dng, k1-dng, 645z-dng, other-dng (another maker's)\n"
    "                        (the value flags apply, the layout flags above do not)\n"
    "  --print               print the file's size and the JPEGs' sizes\n";

[[noreturn]] void fail(const std::string& message) { throw std::runtime_error(message); }

long long parseInteger(const std::string& text, long long min, long long max) {
  char* end = nullptr;
  errno = 0;
  const long long v = std::strtoll(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || errno != 0 || v < min || v > max) fail("bad number: " + text);
  return v;
}

// "A<sep>B" as two integers in [min, max].
std::pair<long long, long long> parsePair(const std::string& text, char sep, long long min, long long max) {
  const auto at = text.find(sep);
  if (at == std::string::npos) fail("expected A" + std::string(1, sep) + "B: " + text);
  return {parseInteger(text.substr(0, at), min, max), parseInteger(text.substr(at + 1), min, max)};
}

using ShortField = std::optional<std::uint16_t> ShotValues::*;
using RationalField = std::optional<Rational> ShotValues::*;
using SRationalField = std::optional<SRational> ShotValues::*;
using LensField = std::optional<LensCode> ShotValues::*;
using Field = std::variant<ShortField, RationalField, SRationalField, LensField>;

struct ValueFlag {
  const char* name;
  Field field;
};

constexpr ValueFlag ValueFlags[] = {
    {"orientation", &ShotValues::orientation},
    {"iso", &ShotValues::iso},
    {"focal", &ShotValues::focalLength},
    {"focal35", &ShotValues::focalLength35mm},
    {"exposure", &ShotValues::exposureTime},
    {"fnumber", &ShotValues::fNumber},
    {"bias", &ShotValues::exposureBias},
    {"program", &ShotValues::exposureProgram},
    {"metering", &ShotValues::meteringMode},
    {"white-balance", &ShotValues::whiteBalance},
    {"flash", &ShotValues::flash},
    {"focus", &ShotValues::focusMode},
    {"lens", &ShotValues::lens},
};

const ValueFlag* findValueFlag(const std::string& name) {
  for (const ValueFlag& f : ValueFlags)
    if (name == f.name) return &f;
  return nullptr;
}

void setValue(ShotValues& v, const Field& field, const std::string& text) {
  constexpr long long U32 = 0xFFFFFFFFll, S32 = 0x7FFFFFFFll;
  if (auto f = std::get_if<ShortField>(&field)) {
    v.*(*f) = static_cast<std::uint16_t>(parseInteger(text, 0, 0xFFFF));
  } else if (auto f = std::get_if<RationalField>(&field)) {
    const auto [n, d] = parsePair(text, '/', 0, U32);
    v.*(*f) = Rational{static_cast<std::uint32_t>(n), static_cast<std::uint32_t>(d)};
  } else if (auto f = std::get_if<SRationalField>(&field)) {
    const auto [n, d] = parsePair(text, '/', -S32 - 1, S32);
    v.*(*f) = SRational{static_cast<std::int32_t>(n), static_cast<std::int32_t>(d)};
  } else {
    const auto [series, id] = parsePair(text, ',', 0, 255);
    v.*std::get<LensField>(field) = LensCode{static_cast<std::uint8_t>(series), static_cast<std::uint8_t>(id)};
  }
}

void unsetValue(ShotValues& v, const Field& field) {
  std::visit([&](auto member) { (v.*member).reset(); }, field);
}

// WxH[,qN][,grey][,progressive]; what the shape leaves out comes from `o`.
JpegOptions parseJpegShape(const std::string& shape, JpegOptions o) {
  std::size_t start = 0;
  for (bool first = true; start <= shape.size(); first = false) {
    const std::size_t end = std::min(shape.find(',', start), shape.size());
    const std::string part = shape.substr(start, end - start);
    start = end + 1;
    if (first) {
      const auto [w, h] = parsePair(part, 'x', 1, 65500);
      o.width = static_cast<int>(w), o.height = static_cast<int>(h);
    } else if (part.size() > 1 && part[0] == 'q') {
      o.quality = static_cast<int>(parseInteger(part.substr(1), 1, 100));
    } else if (part == "grey") {
      o.greyscale = true;
    } else if (part == "progressive") {
      o.progressive = true;
    } else {
      fail("bad JPEG shape: " + shape);
    }
  }
  return o;
}

const std::string LayoutFlags = " --no-exif --no-maker-note --preview --full --no-full --length --prefix ";

struct Command {
  SampleOptions options;
  const BodyLayout* body = nullptr;
  const DngLayout* dng = nullptr;
  bool layoutFlag = false;
  std::string output;
  bool print = false;
};

Command parseCommand(int argc, char** argv) {
  Command c;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto next = [&]() -> std::string {
      if (i + 1 >= argc) fail(arg + " needs a value");
      return argv[++i];
    };
    const ValueFlag* value = arg.starts_with("--") ? findValueFlag(arg.substr(2)) : nullptr;
    c.layoutFlag = c.layoutFlag || LayoutFlags.find(" " + arg + " ") != std::string::npos;
    if (value) {
      setValue(c.options.values, value->field, next());
    } else if (arg == "--unset") {
      const std::string name = next();
      const ValueFlag* f = findValueFlag(name);
      if (!f) fail("no such value: " + name);
      unsetValue(c.options.values, f->field);
    } else if (arg == "--values") {
      const std::string preset = next();
      if (preset != "camera" && preset != "none") fail("no such value preset: " + preset);
      c.options.values = preset == "camera" ? cameraValues() : ShotValues{};
    } else if (arg == "--body") {
      const std::string name = next();
      c.body = findBody(name);
      c.dng = findDng(name);
      if (!c.body && !c.dng) fail("no such body: " + name);
    } else if (arg == "--no-exif") {
      c.options.withExif = false;
    } else if (arg == "--no-maker-note") {
      c.options.withMakerNote = false;
    } else if (arg == "--preview") {
      c.options.preview = parseJpegShape(next(), cameraPreview());
    } else if (arg == "--full") {
      c.options.fullImage = parseJpegShape(next(), cameraFullImage());
    } else if (arg == "--no-full") {
      c.options.fullImage.reset();
    } else if (arg == "--length") {
      c.options.length = static_cast<std::size_t>(parseInteger(next(), 0, 1ll << 40));
    } else if (arg == "--prefix") {
      c.options.prefix = static_cast<std::size_t>(parseInteger(next(), 0, 1ll << 40));
    } else if (arg == "--print") {
      c.print = true;
    } else if (arg.starts_with("-") || !c.output.empty()) {
      fail("unexpected argument: " + arg);
    } else {
      c.output = arg;
    }
  }
  if (c.output.empty()) fail("no output file");
  if ((c.body || c.dng) && c.layoutFlag) fail("--body takes no layout flag");
  return c;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    const Command c = parseCommand(argc, argv);
    Sample s;
    if (c.body || c.dng) {
      s = c.body ? buildBodySample(*c.body, c.options.values) : buildDngSample(*c.dng, c.options.values);
      writeBytes(c.output, s.bytes);
    } else {
      s = writeSample(c.output, c.options);
    }
    if (c.print)
      std::printf("%s: %zu bytes, preview JPEG %zu bytes, full-size JPEG %zu bytes\n", c.output.c_str(),
                  s.bytes.size(), s.previewSize, s.fullSize);
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "make_sample: %s\n%s", e.what(), Usage);
    return 2;
  }
}
