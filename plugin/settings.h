// The settings, FULLSIZE and ROTATE in section SETTING of tarnik.ini, found
// beside the host program or beside the plug-in when the library is loaded.
#pragma once

#include <cstdint>

#include "platform/platform.h"

// Full path of the settings file, NUL-terminated; written only while the
// library attaches, read by every reading of the setting. Empty when no
// candidate path fits.
extern char settingsPath[platform::MaxPath];

// Builds "<directory of module>\tarnik.ini" in settingsPath (a null module is
// the host program) and tells whether that file exists.
bool locateSettingsFile(platform::ModuleHandle module);

// Replaces the file name of a module path of at most MaxPath bytes with
// "tarnik.ini": false when the path has no directory, or when the result
// would not fit (the path is then emptied).
bool placeSettingsFileName(char* path);

// Process attach: the host program's directory first, then the plug-in's.
void attachSettings(platform::ModuleHandle plugin);

// True when FULLSIZE reads nonzero; read afresh at every call, default 1.
bool readFullSizeSetting();

// True when ROTATE reads nonzero; read afresh at every call, default 0.
bool readRotateSetting();

// The integer rules of the setting's text: blanks, a sign, decimal within
// signed 32 bits, or up to eight hex digits after "$", "X", "x" or a leading
// "0x"/"0X". False when the text is not wholly such an integer.
bool parseSettingInteger(const char* text, std::int32_t* value);
