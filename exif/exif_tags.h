// The tags the shooting information and the embedded JPEGs are found by:
// TIFF/EXIF 2.2 tags in IFD0, IFD2 and the EXIF directory, and the camera's
// maker-note tags (exiftool's Pentax.pm).
#pragma once

#include <cstdint>

constexpr std::uint16_t TagModel = 272;          // 0x0110, ASCII, in IFD0
constexpr std::uint16_t TagOrientation = 274;    // 0x0112, SHORT, in IFD0
constexpr std::uint16_t TagExifPointer = 34665;  // 0x8769, in IFD0
// IFD2's full-size JPEG: offset from the TIFF header, and length.
constexpr std::uint16_t TagJpegOffset = 513;  // 0x0201, LONG
constexpr std::uint16_t TagJpegLength = 514;  // 0x0202, LONG
constexpr std::uint16_t TagMakerNote = 37500;    // 0x927C, in the EXIF directory

// A DNG's IFD0 and SubIFDs (TIFF 6.0, TIFF-EP, DNG 1.4).
constexpr std::uint16_t TagNewSubFileType = 254;    // 0x00FE, LONG; bit 0: a reduced image
constexpr std::uint16_t TagImageWidth = 256;        // 0x0100, SHORT or LONG
constexpr std::uint16_t TagCompression = 259;       // 0x0103, SHORT
constexpr std::uint16_t TagStripOffsets = 273;      // 0x0111, SHORT or LONG per strip
constexpr std::uint16_t TagStripByteCounts = 279;   // 0x0117, SHORT or LONG per strip
constexpr std::uint16_t TagSubIfds = 330;           // 0x014A, LONG or IFD per directory
constexpr std::uint16_t TagDngVersion = 50706;      // 0xC612, BYTE[4]
constexpr std::uint16_t TagDngPrivateData = 50740;  // 0xC634, BYTE[n]: the maker's own block

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
constexpr std::uint16_t TagPreviewLength = 3;    // 0x0003, LONG
constexpr std::uint16_t TagPreviewStart = 4;     // 0x0004, LONG, from the note's base
constexpr std::uint16_t TagFocusMode = 13;       // 0x000D, SHORT
constexpr std::uint16_t TagPreviewBorders = 62;  // 0x003E, 4 BYTEs: top, bottom, left, right
constexpr std::uint16_t TagLensCode = 63;        // 0x003F, LensRec: series and lens first
constexpr std::uint16_t TagLensInfo = 519;       // 0x0207, a record holding the lens code
