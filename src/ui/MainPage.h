// The Main tab page.
#pragma once

class MainPage {
public:
    virtual ~MainPage() = default;
    // Stores the page's controls into the settings.
    virtual void store() {}
};
