#include "update/UrlAnswer.h"

using namespace plat;

namespace {
constexpr DWORD kHttpOk = 200;
}

bool AnsweredOk(HINTERNET hUrl) {
    DWORD status = 0;
    return HttpQueryInfoNumber(hUrl, HTTP_QUERY_STATUS_CODE, &status) && status == kHttpOk;
}
