// The support log of the simulated user, opened for a test and read back.
#pragma once
#include "base/SupportLog.h"
#include "tests/sim/SimKernel.h"

#include <string>

namespace logtest {

inline const std::string kLogFolder = "C:\\Users\\user\\AppData\\Local\\Veltrano\\";
inline const std::string kLog = kLogFolder + "tarnquill.log";

inline void OpenLog() { OpenSupportLog(kLogFolder.c_str(), "5.0.0.0"); }
// Off again, so no later test writes it (or counts its calls among its faults).
inline void CloseLog() { OpenSupportLog(CString(), nullptr); }
inline std::string ReadLog(const std::string& path = kLog) { return sim::ReadFileBytes(path).value_or(""); }

}  // namespace logtest
