#pragma once

// The two controls that take typed text.
#include "dui/controls/edit.h"
#include "dui/controls/text_box.h"
