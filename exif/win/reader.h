// The process-wide engine record of daxread.dll: language library, engine and the operations.
#pragma once
#include <windows.h>

#include <cstdint>

#include "exif/core/engine.h"

namespace daxwin {

// One per process; the exports forward to it. Callers serialise their calls. Every pointer
// a caller passes is checked for the access it needs before the core sees it, and none is
// kept past the call.
class Reader {
public:
  Reader() = default;
  Reader(const Reader &) = delete;
  Reader &operator=(const Reader &) = delete;

  // daxInitialize: keeps name and checks that it, else dax2jpn.dll, else dax2enc.dll, loads.
  // 0, or kNoLanguageLibrary when none loads. The library is mapped again by the calls that
  // read its strings (an analysis, the file dialog) and given back at their end, so nothing
  // is left for the entry point to free at unload, where the loader lock forbids it.
  int initialize(const char *name);

  // daxBeginProcessing: kNoLanguageLibrary before anything else, then the operation of the
  // low byte with the modifiers 0x100 and 0x200; other bits are ignored.
  int process(uint32_t code, void *argument);

  void setModule(HINSTANCE module) { m_module = module; }

private:
  int analyze(uint32_t code, void *argument);
  int beginIteration(uint32_t code, void *argument);
  int nextEntry(void *argument);
  int thumbnail(uint32_t code, void *argument);
  int chooseFile(HMODULE library, char (&path)[MAX_PATH]);
  // The language library by the kept name or a fallback; null when none loads.
  HMODULE loadLanguage() const;

  HINSTANCE m_module = nullptr;
  char m_name[MAX_PATH] = {};
  bool m_initialized = false; // a language library was found by the last daxInitialize
  dax::Engine m_engine;
};

Reader &reader();

} // namespace daxwin
