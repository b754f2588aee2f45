#pragma once
// The small door through which processing and delivery talk to the user.
// The windows implement it with Qt, papyrion-cli with stderr, tests with
// RecordingUserInterface.

#include <string>
#include <vector>

namespace papyrion {

class UserInterface {
  public:
    virtual ~UserInterface() = default;

    // Status strip of the drop window; line is 1 or 2.
    virtual void ShowStatus(int line, const std::string& text) = 0;
    // Advances the thin activity bar by one position.
    virtual void ActivityTick() = 0;
    // A plain message box with one of the program's own texts.
    virtual void ShowMessage(const std::string& text) = 0;
    // The error box for a raised error.
    virtual void ShowError(const std::string& text) = 0;
    // A Yes/No question; true for Yes.
    virtual bool AskYesNo(const std::string& text) = 0;
    // Lets pending window messages run (a click or a drop may be handled).
    virtual void ProcessPendingMessages() = 0;
};

// Remembers every call as one line of text ("status 1: ...", "message: ...",
// "error: ...", "ask: ...", "tick", "pending"), for tests.
class RecordingUserInterface : public UserInterface {
  public:
    void ShowStatus(int line, const std::string& text) override;
    void ActivityTick() override;
    void ShowMessage(const std::string& text) override;
    void ShowError(const std::string& text) override;
    bool AskYesNo(const std::string& text) override;
    void ProcessPendingMessages() override;

    std::vector<std::string> calls;
    bool answer = true;  // what AskYesNo answers
};

}  // namespace papyrion
