// The launcher's choice of browser-host traits (linked into Corrin only).
#include "CefProgramTraits.h"

const CefProgramTraits& GetCefProgramTraits() { return kLauncherCefTraits; }
