#pragma once
// Test double of the mail composer: remembers every draft and answers with
// the profile, log-on result and outcome it is given.

#include <string>
#include <vector>

#include "platform/mailcomposer.h"

namespace papyrion {

class RecordingMailComposer : public MailComposer {
  public:
    MailProfile DefaultProfile() override { return profile; }
    bool Logon(const std::string& profile_name) override {
        logons.push_back(profile_name);
        return logon_succeeds;
    }
    ComposeOutcome Compose(const MailDraft& draft) override {
        drafts.push_back(draft);
        return outcome;
    }

    MailProfile profile;
    bool logon_succeeds = true;
    ComposeOutcome outcome = ComposeOutcome::kHandedOver;
    std::vector<std::string> logons;
    std::vector<MailDraft> drafts;
};

}  // namespace papyrion
