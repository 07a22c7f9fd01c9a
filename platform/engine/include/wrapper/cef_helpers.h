#pragma once
// Thread assertions and small helpers around the engine's threads.
#include "include/base/cef_logging.h"
#include "include/cef_task.h"

#define CEF_REQUIRE_UI_THREAD() CHECK(CefCurrentlyOn(TID_UI))
#define CEF_REQUIRE_IO_THREAD() CHECK(CefCurrentlyOn(TID_IO))
#define CEF_REQUIRE_FILE_THREAD() CHECK(CefCurrentlyOn(TID_FILE))
#define CEF_REQUIRE_RENDERER_THREAD() CHECK(CefCurrentlyOn(TID_RENDERER))

