// Shell special folders: the real shell32 call.
#include "platform/Shell.h"

#include <windows.h>
#include <shlobj.h>

namespace plat {

BOOL SHGetSpecialFolderPathA(HWND hwndOwner, char* lpszPath, int csidl, BOOL fCreate) {
    return ::SHGetSpecialFolderPathA(reinterpret_cast<::HWND>(hwndOwner), lpszPath, csidl, fCreate);
}

}  // namespace plat
