// Every export's success path with the Nth allocation, the Nth file
// operation or the Nth block lock made to fail, for N = 1, 2, ... until the call gets through:
// each failure must end in a failure result (or, for the analysis record,
// the documented fallback of an empty text), with nothing written through
// the handle arguments, no block left allocated and no file left open.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <functional>
#include <string>

#include "platform/posix_testing.h"
#include "plugin/exports.h"
#include "plugin/settings.h"
#include "tests/support/test_files.h"
#include "tests/support/test_jpegs.h"
#include "tests/support/located_pef.h"
#include "tests/support/pef_sample.h"

namespace {

using platform::BlockHandle;
namespace fault = platform::testing;

constexpr std::size_t WalkLimit = 64;  // far more steps than any export takes
constexpr BlockHandle Untouched = 0x5A5A;

enum class Fault { Allocation, FileOperation, Lock };

void arm(Fault kind, std::size_t n) {
  fault::failAllocationAt(kind == Fault::Allocation ? n : 0);
  fault::failFileOperationAt(kind == Fault::FileOperation ? n : 0);
  fault::failLockAt(kind == Fault::Lock ? n : 0);
}

struct Outcome {
  std::int32_t result;
  BlockHandle first;   // header block, or the text block of GetPictureInfo
  BlockHandle second;  // pixel block
};

void release(const Outcome& outcome, bool textBlock) {
  if (textBlock) {
    if (outcome.first != platform::NoBlock) platform::localFree(outcome.first);
    return;
  }
  platform::globalFree(outcome.first);
  platform::globalFree(outcome.second);
}

// Walks the faults over `call`; returns how many steps failed before success.
std::size_t walkFaults(Fault kind, bool textBlock, const std::function<Outcome()>& call) {
  for (std::size_t n = 1; n <= WalkLimit; ++n) {
    SCOPED_TRACE("failing operation " + std::to_string(n));
    arm(kind, n);
    const Outcome outcome = call();
    const bool fired = fault::injectedFailureFired();
    arm(kind, 0);
    EXPECT_EQ(fault::openFiles(), 0u);
    if (outcome.result == Success) {
      release(outcome, textBlock);
      EXPECT_EQ(fault::liveBlocks(), 0u);
      if (!fired) return n - 1;
      EXPECT_NE(kind, Fault::Lock) << "nothing stands in for a block that does not lock";
      continue;  // a fallback: the call succeeded without what failed
    }
    EXPECT_NE(outcome.result, UnsupportedFormat) << "a fault is not a format";
    EXPECT_EQ(outcome.first, Untouched);
    EXPECT_EQ(outcome.second, Untouched);
    EXPECT_EQ(fault::liveBlocks(), 0u);
  }
  ADD_FAILURE() << "never succeeded";
  return WalkLimit;
}

class FaultInjection : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    directory_ = new TempDir;
    sample_ = new pef_sample::Sample(
        pef_sample::writeSample(directory_->file("camera.pef"), pef_sample::SampleOptions{}));
  }
  static void TearDownTestSuite() {
    delete sample_;
    delete directory_;
  }
  void SetUp() override { std::memcpy(saved_, settingsPath, sizeof saved_); }
  void TearDown() override { std::memcpy(settingsPath, saved_, sizeof saved_); }

  void setFullSize(bool on) {
    const std::string path =
        directory_->writeText(on ? "full.ini" : "preview.ini",
                              std::string("[SETTING]\nFULLSIZE=") + (on ? "1" : "0") + "\n");
    std::strcpy(settingsPath, path.c_str());
  }
  std::string file() const { return directory_->file("camera.pef"); }
  const char* image() const { return reinterpret_cast<const char*>(sample_->bytes.data()); }
  std::int32_t imageSize() const { return static_cast<std::int32_t>(sample_->bytes.size()); }

  static Outcome info(const char* source, std::int32_t offsetOrSize, std::uint32_t flags) {
    PictureInfo record;
    std::memset(&record, 0, sizeof record);
    record.infoText = Untouched;
    const std::int32_t result = GetPictureInfo(source, offsetOrSize, flags, &record);
    return {result, record.infoText, result == Success ? platform::NoBlock : Untouched};
  }

  template <typename Export>
  static Outcome picture(Export exported, const char* source, std::int32_t offsetOrSize,
                         std::uint32_t flags) {
    BlockHandle header = Untouched, pixels = Untouched;
    const std::int32_t result = exported(source, offsetOrSize, flags, &header, &pixels, nullptr, 0);
    return {result, header, pixels};
  }

  static TempDir* directory_;
  static pef_sample::Sample* sample_;
  char saved_[platform::MaxPath];
};

