// The process-wide engine record of daxread.dll: language library, engine and the operations.
#include "exif/win/reader.h"

#include <commdlg.h>

#include <cstring>
#include <string>

#include "exif/core/result.h"
#include "exif/win/file_source.h"
#include "exif/win/guard.h"
#include "exif/win/resource_strings.h"
#include "util/win/lead_byte.h"

namespace daxwin {

namespace {

constexpr const char *kFallbackLibraries[] = {"dax2jpn.dll", "dax2enc.dll"};

// A language library holds nothing but resources: mapped as data, none of its code runs, so a
// caller's choice of name cannot make this process execute a stranger's DllMain.
HMODULE loadLanguageLibrary(const char *name) {
  const DWORD oldMode = GetThreadErrorMode();
  SetThreadErrorMode(oldMode | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, nullptr);
  HMODULE library = LoadLibraryExA(name, nullptr, LOAD_LIBRARY_AS_DATAFILE);
  SetThreadErrorMode(oldMode, nullptr);
  return library;
}

// A language library mapped for the length of one call.
class HeldLibrary {
public:
  explicit HeldLibrary(HMODULE library) : m_library(library) {}
  ~HeldLibrary() {
    if (m_library != nullptr)
      FreeLibrary(m_library);
  }
  HeldLibrary(const HeldLibrary &) = delete;
  HeldLibrary &operator=(const HeldLibrary &) = delete;
  HMODULE get() const { return m_library; }

private:
  HMODULE m_library;
};

} // namespace

HMODULE Reader::loadLanguage() const {
  HMODULE library = m_name[0] != '\0' ? loadLanguageLibrary(m_name) : nullptr;
  for (const char *fallback : kFallbackLibraries) {
    if (library != nullptr)
      break;
    library = loadLanguageLibrary(fallback);
  }
  return library;
}

int Reader::initialize(const char *name) {
  // Up to the NUL and never past MAX_PATH bytes: a short name is not read beyond its end, and
  // a text without a NUL in that space is no file name and leaves only the fallbacks.
  std::memset(m_name, 0, sizeof m_name);
  const ptrdiff_t length = boundedLength(name, sizeof m_name);
  if (length > 0)
    std::memcpy(m_name, name, static_cast<size_t>(length));
  const HeldLibrary probe(loadLanguage());
  m_initialized = probe.get() != nullptr;
  return m_initialized ? dax::kOk : dax::kNoLanguageLibrary;
}

int Reader::process(uint32_t code, void *argument) {
  if (!m_initialized)
    return dax::kNoLanguageLibrary;
  switch (code & 0xFF) {
  case dax::kOpRelease:
    // The thumbnail-only release reports its success like the full one.
    return m_engine.release(code & dax::kModifier);
  case dax::kOpAnalyze:
    return analyze(code, argument);
  case dax::kOpBeginIteration:
    return beginIteration(code, argument);
  case dax::kOpNextEntry:
    return nextEntry(argument);
  case dax::kOpThumbnail:
    return thumbnail(code, argument);
  default:
    return dax::kBadArgument;
  }
}

int Reader::analyze(uint32_t code, void *argument) {
  if (argument == nullptr)
    return dax::kBadArgument;
  auto *buffer = static_cast<char *>(argument);
  // Gone since daxInitialize (deleted or moved): the labels cannot be had.
  const HeldLibrary library(loadLanguage());
  if (library.get() == nullptr)
    return dax::kNoLanguageLibrary;
  char path[MAX_PATH] = {};
  if (code & dax::kModifier) {
    const ptrdiff_t length = boundedLength(buffer, MAX_PATH);
    if (length < 0)
      return dax::kBadArgument;
    std::memcpy(path, buffer, static_cast<size_t>(length));
  } else {
    // The chosen path goes back into the buffer: it must take a whole path before the user
    // is asked for one.
    if (!canWrite(buffer, MAX_PATH))
      return dax::kBadArgument;
    const int chosen = chooseFile(library.get(), path);
    if (chosen != dax::kOk)
      return chosen;
    std::memcpy(buffer, path, std::strlen(path) + 1);
  }
  FileSource file;
  if (!file.open(path))
    return dax::kReadFailed;
  const ResourceStrings strings(library.get());
  return m_engine.analyze(file, strings, code & dax::kWithThumbnail);
}

int Reader::beginIteration(uint32_t code, void *argument) {
  if (!canWrite(argument, sizeof(dax::IterationSetup)))
    return dax::kBadArgument;
  return m_engine.beginIteration(static_cast<dax::IterationSetup *>(argument),
                                 code & dax::kModifier);
}

int Reader::nextEntry(void *argument) {
  if (!canWrite(argument, sizeof(dax::EntryRecord)))
    return dax::kBadArgument;
  auto *record = static_cast<dax::EntryRecord *>(argument);
  // A buffer that cannot take a whole capacity's worth is treated as absent: the rules for
  // a missing label or value buffer then decide the result.
  dax::EntryRecord local = *record;
  if (local.label != nullptr &&
      !canWrite(local.label, static_cast<size_t>(m_engine.labelCapacity())))
    local.label = nullptr;
  if (local.value != nullptr &&
      !canWrite(local.value, static_cast<size_t>(m_engine.valueCapacity())))
    local.value = nullptr;
  const int result = m_engine.nextEntry(&local);
  record->group = local.group;
  record->tag = local.tag;
  return result;
}

int Reader::thumbnail(uint32_t code, void *argument) {
  const uint32_t modifiers = code & (dax::kModifier | dax::kWithThumbnail);
  const dax::Thumbnail &thumb = m_engine.results().thumbnail;
  if (!thumb.present() || argument == nullptr)
    return m_engine.thumbnail(modifiers, argument);
  if (modifiers & dax::kModifier) {
    if (!canWrite(argument, sizeof(dax::ThumbnailRecord)))
      return dax::kBadArgument;
    return m_engine.thumbnail(modifiers, argument);
  }
  if (modifiers & dax::kWithThumbnail) {
    // A raw buffer carries no size. The caller learns it first (kind and size), and the
    // whole block must land in memory that takes it; otherwise nothing is copied.
    if (!canWrite(argument, thumb.data.size()))
      return dax::kBadArgument;
    return m_engine.thumbnail(modifiers, argument);
  }
  if (!canWrite(argument, sizeof(dax::ThumbnailRecord)))
    return dax::kBadArgument;
  auto *record = static_cast<dax::ThumbnailRecord *>(argument);
  dax::ThumbnailRecord local = *record;
  if (local.buffer != nullptr && !canWrite(local.buffer, thumb.data.size()))
    local.buffer = nullptr; // the core then refuses the copy but still reports kind and size
  const int result = m_engine.thumbnail(modifiers, &local);
  record->kind = local.kind;
  record->size = local.size;
  return result;
}

int Reader::chooseFile(HMODULE library, char (&path)[MAX_PATH]) {
  const ResourceStrings strings(library);
  std::string text;
  strings.load(kFilterStringId, text);
  const std::string filter = filterList(text, kel::isAnsiLeadByte);
  path[0] = '\0';
  OPENFILENAMEA dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = GetActiveWindow();
  dialog.hInstance = m_module;
  dialog.lpstrFilter = filter.empty() ? nullptr : filter.c_str();
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = path;
  dialog.nMaxFile = MAX_PATH;
  // The caller's current folder stays where it was.
  dialog.Flags =
      OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
  if (GetOpenFileNameA(&dialog)) {
    path[MAX_PATH - 1] = '\0';
    return dax::kOk;
  }
  return CommDlgExtendedError() == 0 ? dax::kCancelled : dax::kReadFailed;
}

// Built when the library is loaded, before DllMain, and destroyed after it at unload.
Reader g_reader;

Reader &reader() { return g_reader; }

} // namespace daxwin
