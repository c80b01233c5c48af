#include "plugin/dib_decode.h"

// Decoding is not wired in yet: every region is reported as a format the
// plug-in does not take.
PluginResult extractPicture(ByteView, platform::BlockHandle*, platform::BlockHandle*,
                            std::uint32_t) {
  return UnsupportedFormat;
}
