// Code page 932 text as UTF-8, for programs that show or compare the
// plug-in's text: iconv natively (cp932_posix.cpp), the system's code page
// conversion on Windows (cp932_win32.cpp).
#pragma once

#include <string>

// `valid`, when given, tells whether the whole text was code page 932; what
// cannot be converted is then left out or replaced.
std::string cp932ToUtf8(const std::string& text, bool* valid = nullptr);
