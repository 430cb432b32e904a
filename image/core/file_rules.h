// File-name rules of loading and saving: extensions by format code, the platform's extension
// rule, encoder extension lists, the save dialog's extension completion and the dialog filters.
// Names are 8-bit strings in the caller's ANSI code page; isLeadByte tells double-byte lead
// bytes apart so that a trail byte of 0x5C is never taken for a folder separator.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "util/core/dbcs_text.h"

namespace vop {

// ".jpg" for 1, ".gif" for 2, ".png" for 3, ".tif" for 4, ".bmp" for every other code.
const char *formatExtension(uint32_t code);

// The extension of the last component of a path as the platform finds it: from the last "."
// on, where a "\", "/" or space after that "." means there is none (then "").
std::string findExtension(const std::string &path, kel::LeadBytePredicate isLeadByte);

// Removes an extension of 1 to 3 characters and appends the one of the format code.
// photo.bmp -> photo.jpg, photo -> photo.jpg, scan.tiff -> scan.tiff.bmp.
std::string replaceExtension(uint32_t code, const std::string &name,
                             kel::LeadBytePredicate isLeadByte);

// Whether an encoder's extension list ("*.JPG;*.JPEG;*.JPE;*.JFIF") names the extension
// (".jpg"), ignoring ASCII case.
bool extensionListNames(const std::string &list, const std::string &extension);

// Extensions expected by the save dialog's filter indexes 1 to 4; "" for other indexes.
const char *saveFilterExtension(uint32_t filterIndex);

// The save dialog's result: the entered name, with the filter's extension appended when its
// last four characters differ from it ignoring case (photo + GIF -> photo.gif,
// photo.png + BMP -> photo.png.bmp).
std::string completeSaveName(const std::string &entered, uint32_t filterIndex);

// One decoder as the codec service lists it, texts already in the ANSI code page.
struct DecoderEntry {
  std::string description;
  std::string extensions;
  bool listed; // false for the metafile and icon formats, which the open dialog leaves out
};

// The dialog filter pairs, each string followed by a NUL and the whole by one more NUL:
// "description (extensions)" and "extensions" per listed decoder. Empty when none is listed.
std::string openFilter(const std::vector<DecoderEntry> &decoders);
// The save dialog's four pairs: bitmap, JPEG, GIF, PNG.
std::string saveFilter();

} // namespace vop
