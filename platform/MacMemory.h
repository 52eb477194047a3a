// Relocatable memory blocks (handles) with a size.
#pragma once

#include "MacTypes.h"

Handle NewHandle(Size byteCount);
Handle NewHandleClear(Size byteCount);
void DisposeHandle(Handle h);
Size GetHandleSize(Handle h);
void SetHandleSize(Handle h, Size newSize);
OSErr PtrToHand(const void* srcPtr, Handle* dstHndl, long size);
void HLock(Handle h);
void HUnlock(Handle h);
OSErr MemError();
