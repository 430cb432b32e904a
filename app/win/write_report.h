// What the date tools and the history share: the text of a listed time, and a write run under
// the wait cursor with its log stamped now and its counts shown afterwards.
#pragma once
#include <windows.h>

#include <cstddef>
#include <string>

#include "app/core/property_text.h"
#include "framework/afx.h"

// A time as the lists show it.
std::wstring TimeTextOf(const tolm::SystemTime &time);

// The local time now, as the change log is stamped with it.
tolm::SystemTime LocalNow();

// Sets control `id` of `dialog` to the counts line `textId` (%1 changed, %2 failed, %3 skipped),
// followed by the notice of a log that could not be begun.
void ShowOutcome(HWND dialog, HINSTANCE resources, int id, UINT textId, size_t changed,
                 size_t failed, size_t skipped, bool logFailed);

// Stamps `logTime` with the local time, then runs `write` (which returns an outcome with the
// counts changed, failed, skipped and logFailed) under the wait cursor and shows its counts in
// control `id`. True when anything was written or tried.
template <class Write>
bool WriteAndReport(HWND dialog, HINSTANCE resources, int id, UINT textId,
                    tolm::SystemTime &logTime, Write write) {
  logTime = LocalNow();
  decltype(write()) outcome;
  {
    CWaitCursor wait;
    outcome = write();
  }
  ShowOutcome(dialog, resources, id, textId, outcome.changed, outcome.failed, outcome.skipped,
              outcome.logFailed);
  return outcome.changed > 0 || outcome.failed > 0;
}
