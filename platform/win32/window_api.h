#pragma once

// The Win32 headers of the window side. Include this after every engine header: the
// engine spells its own Win32 vocabulary (WM_..., MB_..., IDC_...) as constants with the
// same names as the macros defined here, and a macro would rewrite those declarations.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// Set apart: these need <windows.h> first.
#include <imm.h>
#include <ole2.h>
#include <shlobj.h>
