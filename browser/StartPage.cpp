#include "browser/StartPage.h"

#include "BuildConfig.h"
#include "update/AutoUpdater.h"

CString StartPageAddress(const char* version) {
    return CString("http://" TQ_HOST "/tarnquill/?software=") + version;
}

StartPageInfo MakeStartPage(CAutoUpdater& updater) {
    StartPageInfo page;
    page.modulePath = updater.GetModulePath();
    page.version = updater.GetFileVersionString(page.modulePath);
    page.address = StartPageAddress(page.version);
    return page;
}
