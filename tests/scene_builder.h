// Kept for the files that still include it by this name.
#pragma once

#include "support/model_builder.h"
