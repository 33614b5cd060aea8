#pragma once

#include "text/wstring.h"

// The default layout name for the captured display: "Layout <width> x <height>"
// with one monitor, otherwise "Multi-Monitor " and one "[l,t,r,b]" group per
// monitor in enumeration order, the primary's marked with "*".
void BuildLayoutName(WString& name, int monitorCount);
