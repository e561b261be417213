// The test-facing side of the simulated shell: special folders, COM
// initialisation and the shell link object. Links are saved as small files
// in the simulated file system, so a test can both list the saves and read a
// link back from where it landed. sim::Reset() (SimWorld.h) restores the
// defaults below, with every special folder created.
#pragma once
#include "platform/WinTypes.h"
#include "tests/sim/SimFaults.h"
#include "tests/sim/SimWorld.h"

#include <optional>
#include <string>
#include <vector>

namespace sim {

// ------------------------------------------------------- special folders
// Defaults: CSIDL_COMMON_APPDATA "C:\ProgramData", CSIDL_COMMON_DESKTOPDIRECTORY
// "C:\Users\Public\Desktop", CSIDL_LOCAL_APPDATA
// "C:\Users\user\AppData\Local", CSIDL_DESKTOPDIRECTORY
// "C:\Users\user\Desktop", CSIDL_COMMON_STARTMENU
// "C:\ProgramData\Microsoft\Windows\Start Menu" (CSIDL_COMMON_PROGRAMS its
// "\Programs"), CSIDL_STARTMENU
// "C:\Users\user\AppData\Roaming\Microsoft\Windows\Start Menu"
// (CSIDL_PROGRAMS its "\Programs"). Paths never end in a backslash.
// An empty path makes SHGetSpecialFolderPathA fail for that folder; so
// does an unknown folder id. The folder is not created here.
void SetSpecialFolder(int csidl, const std::string& path);
std::string SpecialFolder(int csidl);

struct SpecialFolderCall {
    plat::HWND owner;
    int csidl;
    plat::BOOL create;
};
std::vector<SpecialFolderCall> SpecialFolderCalls();

// ----------------------------------------------------------------- COM
// CoInitialize answers this when no fault is injected. Unset, it answers as
// Windows does: S_OK, or S_FALSE ("already initialised on this thread",
// still a success to be balanced) when an earlier call is not yet balanced.
void SetCoInitializeResult(plat::HRESULT hr);
int CoInitializeCalls();
int CoUninitializeCalls();
// Successful CoInitialize calls not yet balanced by CoUninitialize.
int ComInitDepth();
// Link objects created and not yet released to zero.
int LiveComObjects();

// ---------------------------------------------------------- shell links
// Every IPersistFile::Save, in call order, with the link object's state at
// that moment. The save writes the file only when the name is not empty and
// its folder exists.
struct LinkSave {
    std::string file;  // the wide name converted back to code page 936
    std::string target;
    std::string arguments;
    bool argumentsSet;
    plat::BOOL remember;
    bool written;
};
std::vector<LinkSave> LinkSaves();

// What a saved link file holds, or nothing when no link file is there.
struct LinkFile {
    std::string target;
    std::string arguments;
};
std::optional<LinkFile> ReadLink(const std::string& path);

// ------------------------------------------------------------ elevation
// How the user answers the next elevation prompts (ShellExecuteRunAsA):
// the elevated program's exit code, or nothing for a refusal. Unset: the
// test did not expect a prompt, which fails it.
void AnswerElevation(std::optional<plat::DWORD> exitCode);
struct ElevatedStart {
    std::string file;
    std::string parameters;
};
// Every prompt shown, in order, whatever the answer.
std::vector<ElevatedStart> ElevationPrompts();

}  // namespace sim
