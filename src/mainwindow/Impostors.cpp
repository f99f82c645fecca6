#include "mainwindow/Impostors.h"

#include "core/PathText.h"
#include "core/SystemFiles.h"
#include "platform/FileRemoval.h"

namespace vt {

void MarkIfImpostor(ListView& list, int row, const std::string& path) {
    // The name first: the full path costs the file system a look.
    if (row < 0 || !IsSystemProgramName(FileNamePart(path)) || !IsImpostorFile(path)) return;
    list.SetTextColor(row, 0, kImpostorRed);
    list.SetToolTip(row, 0, kImpostorTip);
}

}  // namespace vt
