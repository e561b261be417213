// The running executable's full path (the update agent's GetModulePath).
#pragma once
#include "base/CString.h"

CString RunningModulePath();
