// The other half.
#pragma once
#include "file/First.h"
