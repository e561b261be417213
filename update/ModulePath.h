// The running executable's full path, for callers without an updater at hand.
#pragma once
#include "platform/CString.h"

CString RunningModulePath();
