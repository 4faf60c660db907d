#pragma once

// The size request type lives with the image code, which the terminal builds on.
#include "corvel/images/ImageSizeRequest.h"
