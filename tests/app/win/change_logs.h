// The change logs ("TOZ*.tmp" in the temporary folder) a test finds, and those it made itself.
#pragma once
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

namespace testutil {

// Every change log there now, full paths in name order.
inline std::vector<std::string> changeLogFiles() {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  std::vector<std::string> logs;
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA((std::string(temp) + "TOZ*.tmp").c_str(), &found);
  if (find != INVALID_HANDLE_VALUE) {
    do
      logs.push_back(std::string(temp) + found.cFileName);
    while (FindNextFileA(find, &found));
    FindClose(find);
  }
  std::sort(logs.begin(), logs.end());
  return logs;
}

// The change logs there now that `before` did not hold, in name order.
inline std::vector<std::string> changeLogsSince(const std::vector<std::string> &before) {
  std::vector<std::string> out;
  for (const std::string &log : changeLogFiles())
    if (std::find(before.begin(), before.end(), log) == before.end())
      out.push_back(log);
  return out;
}

} // namespace testutil
