// The Console tab page: shows what the system prints, or writes it to a log
// file on the storage card.
#pragma once

#include "platform/ce/CeTypes.h"

class ConsolePage {
public:
    virtual ~ConsolePage() = default;
    // Shows the text (direct: always in the text box, never in the log file).
    virtual void appendText(const ce::WCHAR* text, bool direct) {}
};
