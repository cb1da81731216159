#include "file/Reader.h"
