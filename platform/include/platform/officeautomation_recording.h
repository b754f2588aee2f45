#pragma once
// Test double of the office automation: every creation, call and put of
// every object lands as one line in `calls`, in order, for example
//   "CreateOleObject(Word.Application)"
//   "Word.Application.Visible := false"
//   "Documents.Open(\"/in/brief.docx\")"
//   "ActiveDocument.SaveAs(Filename:=\"/in/brief.PDF\", fileformat:=17)"
// An object returned by a call is named after the member, or after the last
// part of a dotted service or struct name it was asked for ("Desktop",
// "PropertyValue"). A struct that got a Name and a Value shows as
// Name=Value inside argument lists.

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/officeautomation.h"

namespace papyrion {

class RecordingOfficeAutomation : public OfficeAutomation {
  public:
    AutomationObjectPtr GetActiveOleObject(std::string_view prog_id) override;
    AutomationObjectPtr CreateOleObject(std::string_view prog_id) override;

    // Makes every call of `member` (case-insensitive) raise an
    // AutomationError after it was recorded; `prog_id` limits that to the
    // objects reached from one program id, empty means all.
    void FailCall(std::string prog_id, std::string member);

    std::vector<std::string> calls;
    // Program ids that GetActiveOleObject finds running.
    std::vector<std::string> running;
    // Program ids that CreateOleObject can start.
    std::vector<std::string> registered = {"Word.Application", "Excel.Application",
                                           "com.sun.star.ServiceManager"};

  private:
    std::vector<std::pair<std::string, std::string>> failures_;
    friend class RecordingObject;
};

}  // namespace papyrion
