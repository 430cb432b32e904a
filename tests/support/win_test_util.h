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
  const std::string &path() const { return path_; }
  std::string file(const std::string &name, const std::string &contents = std::string()) const;
  std::string folder(const std::string &name) const;
  std::string join(const std::string &name) const { return path_ + "\\" + name; }

private:
  std::string path_;
};

void removeTree(const std::string &path);

// Wine copies the Linux TZ into the Windows environment, where the C runtime would read a
// zone name such as "Europe/Berlin" as UTC; the system's zone is the one to test.
void useSystemTimeZone();

// The Windows form of a path on the Linux side of Wine ("/a/b" becomes "Z:\\a\\b").
std::string windowsPath(const std::string &unixPath);

// Full path of a module loaded into this process.
std::string modulePath(const char *moduleName);

} // namespace testutil
