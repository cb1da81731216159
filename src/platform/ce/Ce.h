// Every Windows CE service the system calls.
#pragma once

#include "platform/ce/CeControls.h"
#include "platform/ce/CeDisk.h"
#include "platform/ce/CeFile.h"
#include "platform/ce/CeMemory.h"
#include "platform/ce/CeSystem.h"
#include "platform/ce/CeText.h"
#include "platform/ce/CeTypes.h"
#include "platform/ce/CeWindow.h"
#include "platform/ce/CeWinsock.h"
