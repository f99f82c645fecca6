#include "mainwindow/FileDisposal.h"

#include "platform/FileRemoval.h"
#include "platform/WinText.h"

namespace vt {

namespace {

constexpr UINT kQuestionStyle = MB_YESNOCANCEL | MB_ICONWARNING | MB_DEFBUTTON2;  // 307
constexpr const char* kTitle = "Elimina file";

bool Exists(const std::string& path) { return ::GetFileAttributesW(Widen(path).c_str()) != INVALID_FILE_ATTRIBUTES; }

Disposal Fail(DWORD error, std::string* reason) {
    if (reason) *reason = SystemErrorText(error);
    return Disposal::Failed;
}

Disposal OfferRestart(const std::string& path, const AskFunction& ask) {
    if (ask("Il file " + path +
                " \xc3\xa8 in uso e non pu\xc3\xb2 essere eliminato ora. Vuoi eliminarlo al prossimo "
                "riavvio del PC?",
            kTitle, kQuestionStyle) != IDYES)
        return Disposal::Kept;
    DWORD error = 0;
    if (DeleteAtRestart(path, error)) return Disposal::Scheduled;
    // The list of files for the restart belongs to the system: only administrators write it.
    if (error == ERROR_ACCESS_DENIED || error == ERROR_PRIVILEGE_NOT_HELD)
        ask("Impossibile eliminare il file " + path +
                " al prossimo riavvio: servono i diritti di amministratore del PC.",
            "Vantorile", MB_OK | MB_ICONWARNING);
    else
        ask("Impossibile eliminare il file " + path + " al prossimo riavvio.\r\n" + SystemErrorText(error), "Vantorile",
            MB_OK | MB_ICONWARNING);
    return Disposal::Reported;
}

}  // namespace

Disposal DisposeOfFile(const std::string& path, const AskFunction& ask, std::string* reason) {
    if (!Exists(path)) return Fail(ERROR_FILE_NOT_FOUND, reason);
    // The shell moves a file to the bin even where a program holds it open; that program
    // would then go on using the copy in the bin.
    if (FileInUse(path)) return OfferRestart(path, ask);
    DWORD error = 0;
    if (CanRecycle(path)) {
        if (RecycleFile(path, error)) return Disposal::Gone;
    } else {
        if (ask("Il file " + path +
                    " non pu\xc3\xb2 essere spostato nel Cestino. Vuoi eliminarlo definitivamente dal PC?",
                kTitle, kQuestionStyle) != IDYES)
            return Disposal::Kept;
        if (DeleteFileForGood(path, error)) return Disposal::Gone;
    }
    // A running program's file refuses deletion as "access denied"; where that really was a
    // matter of rights, scheduling it says so.
    if (IsInUseError(error) && Exists(path)) return OfferRestart(path, ask);
    return Fail(error, reason);
}

}  // namespace vt
