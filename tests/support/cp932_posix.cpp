#include <iconv.h>

#include "tests/support/cp932.h"

std::string cp932ToUtf8(const std::string& text, bool* valid) {
  iconv_t converter = ::iconv_open("UTF-8", "CP932");
  if (valid) *valid = converter != reinterpret_cast<iconv_t>(-1);
  if (converter == reinterpret_cast<iconv_t>(-1)) return text;
  std::string out(text.size() * 3 + 1, '\0');  // a CP932 byte becomes at most 3 UTF-8 bytes
  char* in = const_cast<char*>(text.data());
  std::size_t inLeft = text.size();
  char* to = out.data();
  std::size_t outLeft = out.size();
  const bool converted = ::iconv(converter, &in, &inLeft, &to, &outLeft) != static_cast<std::size_t>(-1);
  ::iconv_close(converter);
  if (valid) *valid = converted;
  out.resize(out.size() - outLeft);
  return out;
}
