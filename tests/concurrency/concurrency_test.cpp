// Several threads call every export at once, on the same file and on
// different files, from files and from memory images. Run under
// ThreadSanitizer: calls share nothing that changes but the byte-order flag,
// which every analysis sets to the same value.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/platform.h"
#include "plugin/exports.h"
#include "plugin/settings.h"
#include "tests/support/test_files.h"
#include "tests/support/pef_sample.h"

namespace {

constexpr int Threads = 4;
constexpr int Rounds = 3;

struct Source {
  std::string path;
  pef_sample::Sample sample;
};

void exerciseEveryExport(const Source& source, std::string* firstText) {
  char buffer[128];
  EXPECT_EQ(GetPluginInfo(0, buffer, sizeof buffer), 5);
  EXPECT_EQ(GetArchiveInfo(0, 0, 0, 0), -1);

  const int fd = ::open(source.path.c_str(), O_RDONLY);
  EXPECT_EQ(IsSupported(source.path.c_str(), static_cast<std::uintptr_t>(fd)), 1);
  ::close(fd);

  const auto* image = reinterpret_cast<const char*>(source.sample.bytes.data());
  const auto size = static_cast<std::int32_t>(source.sample.bytes.size());
  for (std::uint32_t mode : {SourceFile, SourceMemory}) {
    const char* from = mode == SourceFile ? source.path.c_str() : image;
    const std::int32_t offsetOrSize = mode == SourceFile ? 0 : size;
    PictureInfo info;
    ASSERT_EQ(GetPictureInfo(from, offsetOrSize, mode, &info), Success);
    ASSERT_NE(platform::BlockHandle{info.infoText}, platform::NoBlock);
    std::string text(static_cast<const char*>(platform::localLock(info.infoText)));
    platform::localUnlock(info.infoText);
    platform::localFree(info.infoText);
    if (firstText->empty()) *firstText = text;
    EXPECT_EQ(text, *firstText) << "the same file gives the same text on every thread";

    platform::BlockHandle header = 0, pixels = 0;
    ASSERT_EQ(GetPreview(from, offsetOrSize, mode, &header, &pixels, nullptr, 0), Success);
    platform::globalFree(header);
    platform::globalFree(pixels);
  }
}

TEST(Concurrency, EveryExportOnSharedAndSeparateFiles) {
  TempDir directory;
  // Preview-only samples keep the decodes short; FULLSIZE=0 makes memory
  // images take the preview too.
  std::strcpy(settingsPath, directory.writeText("tarnik.ini", "[SETTING]\nFULLSIZE=0\n").c_str());
  std::vector<Source> sources;
  for (int i = 0; i < 2; ++i) {
    pef_sample::SampleOptions options;
    options.fullImage.reset();
    options.values.iso = static_cast<std::uint16_t>(100 * (i + 1));
    const std::string path = directory.file("sample" + std::to_string(i) + ".pef");
    sources.push_back({path, pef_sample::writeSample(path, options)});
  }

  std::vector<std::thread> threads;
  for (int t = 0; t < Threads; ++t) {
    threads.emplace_back([&sources, t] {
      std::string texts[2];
      for (int round = 0; round < Rounds; ++round) {
        const int which = (t + round) % 2;  // threads meet on the same file and on different ones
        exerciseEveryExport(sources[which], &texts[which]);
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
}

}  // namespace
