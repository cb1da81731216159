// The Option tab page.
#pragma once

class OptionPage {
public:
    virtual ~OptionPage() = default;
    // Stores the page's controls into the settings.
    virtual void store() {}
};