TempDir* FaultInjection::directory_ = nullptr;
pef_sample::Sample* FaultInjection::sample_ = nullptr;

TEST_F(FaultInjection, PictureInfo) {
  setFullSize(true);
  for (Fault kind : {Fault::Allocation, Fault::FileOperation, Fault::Lock}) {
    EXPECT_GT(walkFaults(kind, true, [&] { return info(file().c_str(), 0, SourceFile); }), 0u);
  }
  for (Fault kind : {Fault::Allocation, Fault::Lock}) {
    EXPECT_GT(walkFaults(kind, true, [&] { return info(image(), imageSize(), SourceMemory); }), 0u);
  }
}

TEST_F(FaultInjection, PictureAndPreview) {
  for (bool fullSize : {true, false}) {
    setFullSize(fullSize);
    for (Fault kind : {Fault::Allocation, Fault::FileOperation, Fault::Lock}) {
      EXPECT_GT(walkFaults(kind, false, [&] { return picture(GetPicture, file().c_str(), 0, SourceFile); }), 0u);
      EXPECT_GT(walkFaults(kind, false, [&] { return picture(GetPreview, file().c_str(), 0, SourceFile); }), 0u);
    }
    for (Fault kind : {Fault::Allocation, Fault::Lock}) {
      EXPECT_GT(walkFaults(kind, false, [&] { return picture(GetPicture, image(), imageSize(), SourceMemory); }),
                0u);
    }
  }
}

// Another body's file, whose JPEGs only its directories give: the walk, the
// span's read and the decode meet each fault as the fixed layout does.
TEST_F(FaultInjection, LocatedPictureAndInfo) {
  located_pef::Plan plan;
  plan.preview = encodeJpeg(640, 480, Layout::H2V2);
  plan.fullSize = encodeJpeg(640, 480, Layout::H1V1);
  const located_pef::File located = located_pef::build(plan);
  const std::string path = directory_->write("located.pef", located.bytes);
  const auto* memory = reinterpret_cast<const char*>(located.bytes.data());
  const auto size = static_cast<std::int32_t>(located.bytes.size());
  for (bool fullSize : {true, false}) {
    setFullSize(fullSize);
    for (Fault kind : {Fault::Allocation, Fault::FileOperation, Fault::Lock}) {
      EXPECT_GT(walkFaults(kind, true, [&] { return info(path.c_str(), 0, SourceFile); }), 0u);
      EXPECT_GT(walkFaults(kind, false, [&] { return picture(GetPicture, path.c_str(), 0, SourceFile); }), 0u);
    }
    EXPECT_GT(walkFaults(Fault::Allocation, false, [&] { return picture(GetPicture, memory, size, SourceMemory); }),
              0u);
  }
}

TEST_F(FaultInjection, IsSupportedAnswersNoWhenItCannotLook) {
  for (Fault kind : {Fault::Allocation, Fault::FileOperation}) {
    for (std::size_t n = 1;; ++n) {
      ASSERT_LE(n, WalkLimit);
      const int fd = ::open(file().c_str(), O_RDONLY);
      arm(kind, n);
      const std::int32_t supported = IsSupported(nullptr, static_cast<std::uintptr_t>(fd));
      const bool fired = fault::injectedFailureFired();
      arm(kind, 0);
      ::close(fd);
      EXPECT_EQ(supported, fired ? 0 : 1);
      if (!fired) break;
    }
  }
}

}  // namespace
