// Where the window console's lines end up: the Console page, which lives in
// the user interface above this layer and registers itself here.
#pragma once

#include "platform/ce/CeTypes.h"

class ConsoleSink {
  public:
    // One formatted line (or part of one), NUL-terminated.
    virtual void write(const ce::WCHAR* text) = 0;

  protected:
    ~ConsoleSink() = default;  // sinks are owned and destroyed by their creators
};
