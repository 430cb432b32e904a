// The erase list (".tlx") of the extended delete: its fixed header and end line, the extension
// entries, and the deletion list built from the folder searches of those entries.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "util/core/dbcs_text.h"

namespace tolm {

constexpr int32_t kEraseListUnreadable = -5008;
constexpr int32_t kEraseListInvalid = -5009;
constexpr int32_t kEraseSearchUnreadable = -5010;
constexpr int32_t kEraseBufferFull = -5011;

constexpr size_t kEraseSlots = 300;     // entry lines plus the end line
constexpr size_t kEraseLineLimit = 258; // a dot and at most 257 more characters
constexpr size_t kDeletionListBytes = 2000000;

// Checks a whole erase list and returns its search patterns ("*" and the entry, in file
// order) in `patterns`. 0, or kEraseListInvalid when the header or end line differs in any
// byte, a line is not ended by CR and one more byte, an entry lacks its leading dot or is
// longer than the limit, there is no entry or more than 299 of them. An entry that could reach
// beyond the folder or cut its own pattern short (a folder separator, a drive colon or a NUL
// byte; double-byte characters are read whole) is refused the same way: its files would not
// be the ones the list names.
int32_t parseEraseList(const uint8_t *data, size_t size, std::vector<std::string> &patterns,
                       kel::LeadBytePredicate isLeadByte);

// Whether a file's name (its last path component, the long name) matches a search pattern
// with "*" and "?", ignoring ASCII case. The platform's search also matches the 8.3 short
// names, so "*.htm" finds "page.html" there; this check keeps such files out.
bool nameMatches(std::string_view name, std::string_view pattern,
                 kel::LeadBytePredicate isLeadByte);

// The last component of a path (after the last "\"; double-byte characters read whole), as a
// view into the path.
std::string_view lastComponent(std::string_view path, kel::LeadBytePredicate isLeadByte);

// Appends the paths of a search's result file (each ended by CR LF) whose names match pattern
// to a deletion list of NUL-terminated paths. 0, or kEraseBufferFull when the list would reach
// the last byte of its limit (which stays for the list's closing NUL).
int32_t appendSearchResults(std::string_view results, std::string_view pattern,
                            std::string &deletionList, size_t limit,
                            kel::LeadBytePredicate isLeadByte);

} // namespace tolm
