#include "browser/StartPage.h"

#include "BuildConfig.h"
#include "base/FileVersion.h"
#include "base/ModulePath.h"

CString StartPageAddress(const char* version) {
    return CString(TQ_SCHEME "://" TQ_HOST "/tarnquill/?software=") + version;
}

StartPageInfo MakeStartPage() {
    StartPageInfo page;
    page.modulePath = RunningModulePath();
    page.version = GetFileVersionString(page.modulePath);
    page.address = StartPageAddress(page.version);
    return page;
}
