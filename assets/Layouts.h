#pragma once

#include "platform/Layout.h"

extern const platform::FormLayout kForm1Layout;
extern const platform::FormLayout kEgatastLayout;
extern const platform::FormLayout kForm2Layout;
