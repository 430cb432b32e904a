// Helpers for the Windows tests: scratch folders, files with given contents, the time zone.
#pragma once
#include <windows.h>

#include <string>

namespace testutil {

// A new empty folder under the temporary folder, removed with everything in it (read-only,
// hidden and system items included) when the object goes.
class ScratchDir {
public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir &) = delete;
  ScratchDir &operator=(const ScratchDir &) = delete;
  const std::string &path() const { return m_path; }
  std::string file(const std::string &name, const std::string &contents = std::string()) const;
  std::string folder(const std::string &name) const;
  std::string join(const std::string &name) const { return m_path + "\\" + name; }

private:
  std::string m_path;
};

void removeTree(const std::string &path);

// Wine copies the Linux TZ into the Windows environment, where the C runtime would read a
// zone name such as "Europe/Berlin" as UTC; the system's zone is the one to test.
void useSystemTimeZone();

// A SYSTEMTIME from its fields; the day of the week stays 0.
SYSTEMTIME at(int y, int mo, int d, int h, int mi, int s, int ms = 0);

// The Windows form of a path on the Linux side of Wine ("/a/b" becomes "Z:\\a\\b").
std::string windowsPath(const std::string &unixPath);

// A reserved run of pages of which the first `committed` are committed, filled with 0x5A and
// then given `protect`: caller memory that ends exactly where a test wants it to.
class Pages {
public:
  Pages(size_t count, size_t committed, DWORD protect);
  ~Pages();
  Pages(const Pages &) = delete;
  Pages &operator=(const Pages &) = delete;
  char *at(size_t offset = 0) const { return m_base + offset; }
  size_t page() const { return m_page; }
  // Whether the first `bytes` still hold the fill.
  bool untouched(size_t bytes) const;

private:
  char *m_base = nullptr;
  size_t m_page = 4096;
};

// A text of the ANSI code page (what the program and the narrow interfaces speak) in UTF-16.
std::wstring wide(const std::string &ansi);

// A DWORD value under HKEY_CURRENT_USER\key, or 0xFFFFFFFF when there is none.
DWORD userDword(const char *key, const char *name);

// Full path of a module loaded into this process.
std::string modulePath(const char *moduleName);

} // namespace testutil
