// Texts of the General tab: size, times and attribute letters, and the protected-item rule.
#pragma once
#include <cstdint>
#include <string>

#include "app/core/change_log.h"

namespace tolm {

// The size line's text: "???" when the size could not be read (-1); else the count with
// thousands separators, after a "nK (", "n.nnM (" or "n.nnG (" prefix from 1 KiB on, the
// hundredths truncated ("1.17M (1,234,567)"). Sizes of 4 GiB and more are shown in full.
std::string sizeText(int64_t size);

// "2024/05/18 18:42:07"; a record that was not filled (all zero) shows as 0/00/00 00:00:00.
std::string timeText(const SystemTime &time);

// Six letters A, C, E, H, R, S (archive, compressed, encrypted, hidden, read-only, system),
// "_" for each attribute the word lacks.
std::string attributeLetters(uint32_t attributes);

// A hidden item while hidden items may not be edited, or a system item while system items may
// not, or an item whose attributes cannot be read, is protected: the page offers no editing.
bool isProtectedItem(bool attributesRead, uint32_t attributes, int32_t hiddenFile,
                     int32_t systemFile);

// One line of the Version tab: "TOLM.exe Ver. 1.0.0.1", cut to 63 characters.
std::string versionLine(const std::string &name, const uint32_t parts[4]);

// The Version tab's block: the program's line, an empty line, the four library lines, an empty
// line, the four runtime lines, five empty lines and the notice, separated by single CRs.
// Lines beyond nine are ignored; missing ones stay empty.
std::string versionBlock(const std::string (&lines)[9], const std::string &notice);

} // namespace tolm
