#include "install/Shortcuts.h"

#include "base/ComPtr.h"
#include "base/Handles.h"
#include "base/CFileFind.h"
#include "base/CString.h"
#include "platform/Kernel.h"
#include "platform/Shell.h"
#include "platform/User.h"
#include "base/ProgramPaths.h"
#include "install/InstalledCopy.h"
#include "install/PathCompare.h"

#include <cstring>

namespace {

constexpr int kWidePath = 260;

// The link path as the link object's save wants it. A path that does not fit
// stays empty rather than half converted.
void ToWide(const char* path, plat::DWORD flags, plat::WCHAR (&wide)[kWidePath]) {
    std::memset(wide, 0, sizeof wide);
    if (plat::MultiByteToWideChar(plat::CP_ACP, flags, path, -1, wide, kWidePath) == 0)
        std::memset(wide, 0, sizeof wide);
}

ComPtr<plat::IShellLinkA> MakeShellLink() {
    ComPtr<plat::IShellLinkA> link;
    if (plat::FAILED(plat::CoCreateInstance(plat::CLSID_ShellLink, plat::CLSCTX_INPROC_SERVER,
                                            plat::IID_IShellLinkA, link.PutVoid())))
        link.Reset();
    return link;
}

ComPtr<plat::IPersistFile> PersistFileOf(const ComPtr<plat::IShellLinkA>& link) {
    ComPtr<plat::IPersistFile> file;
    if (plat::FAILED(link->QueryInterface(plat::IID_IPersistFile, file.PutVoid()))) file.Reset();
    return file;
}

void WriteLink(const CString& target, const CString& link) { CreateShortcut(target, link, ""); }

// The target a link file holds, empty when there is none or it cannot be read.
CString LinkTarget(const CString& linkPath) {
    plat::WCHAR wideLink[kWidePath];
    ToWide(linkPath, 0, wideLink);
    ComInit com;
    if (!com.Succeeded()) return CString();
    ComPtr<plat::IShellLinkA> link = MakeShellLink();
    if (!link) return CString();
    ComPtr<plat::IPersistFile> file = PersistFileOf(link);
    char target[plat::MAX_PATH] = {};
    if (!file || plat::FAILED(file->Load(wideLink, plat::STGM_READ)) ||
        plat::FAILED(link->GetPath(target, plat::MAX_PATH)))
        return CString();
    return CString(target);
}

// Every row is written, or with leadingInto only those whose link is there
// and leads into that folder.
bool Writes(const CString& link, const char* leadingInto) {
    return !leadingInto || IsInFolder(LinkTarget(link), leadingInto);
}

// A start menu row: the link directly in the folder.
void WriteStartMenuRow(plat::HWND hWnd, int csidl, const CString& target, const char* leadingInto) {
    const CString folder = SpecialFolder(hWnd, csidl);
    if (folder.IsEmpty() || !Writes(StartMenuLinkIn(folder), leadingInto)) return;
    WriteLink(target, StartMenuLinkIn(folder));
}

// A programs row: the link in its sub-folder, made first.
void WriteProgramsRow(plat::HWND hWnd, int csidl, const CString& target, const char* leadingInto) {
    const CString folder = SpecialFolder(hWnd, csidl);
    if (folder.IsEmpty() || !Writes(ProgramsLinkIn(folder), leadingInto)) return;
    plat::CreateDirectoryA(ProgramsSubFolderIn(folder));  // exists on a second run
    WriteLink(target, ProgramsLinkIn(folder));
}

// The rows after the marker, in their order.
void WriteRows(plat::HWND hWnd, const CString& target, LinkSet links, const char* leadingInto) {
    if (links == LinkSet::AllUsers) {
        // A new link, of no older version's making: the full target, like
        // a start menu's (the same name in the folder).
        WriteStartMenuRow(hWnd, plat::CSIDL_COMMON_DESKTOPDIRECTORY, target, nullptr);
    } else if (!leadingInto ||
               Writes(DesktopLinkIn(SpecialFolder(nullptr, plat::CSIDL_DESKTOPDIRECTORY)), leadingInto)) {
        CreateDesktopShortcut(target);
    }
    if (links != LinkSet::User) {
        WriteStartMenuRow(hWnd, plat::CSIDL_COMMON_STARTMENU, target, nullptr);
        WriteProgramsRow(hWnd, plat::CSIDL_COMMON_PROGRAMS, target, nullptr);
    }
    if (links == LinkSet::AllUsers) return;
    WriteStartMenuRow(hWnd, plat::CSIDL_STARTMENU, target, leadingInto);
    WriteProgramsRow(hWnd, plat::CSIDL_PROGRAMS, target, leadingInto);
}

bool MarkerExists(const char* marker) {
    CFileFind finder;
    if (!finder.FindFile(marker, 0)) return false;
    finder.Close();
    return true;
}

}  // namespace

