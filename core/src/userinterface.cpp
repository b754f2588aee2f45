#include "core/userinterface.h"

namespace papyrion {

void RecordingUserInterface::ShowStatus(int line, const std::string& text) {
    calls.push_back("status " + std::to_string(line) + ": " + text);
}
void RecordingUserInterface::ActivityTick() { calls.emplace_back("tick"); }
void RecordingUserInterface::ShowMessage(const std::string& text) {
    calls.push_back("message: " + text);
}
void RecordingUserInterface::ShowError(const std::string& text) {
    calls.push_back("error: " + text);
}
bool RecordingUserInterface::AskYesNo(const std::string& text) {
    calls.push_back("ask: " + text);
    return answer;
}
void RecordingUserInterface::ProcessPendingMessages() { calls.emplace_back("pending"); }

}  // namespace papyrion
