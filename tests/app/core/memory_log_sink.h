// Test doubles for the change log: a sink in memory and a scripted source of system texts.
#pragma once
#include <deque>
#include <string>
#include <vector>

#include "app/core/change_log.h"

namespace tolm::testing {

class MemoryLogSink : public LogSink {
public:
  bool open() override {
    ++opens;
    if (refuseOpen)
      return false;
    isOpen = true;
    return true;
  }
  bool write(std::string_view bytes) override {
    writes.emplace_back(bytes);
    if (!isOpen)
      ++writesWhileClosed;
    if (failWrites > 0) {
      --failWrites;
      return false;
    }
    text.append(bytes);
    return true;
  }
  void close() override {
    ++closes;
    isOpen = false;
  }

  bool refuseOpen = false;
  int failWrites = 0; // the next n writes fail and store nothing
  bool isOpen = false;
  int opens = 0;
  int closes = 0;
  int writesWhileClosed = 0;
  std::string text;                // what reached the file
  std::vector<std::string> writes; // every write, one entry per call
};

// Hands out queued texts, then the fallback; counts how often it was asked.
class ScriptedErrorText : public SystemErrorText {
public:
  std::string lastErrorText() override {
    ++asked;
    if (queue.empty())
      return fallback;
    std::string text = queue.front();
    queue.pop_front();
    return text;
  }
  std::deque<std::string> queue;
  std::string fallback;
  int asked = 0;
};

// A local time of the change log's records.
inline SystemTime at(uint16_t y, uint16_t mo, uint16_t d, uint16_t h, uint16_t mi, uint16_t s) {
  SystemTime t;
  t.year = y;
  t.month = mo;
  t.day = d;
  t.hour = h;
  t.minute = mi;
  t.second = s;
  return t;
}

} // namespace tolm::testing
