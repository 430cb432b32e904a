// Drive designators and space arithmetic of the drive family, without the file system.
#pragma once
#include <cstdint>

namespace kel {

// The root a drive-type query asks about: at most the first two characters of the designator
// followed by a backslash, in a four-byte buffer. Longer designators are cut, so
// "C:\Windows" asks about "C:\". A designator is never read past its first two characters.
void driveTypeRoot(const char *designator, char (&root)[4]);

// The space query's root for a drive check: the first two characters, the rest zero.
void activeDriveRoot(const char *designator, char (&root)[3]);

// Free bytes of the older cluster-based query, in 64 bits so that large drives do not wrap.
uint64_t clusterSpace(uint32_t freeClusters, uint32_t bytesPerSector, uint32_t sectorsPerCluster);

} // namespace kel
