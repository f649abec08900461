#include "FakeFirmware.h"

FakeFirmware  *FakeFirmware::Current = nullptr;
