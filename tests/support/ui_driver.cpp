// Driving a program of this build from another process under Xvfb: starting it, finding its
// windows, reading and setting its controls, and waiting for what it does without fixed pauses.
#include "tests/support/ui_driver.h"

#include "tests/support/win_test_util.h"

#include <commctrl.h>

#include <cstring>

namespace testutil {

bool waitUntil(const std::function<bool()> &condition, DWORD timeoutMs) {
  const ULONGLONG end = GetTickCount64() + timeoutMs;
  for (;;) {
    if (condition())
      return true;
    if (GetTickCount64() >= end)
      return false;
    Sleep(50);
  }
}

std::wstring windowText(HWND window) {
  wchar_t text[2048] = {};
  DWORD_PTR ignored = 0;
  // A hung program must not hang the test with it.
  SendMessageTimeoutW(window, WM_GETTEXT, 2048, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                      10000, &ignored);
  return text;
}

std::wstring windowClass(HWND window) {
  wchar_t name[128] = {};
  GetClassNameW(window, name, 128);
  return name;
}

std::vector<wchar_t> childEnvironment() {
  std::vector<wchar_t> block;
  wchar_t *env = GetEnvironmentStringsW();
  for (const wchar_t *p = env; *p; p += wcslen(p) + 1) {
    if (_wcsnicmp(p, L"PATH=", 5) == 0)
      continue;
    block.insert(block.end(), p, p + wcslen(p) + 1);
  }
  FreeEnvironmentStringsW(env);
  const std::wstring path = L"PATH=C:\\windows\\system32;C:\\windows";
  block.insert(block.end(), path.c_str(), path.c_str() + path.size() + 1);
  block.push_back(L'\0');
  return block;
}

namespace {

struct ChildSearch {
  const std::function<bool(HWND)> *match;
  HWND found;
};

BOOL CALLBACK visitChild(HWND child, LPARAM param) {
  auto *search = reinterpret_cast<ChildSearch *>(param);
  if ((*search->match)(child)) {
    search->found = child;
    return FALSE;
  }
  return TRUE;
}

struct TopSearch {
  DWORD pid;
  std::vector<HWND> found;
};

BOOL CALLBACK visitTop(HWND window, LPARAM param) {
  auto *search = reinterpret_cast<TopSearch *>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid == search->pid && IsWindowVisible(window))
    search->found.push_back(window);
  return TRUE;
}

} // namespace

