// The temporary folder of this process pointed at a scratch folder, and the "IW4" files the
// library leaves there.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "tests/support/win_test_util.h"

namespace voptest {

class OwnTempFolder {
public:
  OwnTempFolder() {
    for (const char *name : {"TMP", "TEMP"}) {
      char value[MAX_PATH] = {};
      const DWORD length = GetEnvironmentVariableA(name, value, MAX_PATH);
      m_saved.push_back({name, length > 0 && length < MAX_PATH ? value : "", length > 0});
      SetEnvironmentVariableA(name, (m_dir.path() + "\\").c_str());
    }
  }
  ~OwnTempFolder() {
    for (const Saved &s : m_saved)
      SetEnvironmentVariableA(s.name, s.had ? s.value.c_str() : nullptr);
  }
  OwnTempFolder(const OwnTempFolder &) = delete;
  OwnTempFolder &operator=(const OwnTempFolder &) = delete;

  // Full names of the IW4 files in the folder.
  std::vector<std::string> iw4Files() const {
    std::vector<std::string> out;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((m_dir.path() + "\\IW4*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
      return out;
    do
      out.push_back(m_dir.path() + "\\" + found.cFileName);
    while (FindNextFileA(search, &found));
    FindClose(search);
    return out;
  }

private:
  struct Saved {
    const char *name;
    std::string value;
    bool had;
  };
  testutil::ScratchDir m_dir; // made under the temporary folder as it was
  std::vector<Saved> m_saved;
};

} // namespace voptest
