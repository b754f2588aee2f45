#include "platform/officeautomation.h"

#include <cctype>

namespace papyrion {

namespace {

[[noreturn]] void WrongKind(const AutomationValue& value, const char* wanted) {
    throw AutomationError("Expected " + std::string(wanted) + " but got " + DescribeValue(value));
}

}  // namespace

bool AutomationValue::AsBool() const {
    if (const auto* b = std::get_if<bool>(&value)) return *b;
    WrongKind(*this, "a boolean");
}

int AutomationValue::AsInt() const {
    if (const auto* i = std::get_if<int>(&value)) return *i;
    WrongKind(*this, "an integer");
}

const std::string& AutomationValue::AsText() const {
    if (const auto* s = std::get_if<std::string>(&value)) return *s;
    WrongKind(*this, "a text");
}

const AutomationObjectPtr& AutomationValue::AsObject() const {
    if (const auto* o = std::get_if<AutomationObjectPtr>(&value); o != nullptr && *o) return *o;
    WrongKind(*this, "an object");
}

const AutomationValue::Array& AutomationValue::AsArray() const {
    if (const auto* a = std::get_if<Array>(&value)) return *a;
    WrongKind(*this, "an array");
}

bool SameMemberName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

std::string DescribeValue(const AutomationValue& value) {
    struct Describer {
        std::string operator()(std::monostate) const { return "empty"; }
        std::string operator()(bool b) const { return b ? "true" : "false"; }
        std::string operator()(int i) const { return std::to_string(i); }
        std::string operator()(const std::string& s) const { return "\"" + s + "\""; }
        std::string operator()(const AutomationObjectPtr& o) const {
            return o ? o->Describe() : "nothing";
        }
        std::string operator()(const AutomationValue::Array& a) const {
            std::string text = "[";
            for (std::size_t i = 0; i < a.size(); ++i) {
                if (i > 0) text += ", ";
                text += DescribeValue(a[i]);
            }
            return text + "]";
        }
    };
    return std::visit(Describer{}, value.value);
}

}  // namespace papyrion
