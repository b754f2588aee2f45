#include "platform/officeautomation_recording.h"

#include <algorithm>

namespace papyrion {

namespace {

bool Listed(const std::vector<std::string>& list, std::string_view prog_id) {
    return std::any_of(list.begin(), list.end(),
                       [&](const std::string& entry) { return SameMemberName(entry, prog_id); });
}

}  // namespace

class RecordingObject : public AutomationObject {
  public:
    RecordingObject(RecordingOfficeAutomation& owner, std::string prog_id, std::string name)
        : owner_(owner), prog_id_(std::move(prog_id)), name_(std::move(name)) {}

    AutomationValue Call(std::string_view member, const std::vector<AutomationValue>& arguments,
                         const std::vector<NamedArgument>& named) override {
        std::string line = name_ + "." + std::string(member) + "(";
        bool first = true;
        for (const AutomationValue& argument : arguments) {
            line += (first ? "" : ", ") + DescribeValue(argument);
            first = false;
        }
        for (const NamedArgument& argument : named) {
            line += (first ? "" : ", ") + argument.name + ":=" + DescribeValue(argument.value);
            first = false;
        }
        owner_.calls.push_back(line + ")");
        Fail(member);
        std::string child(member);
        if (arguments.size() == 1) {
            if (const auto* text = std::get_if<std::string>(&arguments[0].value)) {
                const std::size_t dot = text->rfind('.');
                if (dot != std::string::npos && dot + 1 < text->size())
                    child = text->substr(dot + 1);
            }
        }
        return AutomationObjectPtr(std::make_shared<RecordingObject>(owner_, prog_id_, child));
    }

    AutomationValue Get(std::string_view property) override {
        owner_.calls.push_back(name_ + "." + std::string(property));
        Fail(property);
        for (const auto& [key, value] : properties_) {
            if (SameMemberName(key, property)) return value;
        }
        return {};
    }

    void Put(std::string_view property, const AutomationValue& value) override {
        owner_.calls.push_back(name_ + "." + std::string(property) + " := " + DescribeValue(value));
        Fail(property);
        properties_.emplace_back(std::string(property), value);
    }

    std::string Describe() const override {
        const AutomationValue* name = Find("Name");
        const AutomationValue* value = Find("Value");
        if (name != nullptr && value != nullptr) {
            const auto* text = std::get_if<std::string>(&name->value);
            return (text ? *text : DescribeValue(*name)) + "=" + DescribeValue(*value);
        }
        return name_;
    }

  private:
    const AutomationValue* Find(std::string_view property) const {
        for (auto it = properties_.rbegin(); it != properties_.rend(); ++it) {
            if (SameMemberName(it->first, property)) return &it->second;
        }
        return nullptr;
    }

    void Fail(std::string_view member) const {
        for (const auto& [prog_id, failing] : owner_.failures_) {
            if ((prog_id.empty() || SameMemberName(prog_id, prog_id_)) &&
                SameMemberName(failing, member)) {
                throw AutomationError(name_ + "." + std::string(member) + " failed");
            }
        }
    }

    RecordingOfficeAutomation& owner_;
    std::string prog_id_;
    std::string name_;
    std::vector<std::pair<std::string, AutomationValue>> properties_;
};

void RecordingOfficeAutomation::FailCall(std::string prog_id, std::string member) {
    failures_.emplace_back(std::move(prog_id), std::move(member));
}

AutomationObjectPtr RecordingOfficeAutomation::GetActiveOleObject(std::string_view prog_id) {
    calls.push_back("GetActiveOleObject(" + std::string(prog_id) + ")");
    if (!Listed(running, prog_id)) {
        throw AutomationError("No running automation server for " + std::string(prog_id));
    }
    return std::make_shared<RecordingObject>(*this, std::string(prog_id), std::string(prog_id));
}

AutomationObjectPtr RecordingOfficeAutomation::CreateOleObject(std::string_view prog_id) {
    calls.push_back("CreateOleObject(" + std::string(prog_id) + ")");
    if (!Listed(registered, prog_id)) {
        throw AutomationError("No automation server is registered for " + std::string(prog_id));
    }
    return std::make_shared<RecordingObject>(*this, std::string(prog_id), std::string(prog_id));
}

}  // namespace papyrion
