#pragma once
// Log statements of the browser controls and their clients carry the name of
// the source unit they belong to as their source-file field.
#include "LogWriter.h"

constexpr const char kCefBaseSource[] = "Src\\Cef3\\control\\cef_base";
constexpr const char kCefOsRenderSource[] = "Src\\Cef3\\control\\cef_osrender";
constexpr const char kCefCommonSource[] = "Src\\Cef3\\control\\cef_common";

#define CEF_UNIT_LOG(source, level, ...) \
    LogWriter::SetSourceLocation(source, __LINE__, __PRETTY_FUNCTION__)(level, __VA_ARGS__)