HWND findChild(HWND parent, const std::function<bool(HWND)> &match) {
  ChildSearch search{&match, nullptr};
  EnumChildWindows(parent, visitChild, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

ProgramRun::ProgramRun(const std::string &folder, const std::string &exeName,
                       const std::string &arguments) {
  const std::string exe = folder + "\\" + exeName;
  std::string commandLine = "\"" + exe + "\" " + arguments;
  STARTUPINFOA si{};
  si.cb = sizeof si;
  std::vector<wchar_t> env = childEnvironment();
  if (!CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                      CREATE_UNICODE_ENVIRONMENT, env.data(), folder.c_str(), &si, &m_process))
    m_process = PROCESS_INFORMATION{};
}

ProgramRun::~ProgramRun() {
  if (!started())
    return;
  if (!exited())
    TerminateProcess(m_process.hProcess, 99);
  CloseHandle(m_process.hProcess);
  CloseHandle(m_process.hThread);
}

std::vector<HWND> ProgramRun::windows() const {
  TopSearch search{pid(), {}};
  EnumWindows(visitTop, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND ProgramRun::waitForWindow(const std::function<bool(HWND)> &match, DWORD timeoutMs) const {
  HWND found = nullptr;
  waitUntil(
      [&] {
        if (exited())
          return true;
        for (HWND window : windows())
          if (match(window)) {
            found = window;
            return true;
          }
        return false;
      },
      timeoutMs);
  return found;
}

bool ProgramRun::waitForExit(DWORD timeoutMs) {
  return started() && WaitForSingleObject(m_process.hProcess, timeoutMs) == WAIT_OBJECT_0;
}

bool ProgramRun::exited() const {
  return !started() || WaitForSingleObject(m_process.hProcess, 0) == WAIT_OBJECT_0;
}

DWORD ProgramRun::exitCode() const {
  DWORD code = STILL_ACTIVE;
  if (started())
    GetExitCodeProcess(m_process.hProcess, &code);
  return code;
}

RemoteBuffer::RemoteBuffer(DWORD pid, size_t size) {
  m_process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
  if (m_process != nullptr)
    m_address = VirtualAllocEx(m_process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
}

RemoteBuffer::~RemoteBuffer() {
  if (m_address != nullptr)
    VirtualFreeEx(m_process, m_address, 0, MEM_RELEASE);
  if (m_process != nullptr)
    CloseHandle(m_process);
}

bool RemoteBuffer::write(const void *data, size_t size) {
  SIZE_T done = 0;
  return valid() && WriteProcessMemory(m_process, m_address, data, size, &done) && done == size;
}

bool RemoteBuffer::read(void *data, size_t size) const {
  SIZE_T done = 0;
  return valid() && ReadProcessMemory(m_process, m_address, data, size, &done) && done == size;
}

namespace {

DWORD ownerOf(HWND window) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  return pid;
}

} // namespace

bool readPicker(HWND picker, SYSTEMTIME &time) {
  RemoteBuffer remote(ownerOf(picker), sizeof(SYSTEMTIME));
  DWORD_PTR result = GDT_NONE;
  if (!remote.valid() || !SendMessageTimeoutW(picker, DTM_GETSYSTEMTIME, 0, remote.address(),
                                              SMTO_ABORTIFHUNG, 10000, &result))
    return false;
  return result == GDT_VALID && remote.read(&time, sizeof time);
}

bool setPickerAsUser(HWND picker, const SYSTEMTIME &time) {
  // The control's pointer argument is read in its own process: the record lives there.
  RemoteBuffer remote(ownerOf(picker), sizeof time);
  DWORD_PTR result = 0;
  auto send = [&](UINT message, WPARAM wParam, LPARAM lParam) {
    return SendMessageTimeoutW(picker, message, wParam, lParam, SMTO_ABORTIFHUNG, 10000, &result) !=
           0;
  };
  if (!remote.write(&time, sizeof time) || !send(DTM_SETSYSTEMTIME, GDT_VALID, remote.address()) ||
      result == 0)
    return false;
  // Wine passes no WM_NOTIFY between processes, so the control itself must tell its parent: a
  // click selects its first field, and one step up and one down leave the value as set, each
  // step notifying DTN_DATETIMECHANGE as a user's would.
  RECT client;
  GetClientRect(picker, &client);
  const LPARAM firstField = MAKELPARAM(6, (client.bottom - client.top) / 2);
  if (!send(WM_LBUTTONDOWN, MK_LBUTTON, firstField) || !send(WM_LBUTTONUP, 0, firstField) ||
      !send(WM_KEYDOWN, VK_UP, 0) || !send(WM_KEYDOWN, VK_DOWN, 0))
    return false;
  SYSTEMTIME now{};
  return readPicker(picker, now) && now.wYear == time.wYear && now.wMonth == time.wMonth &&
         now.wDay == time.wDay && now.wHour == time.wHour && now.wMinute == time.wMinute &&
         now.wSecond == time.wSecond;
}

namespace {

// The pixels of a bitmap as 0xRRGGBB rows, through a 32-bit top-down DIB.
std::vector<uint32_t> pixelsOf(HDC dc, HBITMAP bitmap, int width, int height) {
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = width;
  bi.bmiHeader.biHeight = -height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  std::vector<uint32_t> pixels(static_cast<size_t>(width) * static_cast<size_t>(height));
  if (GetDIBits(dc, bitmap, 0, static_cast<UINT>(height), pixels.data(), &bi, DIB_RGB_COLORS) !=
      height)
    return {};
  for (uint32_t &p : pixels)
    p &= 0xFFFFFF;
  return pixels;
}

uint32_t rgbOf(COLORREF colour) {
  return (static_cast<uint32_t>(GetRValue(colour)) << 16) |
         (static_cast<uint32_t>(GetGValue(colour)) << 8) | GetBValue(colour);
}

} // namespace

std::vector<uint32_t> screenPixels(const RECT &area) {
  const int width = area.right - area.left, height = area.bottom - area.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
  SelectObject(memory, old);
  std::vector<uint32_t> pixels = pixelsOf(memory, bitmap, width, height);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return pixels;
}

std::vector<uint32_t> shownIcon(HWND iconControl) {
  RECT r;
  GetWindowRect(iconControl, &r);
  r.right = r.left + 32;
  r.bottom = r.top + 32;
  return screenPixels(r);
}

std::vector<uint32_t> systemIcon(LPCWSTR id, uint32_t background) {
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, 32, 32);
  HGDIOBJ old = SelectObject(dc, bitmap);
  HBRUSH brush =
      CreateSolidBrush(RGB(background >> 16, (background >> 8) & 0xFF, background & 0xFF));
  RECT all = {0, 0, 32, 32};
  FillRect(dc, &all, brush);
  DeleteObject(brush);
  DrawIconEx(dc, 0, 0, LoadIconW(nullptr, id), 32, 32, 0, nullptr, DI_NORMAL);
  SelectObject(dc, old);
  std::vector<uint32_t> pixels = pixelsOf(dc, bitmap, 32, 32);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return pixels;
}

std::vector<uint32_t> resourceBitmap(const std::string &modulePath, UINT id, int &width,
                                     int &height, COLORREF background) {
  std::vector<uint32_t> pixels;
  HMODULE module = LoadLibraryExA(modulePath.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (module == nullptr)
    return pixels;
  HBITMAP bitmap =
      static_cast<HBITMAP>(LoadImageA(module, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, 0));
  BITMAP info{};
  if (bitmap != nullptr && GetObjectA(bitmap, sizeof info, &info) != 0) {
    width = info.bmWidth;
    height = info.bmHeight;
    HDC dc = CreateCompatibleDC(nullptr);
    pixels = pixelsOf(dc, bitmap, width, height);
    DeleteDC(dc);
    if (!pixels.empty()) {
      const uint32_t key = pixels[0];
      for (uint32_t &p : pixels)
        if (p == key)
          p = rgbOf(background);
    }
  }
  if (bitmap != nullptr)
    DeleteObject(bitmap);
  FreeLibrary(module);
  return pixels;
}

bool containsPicture(const std::vector<uint32_t> &area, int areaWidth, int areaHeight,
                     const std::vector<uint32_t> &picture, int width, int height) {
  if (picture.empty() ||
      area.size() < static_cast<size_t>(areaWidth) * static_cast<size_t>(areaHeight))
    return false;
  for (int y0 = 0; y0 + height <= areaHeight; ++y0)
    for (int x0 = 0; x0 + width <= areaWidth; ++x0) {
      bool same = true;
      for (int y = 0; y < height && same; ++y)
        same = std::memcmp(&area[static_cast<size_t>((y0 + y) * areaWidth + x0)],
                           &picture[static_cast<size_t>(y * width)],
                           static_cast<size_t>(width) * 4) == 0;
      if (same)
        return true;
    }
  return false;
}

namespace {

bool toLocal(const FILETIME &utc, SYSTEMTIME &local) {
  SYSTEMTIME system;
  return FileTimeToSystemTime(&utc, &system) &&
         SystemTimeToTzSpecificLocalTime(nullptr, &system, &local);
}

bool toUtc(const SYSTEMTIME &local, FILETIME &utc) {
  SYSTEMTIME system;
  return TzSpecificLocalTimeToSystemTime(nullptr, &local, &system) &&
         SystemTimeToFileTime(&system, &utc);
}

HANDLE openForTimes(const std::string &path, DWORD access) {
  return CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                     nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

} // namespace

bool readLocalTimes(const std::string &path, LocalTimes &times) {
  HANDLE item = openForTimes(path, FILE_READ_ATTRIBUTES);
  if (item == INVALID_HANDLE_VALUE)
    return false;
  FILETIME creation, access, update;
  const bool ok = GetFileTime(item, &creation, &access, &update) &&
                  toLocal(creation, times.creation) && toLocal(access, times.access) &&
                  toLocal(update, times.update);
  CloseHandle(item);
  return ok;
}

bool writeLocalTimes(const std::string &path, const SYSTEMTIME &creation, const SYSTEMTIME &access,
                     const SYSTEMTIME &update) {
  FILETIME c, a, u;
  if (!toUtc(creation, c) || !toUtc(access, a) || !toUtc(update, u))
    return false;
  HANDLE item = openForTimes(path, FILE_WRITE_ATTRIBUTES);
  if (item == INVALID_HANDLE_VALUE)
    return false;
  const bool ok = SetFileTime(item, &c, &a, &u) != FALSE;
  CloseHandle(item);
  return ok;
}

SYSTEMTIME localTime(int year, int month, int day, int hour, int minute, int second) {
  SYSTEMTIME t = at(year, month, day, hour, minute, second);
  // The day of the week follows from the date.
  FILETIME f;
  if (SystemTimeToFileTime(&t, &f))
    FileTimeToSystemTime(&f, &t);
  return t;
}

bool sameSecond(const SYSTEMTIME &a, const SYSTEMTIME &b) {
  return a.wYear == b.wYear && a.wMonth == b.wMonth && a.wDay == b.wDay && a.wHour == b.wHour &&
         a.wMinute == b.wMinute && a.wSecond == b.wSecond;
}

std::string unixPathOf(const std::string &windowsPath) {
  using UnixName = char *(CDECL *)(const wchar_t *);
  auto convert = reinterpret_cast<UnixName>(reinterpret_cast<void *>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  if (convert == nullptr)
    return "";
  wchar_t wide[MAX_PATH * 2] = {};
  MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, wide, MAX_PATH * 2);
  char *name = convert(wide);
  if (name == nullptr)
    return "";
  std::string out = name;
  HeapFree(GetProcessHeap(), 0, name);
  return out;
}

bool startUnixProgram(const std::string &commandLine) {
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  std::string line = commandLine;
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    return false;
  // Wine hands out no process handle for a Linux program: there is nothing to wait on.
  if (pi.hProcess != nullptr)
    CloseHandle(pi.hProcess);
  if (pi.hThread != nullptr)
    CloseHandle(pi.hThread);
  return true;
}

} // namespace testutil
