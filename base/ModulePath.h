// The running executable's full path, for callers without an updater at hand.
#pragma once
#include "base/CString.h"

CString RunningModulePath();
