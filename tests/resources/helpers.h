// Kept for the files that include it by this name.
#pragma once

#include "test_util.h"
