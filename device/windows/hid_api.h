// The Windows headers of the HID class driver interface, in one place: mingw's hidsdi.h
// declares C functions without a C++ guard.
#pragma once

#include <windows.h>

extern "C" {
#include <hidsdi.h>
#include <hidpi.h>
}
