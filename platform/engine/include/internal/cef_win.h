#pragma once
#include "include/internal/cef_types_wrappers.h"
