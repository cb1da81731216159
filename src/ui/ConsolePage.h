// The Console page: the text box that shows everything the system prints,
// eight debug check boxes, four debug buttons, and "save to file" with the
// log file's name.
#pragma once

#include "console/ConsoleSink.h"
#include "ui/TabPage.h"

class ConsolePage : public TabPage, public ConsoleSink {
  public:
    ConsolePage(TabControl* tabControl, int index);
    // Closes the log file when it is open.
    ~ConsolePage() override;
    void init(ce::HWND dialog) override;
    void command(int id, int code) override;

    // Shows the text in the text box or, while "save to file" is on and
    // `direct` is false, writes it to the log file (one byte per unit, its
    // low seven bits). Text that cannot be copied for the box is dropped.
    virtual void appendText(const ce::WCHAR* text, bool direct);
    // What the system prints: appendText(text, false).
    void write(const ce::WCHAR* text) override { appendText(text, false); }

  private:
    // Creates the log file on the storage card and announces it in the box;
    // false (after "couldn't find temporary directory." when there is no
    // card) when it cannot be created.
    bool openLogFile();
    void writeToLog(const ce::WCHAR* text);
    void showInBox(const ce::WCHAR* text);

    ce::HWND textBox = nullptr;
    ce::HWND fileNameBox = nullptr;
    bool saveToFile = false;
    ce::HANDLE logFile;
};
