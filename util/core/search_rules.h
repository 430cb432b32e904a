// Directory-search rules without the file system: the attribute filter and path joining.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kel {

// Search flags: recursion, folders reported, and which filtered attributes are accepted.
constexpr uint32_t kSearchRecursive = 0x001;
constexpr uint32_t kSearchFolders = 0x002;
constexpr uint32_t kSearchArchive = 0x100;
constexpr uint32_t kSearchHidden = 0x200;
constexpr uint32_t kSearchReadOnly = 0x400;
constexpr uint32_t kSearchSystem = 0x800;

// The attribute word of an item whose attributes could not be read.
constexpr uint32_t kUnreadableAttributes = 0xFFFFFFFFu;

// The platform's path limit, terminating NUL included.
constexpr std::size_t kPathCapacity = 260;

// True when every one of the archive, read-only, hidden and system attributes the item carries
// is accepted by its flag; an item with none of them passes. An item whose attributes could not
// be read comes with kUnreadableAttributes, which carries all four, so it passes only a search
// that accepts all four (flags 0xF00); the caller then meets the failure when it touches the
// item (it may be gone, or its name may not survive the narrow code page).
bool passesAttributeFilter(uint32_t flags, uint32_t attributes);

// Writes folder, a backslash and name into out as a NUL-terminated string. False, with out
// holding an empty string, when the result with its NUL would not fit in capacity bytes: such a
// path is refused rather than cut, since a cut path names another item. The backslash is added
// even after a trailing one; in a double-byte code page a final 0x5C byte may be the second half
// of a character, and the platform reads a doubled separator as one.
bool joinPath(char *out, std::size_t capacity, std::string_view folder, std::string_view name);

// The same in place: buffer holds a path of length bytes; a backslash and name are appended.
// False, with the buffer cut back to its length bytes, when the result would not fit.
bool appendPath(char *buffer, std::size_t capacity, std::size_t length, std::string_view name);

} // namespace kel
