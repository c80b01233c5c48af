#include <windows.h>

#include "tests/support/cp932.h"

namespace {

constexpr UINT CodePage932 = 932;

}  // namespace

std::string cp932ToUtf8(const std::string& text, bool* valid) {
  const int size = static_cast<int>(text.size());
  // MB_ERR_INVALID_CHARS makes a text that is not code page 932 fail whole.
  const int checked = MultiByteToWideChar(CodePage932, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
  if (valid) *valid = size == 0 || checked > 0;
  const int wide = MultiByteToWideChar(CodePage932, 0, text.data(), size, nullptr, 0);
  std::wstring utf16(wide, L'\0');
  MultiByteToWideChar(CodePage932, 0, text.data(), size, utf16.data(), wide);
  const int narrow = WideCharToMultiByte(CP_UTF8, 0, utf16.data(), wide, nullptr, 0, nullptr, nullptr);
  std::string utf8(narrow, '\0');
  WideCharToMultiByte(CP_UTF8, 0, utf16.data(), wide, utf8.data(), narrow, nullptr, nullptr);
  return utf8;
}
