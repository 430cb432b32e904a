// What the date tools and the history share: listed times and the counts of a write.
#include "app/win/write_report.h"

#include <bit>

#include "app/win/resource.h"

std::wstring TimeTextOf(const tolm::SystemTime &time) { return WidenAnsi(tolm::timeText(time)); }

tolm::SystemTime LocalNow() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return std::bit_cast<tolm::SystemTime>(now);
}

void ShowOutcome(HWND dialog, HINSTANCE resources, int id, UINT textId, size_t changed,
                 size_t failed, size_t skipped, bool logFailed) {
  std::wstring text = FormatNumbers(LoadWStr(resources, textId), {changed, failed, skipped});
  if (logFailed)
    text += LoadWStr(resources, IDS_DT_LOG_FAILED);
  SetDlgItemTextW(dialog, id, text.c_str());
}
