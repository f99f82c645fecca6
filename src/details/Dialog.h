// The details window ("Dettagli"): the icon, file name and version values of the file
// behind the selected row of the process list or of the startup list.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "fileinfo/cGetFileIcon.h"
#include "inventory/pure/Rows.h"
#include "platform/Handles.h"
#include "platform/Window.h"

namespace vt {

class FileSystemObject;
class IPrompt;

// The rows the window may show: the selected row of the process list and of the startup
// list, as their records (none where that list has no selected row). DetailsSource says
// which of the two is shown.
struct DetailsRows {
    std::optional<ProcessRow> process;
    std::optional<StartupRow> startup;
};

class Dialog : public Window {
public:
    // The rows to show (copied: the lists may be refilled while the window is open) and
    // the seam through which error messages are shown. iconResource names the program's
    // icon resource the caption shows (0: the system's default).
    Dialog(DetailsRows rows, IPrompt& prompt, int iconResource = 0);
    ~Dialog() override;
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    // Creates and shows the window, its top-left corner at the screen's centre and
    // topmost, then fills it from the selected row of the list DetailsSource names. A
    // window this object still shows is closed first. False when no window was made.
    bool Load();
    // Closes the window (no-op when it is not open).
    void Unload();
    // The rows the next Load shows.
    const DetailsRows& Rows() const { return rows_; }
    void Rows(DetailsRows rows) { rows_ = std::move(rows); }

    // The text of txtInfo(index) and the caption of Label1(index); "" for an index the
    // window does not have or when it is closed.
    std::string InfoText(int index) const;
    std::string LabelText(int index) const;
    // The icon Image1 shows, nullptr when none.
    HICON ImageIcon() const;

    // Half a screen dimension in pixels, a tie going to the even neighbour.
    static int HalfToEven(int pixels) noexcept;

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    void OnDpiChanged() override;
    // Puts one value into txtInfo(index); every box is filled through here.
    virtual void SetInfo(int index, const std::string& text);

private:
    void CreateControls();
    void CreateFonts();
    void Relayout();
    void ShowProcessDetails();
    void ShowStartupEntryDetails();
    void ShowVersionInfo(const std::string& path, bool byFileName);
    void ShowIcon(const std::string& path);
    void ShowPicture(PicturePtr picture);
    void ShowError(int32_t number, const std::string& description);
    FileSystemObject& FileSystem();

    DetailsRows rows_;
    IPrompt& prompt_;
    int iconResource_;

    UniqueHFont font_, headingFont_;
    UniqueHFont captionFont_;  // narrowed when the captions would not fit; else empty
    std::unique_ptr<cGetFileIcon> fileIcon_;
    PicturePtr picture_;      // owns the icon Image1 shows
    UniqueHIcon scaledIcon_;  // the picture's icon redrawn at this DPI, when it differs
    std::unique_ptr<FileSystemObject> fileSystem_;
    std::string filePath_;
};

}  // namespace vt