void LeadLinksToOwnCopy(const char* ownTarget, const char* machineFolder) {
    WriteRows(nullptr, ownTarget, LinkSet::User, machineFolder);
}

bool AskForShortcuts(const char* installFolder) {
    return !MarkerExists(ShortcutMarkerIn(installFolder)) &&
           plat::AfxMessageBox("为了方便你以后继续使用，是否添加一个快捷方式Veltrano到你的桌面和程序？",
                               plat::MB_YESNO | plat::MB_ICONQUESTION) != plat::IDNO;
}

void OfferShortcuts(plat::HWND hWnd, const char* installFolder, bool allUsers, bool ask) {
    if (ask ? !AskForShortcuts(installFolder) : MarkerExists(ShortcutMarkerIn(installFolder))) return;
    WriteShortcuts(hWnd, installFolder, allUsers ? LinkSet::UserAndAllUsers : LinkSet::User);
}

void WriteShortcuts(plat::HWND hWnd, const char* installFolder, LinkSet links) {
    const CString target = InstallTargetIn(installFolder);
    // The marker goes first, so a later failing row never brings the question back.
    WriteLink(target, ShortcutMarkerIn(installFolder));
    WriteRows(hWnd, target, links, nullptr);
}

plat::BOOL CreateShortcut(const char* lpszTarget, const char* lpszLink, const char* lpszArgs) {
    plat::WCHAR wideLink[kWidePath];
    ToWide(lpszLink, 0, wideLink);
    ComInit com;
    if (!com.Succeeded()) return plat::FALSE;
    ComPtr<plat::IShellLinkA> link = MakeShellLink();
    if (!link) return plat::FALSE;
    link->SetPath(lpszTarget);
    link->SetArguments(lpszArgs);
    ComPtr<plat::IPersistFile> file = PersistFileOf(link);
    if (!file) return plat::FALSE;
    file->Save(wideLink, plat::FALSE);
    return plat::TRUE;
}

void CreateDesktopShortcut() {
    const CString folder = InstallFolderIn(SpecialFolder(nullptr, plat::CSIDL_COMMON_APPDATA));
    if (folder.IsEmpty()) return;
    CreateDesktopShortcut(InstallTargetIn(folder));
}

void CreateDesktopShortcut(const char* installTarget) {
    ComInit com;
    if (!com.Succeeded()) return;
    ComPtr<plat::IShellLinkA> link = MakeShellLink();
    if (!link) return;

    link->SetPath(DesktopLinkTarget(installTarget));

    ComPtr<plat::IPersistFile> file = PersistFileOf(link);
    if (!file) return;
    const CString desktop = SpecialFolder(nullptr, plat::CSIDL_DESKTOPDIRECTORY);
    if (desktop.IsEmpty()) return;
    const CString linkPath = DesktopLinkIn(desktop);
    plat::WCHAR wideLink[kWidePath];
    ToWide(linkPath, plat::MB_PRECOMPOSED, wideLink);
    file->Save(wideLink, plat::FALSE);
}
