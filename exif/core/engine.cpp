// The EXIF reader's engine: result tables, iteration cursor and the platform-free operations.
#include "exif/core/engine.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "exif/core/walker.h"

namespace dax {

namespace {

// Copies at most capacity - 1 bytes and a NUL, like the platform's bounded string copy.
void copyBounded(char *to, const std::string &from, int32_t capacity) {
  const size_t n = std::min(from.size(), static_cast<size_t>(capacity) - 1);
  std::memcpy(to, from.data(), n);
  to[n] = '\0';
}

} // namespace

int Engine::analyze(ByteSource &file, const StringSource &strings, uint32_t code) {
  TableSet working;
  int result;
  try {
    result = walkFile(file, strings, code, working);
  } catch (const std::bad_alloc &) {
    result = kNoMemory;
  }
  if (isAnalysisFailure(result))
    return result;
  m_results = std::move(working);
  resetCursor();
  return static_cast<int>(m_results.totalEntries());
}

int Engine::release(uint32_t code) {
  if (code & kModifier) {
    m_results.thumbnail = Thumbnail{};
    return kOk;
  }
  m_results.clear();
  resetCursor();
  return kOk;
}

int Engine::beginIteration(IterationSetup *setup, uint32_t code) {
  if (setup == nullptr)
    return kBadArgument;
  const size_t total = m_results.totalEntries();
  m_backward = false;
  if (total == 0)
    return 0;
  if (code & kModifier) {
    m_backward = true;
    m_group = m_results.groups.size() - 1;
    while (m_results.groups[m_group].entries.empty()) // groups are never empty; be safe anyway
      --m_group;
    m_entry = m_results.groups[m_group].entries.size() - 1;
  } else {
    m_group = 0;
    while (m_results.groups[m_group].entries.empty())
      ++m_group;
    m_entry = 0;
  }
  m_labelCapacity = std::clamp(setup->labelCapacity, 0, kDefaultLabelCapacity);
  m_valueCapacity = std::clamp(setup->valueCapacity, 0, kDefaultValueCapacity);
  setup->labelCapacity = m_labelCapacity;
  setup->valueCapacity = m_valueCapacity;
  return static_cast<int>(total);
}

int Engine::nextEntry(EntryRecord *record) {
  if (record == nullptr || !cursorValid())
    return kBadArgument;
  const Entry &entry = m_results.groups[m_group].entries[m_entry];
  record->group = entry.group;
  record->tag = entry.tag;
  bool labelCopied = false;
  if (record->label != nullptr && m_labelCapacity > 0) {
    copyBounded(record->label, entry.label, m_labelCapacity);
    labelCopied = true;
  }
  if (record->value != nullptr) {
    if (m_valueCapacity <= 0)
      return kBadArgument;
    copyBounded(record->value, entry.value, m_valueCapacity);
  } else if (!labelCopied) {
    return kBadArgument;
  }

  const auto &groups = m_results.groups;
  if (!m_backward) {
    if (m_entry + 1 < groups[m_group].entries.size()) {
      ++m_entry;
      return kOk;
    }
    for (size_t g = m_group + 1; g < groups.size(); ++g) {
      if (!groups[g].entries.empty()) {
        m_group = g;
        m_entry = 0;
        return kOk;
      }
    }
    return kLastEntry;
  }
  if (m_entry > 0) {
    --m_entry;
    return kOk;
  }
  for (size_t g = m_group; g-- > 0;) {
    if (!groups[g].entries.empty()) {
      m_group = g;
      m_entry = groups[g].entries.size() - 1;
      return kOk;
    }
  }
  return kLastEntry;
}

int Engine::thumbnail(uint32_t code, void *argument) {
  const Thumbnail &thumb = m_results.thumbnail;
  if (!thumb.present())
    return kNoThumbnail;
  if (argument == nullptr)
    return kBadArgument;
  const auto size = static_cast<int32_t>(thumb.data.size());
  if (code & kModifier) {
    auto *record = static_cast<ThumbnailRecord *>(argument);
    record->kind = thumb.kind;
    record->size = size;
    return kOk;
  }
  if (code & kWithThumbnail) {
    std::memcpy(argument, thumb.data.data(), thumb.data.size());
    return kOk;
  }
  auto *record = static_cast<ThumbnailRecord *>(argument);
  const bool sameSize = record->size == size;
  void *buffer = record->buffer;
  record->kind = thumb.kind;
  record->size = size;
  if (!sameSize)
    return kOk;
  if (buffer == nullptr)
    return kBadArgument;
  std::memcpy(buffer, thumb.data.data(), thumb.data.size());
  return kOk;
}

bool Engine::cursorValid() const {
  return m_group < m_results.groups.size() && m_entry < m_results.groups[m_group].entries.size();
}

void Engine::resetCursor() {
  m_group = 0;
  m_entry = 0;
  m_backward = false;
}

} // namespace dax
