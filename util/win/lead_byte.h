// The ANSI code page's lead bytes, as the double-byte text helper asks for them on Windows.
#pragma once
#include <windows.h>

#include <cstdint>

namespace kel {

inline bool isAnsiLeadByte(uint8_t byte) { return IsDBCSLeadByte(byte) != FALSE; }

} // namespace kel
