#pragma once
// Skin UI library: skinned windows built from XML skin files, with painted
// controls, notifications and message maps. The one header the programs include.
//
// Stand-in note: this is our own implementation of the skin library the
// programs are written against (shipped as DuiLib.dll). Everything runs on the
// thread that created the window (the window thread), unless a method says
// otherwise.
#include "DuiLib/UIDefine.h"
#include "DuiLib/UIString.h"
#include "DuiLib/UIManager.h"
#include "DuiLib/UIControl.h"
#include "DuiLib/UIContainer.h"
#include "DuiLib/UIControls.h"
#include "DuiLib/UIRender.h"
#include "DuiLib/UIDlgBuilder.h"
#include "DuiLib/UIWindow.h"
#include "DuiLib/WindowImplBase.h"
#include "DuiLib/UIMenu.h"
#include "DuiLib/UITrayIcon.h"
#include "DuiLib/UITestSeam.h"
