// Names a parameterised test's row after its "what" text, so a failing row
// reads as "OneAtATime/EachSwapFault.LeavesAWorkingExecutable/DownloadWriteFails".
#pragma once
#include <gtest/gtest.h>

#include <cctype>
#include <string>

template <class Row>
std::string RowName(const ::testing::TestParamInfo<Row>& info) {
    std::string name;
    bool upper = true;
    for (const char* p = info.param.what; *p; ++p) {
        if (!std::isalnum(static_cast<unsigned char>(*p))) {
            upper = true;
            continue;
        }
        name += upper ? static_cast<char>(std::toupper(static_cast<unsigned char>(*p))) : *p;
        upper = false;
    }
    return name;
}
