#include "JsFunctionNameSet.h"

#include "CefProgramTraits.h"

JsFunctionNameSet::List JsFunctionNameSet::Names() {
    const CefProgramTraits& traits = GetCefProgramTraits();
    return {traits.pageFunctionNames, traits.pageFunctionCount};
}
