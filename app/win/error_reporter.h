// The program's error reporter: a code becomes a Japanese message box.
#pragma once
#include <windows.h>

#include "framework/afx.h"

class CErrorReporter {
public:
  // The string id that holds the message of a code (5010 for codes without their own text).
  static UINT StringIdOf(int code);
  // The box's text: the message, the code, and the system's text for the last error.
  static std::wstring Compose(const std::wstring &message, int code, const wchar_t *systemText);

  int ShowError(UINT flags, int code) const;
  int ShowException(UINT flags, int number, const CException &exception) const;
};
