// Writes the bad-file corpus for the run under Wine: one file per recipe in
// the output directory, and manifest.txt with a line per file:
//   name info textLines picture preview supported needsMiB
// (AnyResult and AnyLines stand for "any result of the plug-in's").
#include <cstdio>
#include <fstream>
#include <string>

#include "bad_files.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_bad_files OUTPUT_DIR\n");
    return 2;
  }
  const std::string directory = argv[1];
  std::ofstream manifest(directory + "/manifest.txt");
  for (const BadFile& file : badFileCorpus()) {
    std::ofstream out(directory + "/" + file.name + ".pef", std::ios::binary);
    out.write(reinterpret_cast<const char*>(file.bytes.data()),
              static_cast<std::streamsize>(file.bytes.size()));
    const BadFileExpectation& e = file.expected;
    manifest << file.name << ' ' << e.info << ' ' << e.textLines << ' ' << e.picture << ' '
             << e.preview << ' ' << e.supported << ' ' << e.needsMiB << '\n';
    if (!out || !manifest) {
      std::fprintf(stderr, "make_bad_files: cannot write %s\n", file.name.c_str());
      return 1;
    }
  }
  return 0;
}
