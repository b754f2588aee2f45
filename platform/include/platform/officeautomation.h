#pragma once
// Late-bound automation of an office suite: objects found by a program id
// ("Word.Application", "Excel.Application", "com.sun.star.ServiceManager"),
// whose methods and properties are reached by name with positional and named
// arguments. Member names match without regard to case, as late binding does.
//
// Implementations: LibreOfficeAutomation (officeautomation_libreoffice.h) and
// RecordingOfficeAutomation (officeautomation_recording.h) for tests.

#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace papyrion {

class AutomationObject;
using AutomationObjectPtr = std::shared_ptr<AutomationObject>;

// Raised by every failing creation, call, get or put. The text names the
// file concerned wherever there is one.
class AutomationError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// A variant as late binding passes it: nothing, a boolean, an integer, a text,
// an object, or a one-dimensional array of variants (bounds 0..n).
struct AutomationValue {
    using Array = std::vector<AutomationValue>;
    std::variant<std::monostate, bool, int, std::string, AutomationObjectPtr, Array> value;

    AutomationValue() = default;
    // Implicit on purpose: call sites pass plain values where variants go.
    AutomationValue(bool b) : value(b) {}
    AutomationValue(int i) : value(i) {}
    AutomationValue(std::string s) : value(std::move(s)) {}
    AutomationValue(const char* s) : value(std::string(s)) {}
    AutomationValue(AutomationObjectPtr o) : value(std::move(o)) {}
    AutomationValue(Array a) : value(std::move(a)) {}

    bool IsEmpty() const { return std::holds_alternative<std::monostate>(value); }
    // These raise AutomationError when the variant holds another kind.
    bool AsBool() const;
    int AsInt() const;
    const std::string& AsText() const;
    const AutomationObjectPtr& AsObject() const;
    const Array& AsArray() const;
};

struct NamedArgument {
    std::string name;
    AutomationValue value;
};

class AutomationObject {
  public:
    virtual ~AutomationObject() = default;

    // Invokes a method, or reads a property through a call without
    // arguments (late binding does not tell the two apart).
    virtual AutomationValue Call(std::string_view member,
                                 const std::vector<AutomationValue>& arguments = {},
                                 const std::vector<NamedArgument>& named = {}) = 0;
    virtual AutomationValue Get(std::string_view property) = 0;
    virtual void Put(std::string_view property, const AutomationValue& value) = 0;
    // How the object shows in error texts and recordings.
    virtual std::string Describe() const { return "object"; }
};

class OfficeAutomation {
  public:
    virtual ~OfficeAutomation() = default;

    // Attaches to a running server of that program id; raises AutomationError
    // when none runs.
    virtual AutomationObjectPtr GetActiveOleObject(std::string_view prog_id) = 0;
    // Starts a new server; raises AutomationError when none is available for
    // the program id.
    virtual AutomationObjectPtr CreateOleObject(std::string_view prog_id) = 0;
};

// Case-insensitive comparison of member and program names.
bool SameMemberName(std::string_view a, std::string_view b);

// A readable form of a value ("true", "17", "\"text\"", "[a, b]"), used in
// error texts and by the recording double.
std::string DescribeValue(const AutomationValue& value);

}  // namespace papyrion
