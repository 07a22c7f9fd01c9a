// The player's choice of browser-host traits (linked into Corrinweb only).
#include "CefProgramTraits.h"

const CefProgramTraits& GetCefProgramTraits() { return kPlayerCefTraits; }
