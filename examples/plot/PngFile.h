#pragma once
// Writes a bitmap as an 8-bit RGB PNG file (deflate "stored" blocks, so no
// compression library is needed). Raises EInOutError when the file cannot be written.
#include "platform/rtl/AnsiString.h"

class TBitmap;

void SavePng(TBitmap& bitmap, const AnsiString& fileName);
