#include "plugin/jpeg_probe.h"

bool TPEFFile::probeFrame(std::uint32_t) { return false; }
