// Test helper: calls each export of daxread.dll once and writes "key result" lines to a file.
// Started by daxread_exports_test from a folder of its own with a restricted search path.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "include/daxread.h"

// Arguments: report file, language library name for daxInitialize, image file to analyse.
int main(int argc, char **argv) {
  if (argc != 4)
    return 2;
  FILE *out = std::fopen(argv[1], "wb");
  if (out == nullptr)
    return 3;
  std::fprintf(out, "init %d\n", daxInitialize(argv[2]));
  char path[MAX_PATH] = {};
  std::strncpy(path, argv[3], MAX_PATH - 1);
  std::fprintf(out, "analyze %d\n", daxBeginProcessing(0x301, path));
  std::fprintf(out, "analyze_null %d\n", daxBeginProcessing(0x301, nullptr));
  DAX_ITERATION setup{DAX_LABEL_CAPACITY, DAX_VALUE_CAPACITY};
  std::fprintf(out, "begin %d\n", daxBeginProcessing(DAX_OP_BEGIN_ITERATION, &setup));
  static char label[DAX_LABEL_CAPACITY], value[DAX_VALUE_CAPACITY];
  DAX_ENTRY entry{0, 0, 0, label, value};
  std::fprintf(out, "next %d\n", daxBeginProcessing(DAX_OP_NEXT_ENTRY, &entry));
  std::fprintf(out, "label %s\n", label);
  DAX_THUMBNAIL thumb{0, 0, nullptr};
  std::fprintf(out, "thumbnail %d\n", daxBeginProcessing(DAX_OP_THUMBNAIL | DAX_MOD_100, &thumb));
  std::fprintf(out, "unknown %d\n", daxBeginProcessing(2, nullptr));
  std::fprintf(out, "release %d\n", daxBeginProcessing(DAX_OP_RELEASE, nullptr));
  char self[MAX_PATH] = {};
  GetModuleFileNameA(GetModuleHandleA("daxread.dll"), self, MAX_PATH);
  uint32_t v[4] = {};
  const int version = daxGetFileVersion(self, &v[0], &v[1], &v[2], &v[3], 0);
  std::fprintf(out, "version %d %u.%u.%u\n", version, v[0], v[1], v[2]);
  std::fclose(out);
  return 0;
}
