// Rows whose file carries a system program's name outside the Windows folder: their name
// is drawn red, with a tooltip that says why; the grade stays the service's.
#pragma once

#include <windows.h>

#include <string>

#include "platform/ListView.h"

namespace vt {

inline constexpr COLORREF kImpostorRed = RGB(192, 0, 0);
inline constexpr const char* kImpostorTip =
    "Attenzione: il nome di un file di sistema \xc3\xa8 usato fuori dalla cartella di Windows.";

// `path`: the row's file, folder and name.
void MarkIfImpostor(ListView& list, int row, const std::string& path);

}  // namespace vt
