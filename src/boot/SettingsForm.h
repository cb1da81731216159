// A page whose controls hold settings: before a boot, MenuInterface has
// every registered form store its controls into the settings. The Main and
// Option pages of the user interface implement it.
#pragma once

class SettingsForm {
  public:
    // The controls' values into MenuInterface's settings.
    virtual void store() = 0;

  protected:
    ~SettingsForm() = default;  // the user interface owns its pages
};
