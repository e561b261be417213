#include "update/UrlAnswer.h"

#include "base/SupportLog.h"
#include "platform/Threads.h"

using namespace plat;

namespace {
constexpr DWORD kHttpOk = 200;
}

bool AnsweredOk(HINTERNET hUrl) {
    DWORD status = 0;
    return HttpQueryInfoNumber(hUrl, HTTP_QUERY_STATUS_CODE, &status) && status == kHttpOk;
}

void LogAnswer(const char* url, const char* release, HINTERNET hUrl, DWORD bytes, DWORD start) {
    DWORD status = 0;
    if (!SupportLogOn()) return;
    HttpQueryInfoNumber(hUrl, HTTP_QUERY_STATUS_CODE, &status);
    LogEvent("GET %s%s%s: HTTP %lu, %lu bytes, %lu ms", LoggableUrl(url).c_str(), release ? " of " : "",
             release ? release : "", static_cast<unsigned long>(status), static_cast<unsigned long>(bytes),
             static_cast<unsigned long>(GetTickCount() - start));
}
