// The small part of Core Foundation the tool uses: URLs, strings, preferences.
#pragma once

#include "MacTypes.h"

struct CFObjectRecord;
using CFTypeRef = const void*;
using CFURLRef = const CFObjectRecord*;
using CFStringRef = const CFObjectRecord*;
using CFAllocatorRef = const void*;
using CFIndex = long;
using CFStringEncoding = UInt32;

constexpr CFAllocatorRef kCFAllocatorDefault = nullptr;
constexpr CFStringEncoding kCFStringEncodingUTF8 = 0x08000100;

/// A file URL for the path's bytes; a relative path is relative to the current directory.
CFURLRef CFURLCreateFromFileSystemRepresentation(CFAllocatorRef allocator, const UInt8* buffer,
                                                 CFIndex bufLen, Boolean isDirectory);
/// The URL's path, absolute when resolveAgainstBase; false when it does not fit maxBufLen bytes.
Boolean CFURLGetFileSystemRepresentation(CFURLRef url, Boolean resolveAgainstBase, UInt8* buffer,
                                         CFIndex maxBufLen);
/// Fills fsRef for an existing file; false when nothing is there.
Boolean CFURLGetFSRef(CFURLRef url, struct FSRef* fsRef);
CFStringRef CFStringCreateWithBytes(CFAllocatorRef alloc, const UInt8* bytes, CFIndex numBytes,
                                    CFStringEncoding encoding, Boolean isExternalRepresentation);
/// A string object that lives for the whole process (never released).
CFStringRef CFStringMakeConstantString(const char* cStr);
#define CFSTR(s) CFStringMakeConstantString(s)
void CFRelease(CFTypeRef cf);

/// Reads a boolean from the preferences file of applicationID; see platform/system/preferences.
Boolean CFPreferencesGetAppBooleanValue(CFStringRef key, CFStringRef applicationID,
                                        Boolean* keyExistsAndHasValidFormat);
