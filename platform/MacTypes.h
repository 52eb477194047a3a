// Basic types and status codes of the movie toolbox API.
#pragma once

#include <cstdint>

using UInt8 = std::uint8_t;
using SInt8 = std::int8_t;
using UInt16 = std::uint16_t;
using SInt16 = std::int16_t;
using UInt32 = std::uint32_t;
using SInt32 = std::int32_t;
using UInt64 = std::uint64_t;
using SInt64 = std::int64_t;
using Boolean = unsigned char;
using OSErr = SInt16;
using OSStatus = SInt32;
using OSType = UInt32;
using FourCharCode = UInt32;
using ResType = UInt32;
using Fixed = SInt32;   // 16.16
using Fract = SInt32;   // 2.30
using TimeValue = SInt32;
using TimeScale = SInt32;
using ScriptCode = SInt16;
using Size = long;
using ComponentResult = SInt32;
using Ptr = char*;
using Handle = char**;
using StringPtr = unsigned char*;
using ConstStringPtr = const unsigned char*;
using Str255 = unsigned char[256];
using ConstStr255Param = const unsigned char*;

/// Four-char code from a 4-character literal: FOUR_CHAR_CODE("moov").
constexpr OSType FOUR_CHAR_CODE(const char (&s)[5]) {
  return (OSType(UInt8(s[0])) << 24) | (OSType(UInt8(s[1])) << 16) |
         (OSType(UInt8(s[2])) << 8) | OSType(UInt8(s[3]));
}

constexpr Fixed fixed1 = 0x00010000;
constexpr Fract fract1 = 0x40000000;

enum : OSErr {
  noErr = 0,
  dskFulErr = -34,
  ioErr = -36,
  eofErr = -39,
  fnfErr = -43,
  paramErr = -50,
  rfNumErr = -51,
  permErr = -54,
  wrPermErr = -61,
  memFullErr = -108,
  badFileFormat = -208,
  notAFileErr = -1302,
  couldNotResolveDataRef = -2000,
  badPublicMovieAtom = -2002,
  cantFindHandler = -2003,
  invalidMedia = -2008,
  invalidTrack = -2009,
  invalidMovie = -2010,
  invalidSampleTable = -2011,
  invalidDataRef = -2012,
  invalidDuration = -2014,
  invalidTime = -2015,
  mediaTypesDontMatch = -2018,
  userDataItemNotFound = -2026,
  dataAlreadyOpenForWrite = -2044,
  noMovieFound = -2048,
  featureUnsupported = -2053,
  pathTooLongErr = -2110,
};

/// 3x3 matrix: a b u / c d v / tx ty w. u, v, w are Fract; the rest Fixed.
struct MatrixRecord {
  Fixed matrix[3][3];
};
