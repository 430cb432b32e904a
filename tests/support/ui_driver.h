// Driving a program of this build from another process under Xvfb: starting it, finding its
// windows, reading and setting its controls, and waiting for what it does without fixed pauses.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace testutil {

// An environment like this process's but whose search path leaves out the build's
// deliverables, so that a started program finds only the libraries of its own folder.
std::vector<wchar_t> childEnvironment();

// Polls `condition` every 50 ms until it holds or `timeoutMs` have passed; true when it held.
// The timeouts are generous: a loaded machine may take seconds where an idle one takes none.
bool waitUntil(const std::function<bool()> &condition, DWORD timeoutMs = 30000);

std::wstring windowText(HWND window);
std::wstring windowClass(HWND window);
// The first descendant of `parent` that `match` accepts, or null.
HWND findChild(HWND parent, const std::function<bool(HWND)> &match);

// A program started in `folder` with the text after its name as its command line, in an
// environment whose search path leaves out the build's deliverables, so that it finds only the
// libraries of its own folder. A program still running when the object goes is ended.
class ProgramRun {
public:
  ProgramRun(const std::string &folder, const std::string &exeName, const std::string &arguments);
  ~ProgramRun();
  ProgramRun(const ProgramRun &) = delete;
  ProgramRun &operator=(const ProgramRun &) = delete;

  bool started() const { return m_process.hProcess != nullptr; }
  DWORD pid() const { return m_process.dwProcessId; }
  // The program's visible top-level windows.
  std::vector<HWND> windows() const;
  // Waits for a visible top-level window of the program that `match` accepts; null on timeout.
  HWND waitForWindow(const std::function<bool(HWND)> &match, DWORD timeoutMs = 30000) const;
  bool waitForExit(DWORD timeoutMs = 30000);
  bool exited() const;
  DWORD exitCode() const;

private:
  PROCESS_INFORMATION m_process{};
};

// A block of memory in another process, for control messages that carry a pointer.
class RemoteBuffer {
public:
  RemoteBuffer(DWORD pid, size_t size);
  ~RemoteBuffer();
  RemoteBuffer(const RemoteBuffer &) = delete;
  RemoteBuffer &operator=(const RemoteBuffer &) = delete;
  bool valid() const { return m_address != nullptr; }
  LPARAM address() const { return reinterpret_cast<LPARAM>(m_address); }
  bool write(const void *data, size_t size);
  bool read(void *data, size_t size) const;

private:
  HANDLE m_process = nullptr;
  void *m_address = nullptr;
};

// The value of a date and time picker of another process; false when it holds none.
bool readPicker(HWND picker, SYSTEMTIME &time);
// Sets a picker of another process, then has the control tell its parent as after a change
// by the user (DTN_DATETIMECHANGE); false unless the picker holds `time` to the second.
bool setPickerAsUser(HWND picker, const SYSTEMTIME &time);

// The screen's pixels in `area` (screen coordinates) as 0xRRGGBB, row by row.
std::vector<uint32_t> screenPixels(const RECT &area);
// The 32 by 32 picture a message box's icon control shows on the screen. Icon handles of
// another process cannot be compared or drawn everywhere; the picture on the screen can.
std::vector<uint32_t> shownIcon(HWND iconControl);
// A system icon (an IDI_ name) drawn at 32 by 32 the way a message box draws it, on a
// background of 0xRRGGBB.
std::vector<uint32_t> systemIcon(LPCWSTR id, uint32_t background);
// A bitmap resource of a module loaded as data, as 0xRRGGBB rows, its (0, 0) colour replaced
// by `background`; empty when absent.
std::vector<uint32_t> resourceBitmap(const std::string &modulePath, UINT id, int &width,
                                     int &height, COLORREF background);
// Where the `width` by `height` picture occurs in the pixels of `area`; false when nowhere.
bool containsPicture(const std::vector<uint32_t> &area, int areaWidth, int areaHeight,
                     const std::vector<uint32_t> &picture, int width, int height);

// A file's times as the platform keeps them, in local time.
struct LocalTimes {
  SYSTEMTIME creation{}, access{}, update{};
};
bool readLocalTimes(const std::string &path, LocalTimes &times);
// Sets the three times given in local time; false when the platform refused.
bool writeLocalTimes(const std::string &path, const SYSTEMTIME &creation, const SYSTEMTIME &access,
                     const SYSTEMTIME &update);
SYSTEMTIME localTime(int year, int month, int day, int hour, int minute, int second);
bool sameSecond(const SYSTEMTIME &a, const SYSTEMTIME &b);

// The Linux name of a file seen by Wine ("" outside Wine), and the start of a Linux program
// from Wine. Wine gives no handle to wait on such a program: callers wait for its effect.
std::string unixPathOf(const std::string &windowsPath);
bool startUnixProgram(const std::string &commandLine);

} // namespace testutil
