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

  // daxInitialize: releases the library held, then loads name, else dax2jpn.dll, else
  // dax2enc.dll. 0, or kNoLanguageLibrary when none loads.
  int initialize(const char *name);

  // daxBeginProcessing: kNoLanguageLibrary before anything else, then the operation of the
  // low byte with the modifiers 0x100 and 0x200; other bits are ignored.
  int process(uint32_t code, void *argument);

  // At unload: the language library and all tables go.
  void unload();

  void setModule(HINSTANCE module) { m_module = module; }

private:
  int analyze(uint32_t code, void *argument);
  int beginIteration(uint32_t code, void *argument);
  int nextEntry(void *argument);
  int thumbnail(uint32_t code, void *argument);
  int chooseFile(char (&path)[MAX_PATH]);

  HINSTANCE m_module = nullptr;
  char m_name[MAX_PATH] = {};
  HMODULE m_library = nullptr;
  dax::Engine m_engine;
};

Reader &reader();

} // namespace daxwin
