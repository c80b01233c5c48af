// The tags the shooting information is read from: TIFF/EXIF 2.2 tags in
// IFD0 and the EXIF directory, and two of the camera's maker-note tags.
#pragma once

#include <cstdint>

constexpr std::uint16_t TagExifPointer = 34665;  // 0x8769, in IFD0
constexpr std::uint16_t TagMakerNote = 37500;    // 0x927C, in the EXIF directory

// The EXIF directory.
constexpr std::uint16_t TagExposureTime = 33434;     // 0x829A, RATIONAL
constexpr std::uint16_t TagFNumber = 33437;          // 0x829D, RATIONAL
constexpr std::uint16_t TagExposureProgram = 34850;  // 0x8822, SHORT
constexpr std::uint16_t TagIsoSpeed = 34855;         // 0x8827, SHORT
constexpr std::uint16_t TagExposureBias = 37380;     // 0x9204, SRATIONAL
constexpr std::uint16_t TagMeteringMode = 37383;     // 0x9207, SHORT
constexpr std::uint16_t TagFlash = 37385;            // 0x9209, SHORT
constexpr std::uint16_t TagFocalLength = 37386;      // 0x920A, RATIONAL
constexpr std::uint16_t TagWhiteBalance = 41987;     // 0xA403, SHORT
constexpr std::uint16_t TagFocalLength35mm = 41989;  // 0xA405, SHORT

// The maker note.
constexpr std::uint16_t TagFocusMode = 13;  // 0x000D, SHORT
constexpr std::uint16_t TagLensCode = 63;   // 0x003F, two bytes: series and lens
