// One half of a loop.
#pragma once
#include "file/Second.h"
