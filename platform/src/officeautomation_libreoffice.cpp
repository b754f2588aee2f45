#include "platform/officeautomation_libreoffice.h"

#include <map>

#include "office_command.h"
#include "office_engine.h"
#include "platform/officeurl.h"

namespace papyrion {

namespace fs = std::filesystem;
using Engine = LibreOfficeAutomation::Engine;
using Arguments = std::vector<AutomationValue>;
using NamedArguments = std::vector<NamedArgument>;

namespace {

constexpr int kWordFormatPdf = 17;                 // wdFormatPDF
constexpr int kExcelTypePdf = 0;                   // xlTypePDF
constexpr const char* kCsvDefaults = "59,34,0,1";  // ";" separated, '"' quoted

// Positional argument `index` or the named argument `name`, whichever is given.
const AutomationValue* Argument(const Arguments& arguments, const NamedArguments& named,
                                std::size_t index, std::string_view name) {
    for (const NamedArgument& argument : named) {
        if (SameMemberName(argument.name, name)) return &argument.value;
    }
    if (index < arguments.size() && !arguments[index].IsEmpty()) return &arguments[index];
    return nullptr;
}

[[noreturn]] void NoMember(std::string_view object, std::string_view member) {
    throw AutomationError(std::string(object) + " has no member " + std::string(member));
}

fs::path AbsolutePath(const std::string& text) {
    std::error_code ec;
    fs::path path = fs::absolute(fs::path(text), ec);
    return ec ? fs::path(text) : path.lexically_normal();
}

// Base for objects whose members are all calls; properties they accept are
// kept in a small table.
class SimpleObject : public AutomationObject {
  public:
    explicit SimpleObject(std::string name) : name_(std::move(name)) {}
    AutomationValue Get(std::string_view property) override {
        for (const auto& [key, value] : properties_) {
            if (SameMemberName(key, property)) return value;
        }
        return Call(property);
    }
    void Put(std::string_view property, const AutomationValue& value) override {
        if (!Accepts(property)) NoMember(name_, property);
        for (auto& [key, stored] : properties_) {
            if (SameMemberName(key, property)) {
                stored = value;
                return;
            }
        }
        properties_.emplace_back(std::string(property), value);
    }
    std::string Describe() const override { return name_; }

  protected:
    virtual bool Accepts(std::string_view) const { return false; }
    const AutomationValue* Property(std::string_view property) const {
        for (const auto& [key, value] : properties_) {
            if (SameMemberName(key, property)) return &value;
        }
        return nullptr;
    }
    std::string name_;

  private:
    std::vector<std::pair<std::string, AutomationValue>> properties_;
};

// ---- Word.Application ---------------------------------------------------

struct WordState {
    std::shared_ptr<Engine> engine;
    std::shared_ptr<KeptInstance> instance;
    std::optional<fs::path> active;  // empty path: a blank document
    bool quit = false;

    void CheckLive() const {
        if (quit) throw AutomationError("Word.Application has quit");
    }
};

class WordDocument : public SimpleObject {
  public:
    WordDocument(std::shared_ptr<WordState> state, fs::path path)
        : SimpleObject("Word.Document"), state_(std::move(state)), path_(std::move(path)) {}

    AutomationValue Call(std::string_view member, const Arguments& arguments,
                         const NamedArguments& named) override {
        state_->CheckLive();
        if (!SameMemberName(member, "SaveAs") && !SameMemberName(member, "SaveAs2")) {
            NoMember(name_, member);
        }
        const AutomationValue* file_name = Argument(arguments, named, 0, "FileName");
        const AutomationValue* format = Argument(arguments, named, 1, "FileFormat");
        if (file_name == nullptr) throw AutomationError("SaveAs needs a FileName");
        if (path_.empty()) throw AutomationError("The new blank document has nothing to save");
        if (format == nullptr || format->AsInt() != kWordFormatPdf) {
            throw AutomationError("Only PDF (file format 17) can be saved from " + path_.string());
        }
        ConversionRequest request;
        request.input = path_;
        request.target = AbsolutePath(file_name->AsText());
        request.kind = office::KindForPath(path_);
        request.import_filter = office::ImportFilterFor(path_, kCsvDefaults);
        state_->engine->Convert(request, state_->instance.get());
        return {};
    }

  private:
    std::shared_ptr<WordState> state_;
    fs::path path_;
};

class WordDocuments : public SimpleObject {
  public:
    explicit WordDocuments(std::shared_ptr<WordState> state)
        : SimpleObject("Word.Documents"), state_(std::move(state)) {}

    AutomationValue Call(std::string_view member, const Arguments& arguments,
                         const NamedArguments& named) override {
        state_->CheckLive();
        if (SameMemberName(member, "Add")) {
            state_->active = fs::path();
            return AutomationObjectPtr(std::make_shared<WordDocument>(state_, fs::path()));
        }
        if (SameMemberName(member, "Open")) {
            const AutomationValue* file_name = Argument(arguments, named, 0, "FileName");
            if (file_name == nullptr) throw AutomationError("Open needs a FileName");
            const fs::path path = AbsolutePath(file_name->AsText());
            std::error_code ec;
            if (!fs::is_regular_file(path, ec)) {
                throw AutomationError("Cannot open " + path.string() + ": no such file");
            }
            state_->active = path;
            return AutomationObjectPtr(std::make_shared<WordDocument>(state_, path));
        }
        NoMember(name_, member);
    }

  private:
    std::shared_ptr<WordState> state_;
};

class WordApplication : public SimpleObject {
  public:
    WordApplication(std::shared_ptr<Engine> engine, std::shared_ptr<KeptInstance> instance)
        : SimpleObject("Word.Application"), state_(std::make_shared<WordState>()) {
        state_->engine = std::move(engine);
        state_->instance = std::move(instance);
    }

    AutomationValue Call(std::string_view member, const Arguments&,
                         const NamedArguments&) override {
        state_->CheckLive();
        if (SameMemberName(member, "Documents")) {
            return AutomationObjectPtr(std::make_shared<WordDocuments>(state_));
        }
        if (SameMemberName(member, "ActiveDocument")) {
            if (!state_->active) throw AutomationError("Word.Application has no open document");
            return AutomationObjectPtr(std::make_shared<WordDocument>(state_, *state_->active));
        }
        if (SameMemberName(member, "Quit")) {
            // Releasing the instance ends it unless an Excel object still
            // holds it.
            state_->instance.reset();
            state_->quit = true;
            return {};
        }
        NoMember(name_, member);
    }

  protected:
    bool Accepts(std::string_view property) const override {
        return SameMemberName(property, "Visible") || SameMemberName(property, "DisplayAlerts");
    }

  private:
    std::shared_ptr<WordState> state_;
};

// ---- Excel.Application --------------------------------------------------

struct ExcelState {
    std::shared_ptr<Engine> engine;
    std::shared_ptr<KeptInstance> instance;
    std::vector<fs::path> workbooks;  // empty path: a blank workbook; last is active
    bool autofit = false;

    const fs::path& Active() const {
        if (workbooks.empty()) throw AutomationError("Excel.Application has no open workbook");
        return workbooks.back();
    }
};

class ExcelColumns : public SimpleObject {
  public:
    explicit ExcelColumns(std::shared_ptr<ExcelState> state)
        : SimpleObject("Excel.Columns"), state_(std::move(state)) {}
    AutomationValue Call(std::string_view member, const Arguments&,
                         const NamedArguments&) override {
        // LibreOffice's text import gives every column its optimal width,
        // which is what AutoFit asks for.
        if (!SameMemberName(member, "AutoFit")) NoMember(name_, member);
        state_->Active();
        state_->autofit = true;
        return {};
    }

  private:
    std::shared_ptr<ExcelState> state_;
};

class ExcelSheet : public SimpleObject {
  public:
    explicit ExcelSheet(std::shared_ptr<ExcelState> state)
        : SimpleObject("Excel.Worksheet"), state_(std::move(state)) {}

    AutomationValue Call(std::string_view member, const Arguments& arguments,
                         const NamedArguments& named) override {
        if (SameMemberName(member, "Columns")) {
            return AutomationObjectPtr(std::make_shared<ExcelColumns>(state_));
        }
        if (!SameMemberName(member, "ExportAsFixedFormat")) NoMember(name_, member);
        const fs::path workbook = state_->Active();
        const AutomationValue* type = Argument(arguments, named, 0, "Type");
        const AutomationValue* file_name = Argument(arguments, named, 1, "Filename");
        if (file_name == nullptr) throw AutomationError("ExportAsFixedFormat needs a Filename");
        if (workbook.empty()) throw AutomationError("The new blank workbook has nothing to export");
        if (type == nullptr || type->AsInt() != kExcelTypePdf) {
            throw AutomationError("Only PDF (type 0) can be exported from " + workbook.string());
        }
        ConversionRequest request;
        request.input = workbook;
        request.target = AbsolutePath(file_name->AsText());
        request.kind = office::DocumentKind::kSpreadsheet;
        request.import_filter = office::ImportFilterFor(workbook, kCsvDefaults);
        // Text has one sheet only: the kept instance's quick way serves it.
        if (request.import_filter.rfind("CSV:", 0) == 0) {
            state_->engine->Convert(request, state_->instance.get());
        } else {
            state_->engine->ConvertActiveSheet(request);
        }
        return {};
    }

  private:
    std::shared_ptr<ExcelState> state_;
};

class ExcelWorkbooks : public SimpleObject {
  public:
    explicit ExcelWorkbooks(std::shared_ptr<ExcelState> state)
        : SimpleObject("Excel.Workbooks"), state_(std::move(state)) {}

    AutomationValue Call(std::string_view member, const Arguments& arguments,
                         const NamedArguments& named) override {
        if (SameMemberName(member, "Add")) {
            state_->workbooks.emplace_back();
            return {};
        }
        if (SameMemberName(member, "Open")) {
            const AutomationValue* file_name = Argument(arguments, named, 0, "Filename");
            if (file_name == nullptr) throw AutomationError("Open needs a Filename");
            const fs::path path = AbsolutePath(file_name->AsText());
            std::error_code ec;
            if (!fs::is_regular_file(path, ec)) {
                throw AutomationError("Cannot open " + path.string() + ": no such file");
            }
            state_->workbooks.push_back(path);
            return {};
        }
        if (SameMemberName(member, "Close")) {
            state_->workbooks.clear();
            return {};
        }
        NoMember(name_, member);
    }

  private:
    std::shared_ptr<ExcelState> state_;
};

class ExcelWindow : public SimpleObject {
  public:
    explicit ExcelWindow(std::shared_ptr<ExcelState> state)
        : SimpleObject("Excel.Window"), state_(std::move(state)) {}
    AutomationValue Call(std::string_view member, const Arguments&,
                         const NamedArguments&) override {
        if (!SameMemberName(member, "Close")) NoMember(name_, member);
        if (!state_->workbooks.empty()) state_->workbooks.pop_back();
        return {};
    }

  private:
    std::shared_ptr<ExcelState> state_;
};

class ExcelApplication : public SimpleObject {
  public:
    ExcelApplication(std::shared_ptr<Engine> engine, std::shared_ptr<KeptInstance> instance)
        : SimpleObject("Excel.Application"), state_(std::make_shared<ExcelState>()) {
        state_->engine = std::move(engine);
        state_->instance = std::move(instance);
    }

    AutomationValue Call(std::string_view member, const Arguments&,
                         const NamedArguments&) override {
        if (SameMemberName(member, "Workbooks")) {
            return AutomationObjectPtr(std::make_shared<ExcelWorkbooks>(state_));
        }
        if (SameMemberName(member, "ActiveSheet")) {
            state_->Active();
            return AutomationObjectPtr(std::make_shared<ExcelSheet>(state_));
        }
        if (SameMemberName(member, "ActiveWindow")) {
            state_->Active();
            return AutomationObjectPtr(std::make_shared<ExcelWindow>(state_));
        }
        NoMember(name_, member);
    }

  protected:
    bool Accepts(std::string_view property) const override {
        return SameMemberName(property, "Visible") || SameMemberName(property, "DisplayAlerts");
    }

  private:
    std::shared_ptr<ExcelState> state_;
};

// ---- com.sun.star.ServiceManager ----------------------------------------

// "com.sun.star.beans.PropertyValue": Name and Value.
class PropertyValueStruct : public SimpleObject {
  public:
    PropertyValueStruct() : SimpleObject("PropertyValue") {}
    AutomationValue Call(std::string_view member, const Arguments&,
                         const NamedArguments&) override {
        NoMember(name_, member);
    }
    std::string Describe() const override {
        const AutomationValue* name = Property("Name");
        const AutomationValue* value = Property("Value");
        return (name ? DescribeValue(*name) : std::string("?")) + "=" +
               (value ? DescribeValue(*value) : std::string("?"));
    }
    std::string Name() const {
        const AutomationValue* name = Property("Name");
        return name ? name->AsText() : std::string();
    }
    AutomationValue Value() const {
        const AutomationValue* value = Property("Value");
        return value ? *value : AutomationValue();
    }

  protected:
    bool Accepts(std::string_view property) const override {
        return SameMemberName(property, "Name") || SameMemberName(property, "Value");
    }
};

// The bridge's typed value: Set(type name, value).
class ValueObject : public SimpleObject {
  public:
    ValueObject() : SimpleObject("ValueObject") {}
    AutomationValue Call(std::string_view member, const Arguments& arguments,
                         const NamedArguments&) override {
        if (!SameMemberName(member, "Set") || arguments.size() != 2) NoMember(name_, member);
        type_ = arguments[0].AsText();
        value_ = arguments[1];
        return {};
    }
    const AutomationValue& Value() const { return value_; }

  private:
    std::string type_;
    AutomationValue value_;
};

// Property values of a sequence, by exact name: UNO names are case-sensitive.
std::map<std::string, AutomationValue> Properties(const AutomationValue& sequence) {
    std::map<std::string, AutomationValue> properties;
    const AutomationValue* items = &sequence;
    if (const auto* object = std::get_if<AutomationObjectPtr>(&sequence.value)) {
        const auto* wrapped = dynamic_cast<const ValueObject*>(object->get());
        if (wrapped == nullptr) throw AutomationError("Expected a sequence of property values");
        items = &wrapped->Value();
    }
    for (const AutomationValue& item : items->AsArray()) {
        const auto* property = dynamic_cast<const PropertyValueStruct*>(item.AsObject().get());
        if (property == nullptr) throw AutomationError("Expected a property value");
        properties[property->Name()] = property->Value();
    }
    return properties;
}

std::vector<office::ExportOption> ExportOptions(const AutomationValue& filter_data) {
    std::vector<office::ExportOption> options;
    const AutomationValue* items = &filter_data;
    if (const auto* object = std::get_if<AutomationObjectPtr>(&filter_data.value)) {
        const auto* wrapped = dynamic_cast<const ValueObject*>(object->get());
        if (wrapped == nullptr) throw AutomationError("FilterData must be a sequence");
        items = &wrapped->Value();
    }
    for (const AutomationValue& item : items->AsArray()) {
        const auto* property = dynamic_cast<const PropertyValueStruct*>(item.AsObject().get());
        if (property == nullptr) throw AutomationError("FilterData holds a non-property");
        const AutomationValue value = property->Value();
        if (const auto* b = std::get_if<bool>(&value.value)) {
            options.push_back({property->Name(), *b});
        } else if (const auto* i = std::get_if<int>(&value.value)) {
            options.push_back({property->Name(), *i});
        } else {
            options.push_back({property->Name(), value.AsText()});
        }
    }
    return options;
}

class LoadedComponent : public SimpleObject {
  public:
    LoadedComponent(std::shared_ptr<Engine> engine, fs::path path, std::string filter_options)
        : SimpleObject("Component"),
          engine_(std::move(engine)),
          path_(std::move(path)),
          filter_options_(std::move(filter_options)) {}

    AutomationValue Call(std::string_view member, const Arguments& arguments,
                         const NamedArguments&) override {
        if (SameMemberName(member, "Close") || SameMemberName(member, "Dispose")) {
            closed_ = true;
            return {};
        }
        if (!SameMemberName(member, "StoreToURL")) NoMember(name_, member);
        if (closed_) throw AutomationError(path_.string() + " is already closed");
        if (arguments.size() != 2) throw AutomationError("StoreToURL needs a URL and arguments");
        const std::optional<fs::path> target = PathFromFileUrl(arguments[0].AsText());
        if (!target) throw AutomationError("Not a file URL: " + arguments[0].AsText());
        const std::map<std::string, AutomationValue> store = Properties(arguments[1]);
        const auto filter = store.find("FilterName");
        if (filter == store.end() ||
            filter->second.AsText().find("pdf_Export") == std::string::npos) {
            throw AutomationError("Only PDF export is supported for " + path_.string());
        }
        ConversionRequest request;
        request.input = path_;
        request.target = *target;
        // The export filter follows the document; see PdfExportFilterFor.
        request.kind = office::KindForPath(path_);
        request.import_filter = office::ImportFilterFor(path_, filter_options_);
        if (const auto data = store.find("FilterData"); data != store.end()) {
            request.export_options = ExportOptions(data->second);
        }
        engine_->Convert(request, nullptr);
        return {};
    }

  private:
    std::shared_ptr<Engine> engine_;
    fs::path path_;
    std::string filter_options_;
    bool closed_ = false;
};

class Desktop : public SimpleObject {
  public:
    explicit Desktop(std::shared_ptr<Engine> engine)
        : SimpleObject("Desktop"), engine_(std::move(engine)) {}

    AutomationValue Call(std::string_view member, const Arguments& arguments,
                         const NamedArguments&) override {
        if (SameMemberName(member, "Terminate")) return true;
        if (!SameMemberName(member, "LoadComponentFromURL")) NoMember(name_, member);
        if (arguments.size() != 4) {
            throw AutomationError("LoadComponentFromURL needs four arguments");
        }
        const std::optional<fs::path> path = PathFromFileUrl(arguments[0].AsText());
        if (!path) throw AutomationError("Not a file URL: " + arguments[0].AsText());
        std::error_code ec;
        if (!fs::is_regular_file(*path, ec)) {
            throw AutomationError("Cannot open " + path->string() + ": no such file");
        }
        const std::map<std::string, AutomationValue> load = Properties(arguments[3]);
        std::string filter_options = kCsvDefaults;
        if (const auto options = load.find("FilterOptions"); options != load.end()) {
            filter_options = options->second.AsText();
        }
        return AutomationObjectPtr(
            std::make_shared<LoadedComponent>(engine_, *path, std::move(filter_options)));
    }

  private:
    std::shared_ptr<Engine> engine_;
};

class ServiceManager : public SimpleObject {
  public:
    explicit ServiceManager(std::shared_ptr<Engine> engine)
        : SimpleObject("ServiceManager"), engine_(std::move(engine)) {}

    AutomationValue Call(std::string_view member, const Arguments& arguments,
                         const NamedArguments&) override {
        if (SameMemberName(member, "CreateInstance")) {
            if (arguments.size() == 1 && arguments[0].AsText() == "com.sun.star.frame.Desktop") {
                return AutomationObjectPtr(std::make_shared<Desktop>(engine_));
            }
            throw AutomationError("Unknown service " + DescribeValue(arguments.at(0)));
        }
        if (SameMemberName(member, "Bridge_GetStruct")) {
            if (arguments.size() == 1 &&
                arguments[0].AsText() == "com.sun.star.beans.PropertyValue") {
                return AutomationObjectPtr(std::make_shared<PropertyValueStruct>());
            }
            throw AutomationError("Unknown struct " + DescribeValue(arguments.at(0)));
        }
        if (SameMemberName(member, "Bridge_GetValueObject")) {
            return AutomationObjectPtr(std::make_shared<ValueObject>());
        }
        NoMember(name_, member);
    }

  private:
    std::shared_ptr<Engine> engine_;
};

}  // namespace

LibreOfficeAutomation::LibreOfficeAutomation(LibreOfficeOptions options)
    : engine_(std::make_shared<Engine>(std::move(options))) {}

LibreOfficeAutomation::~LibreOfficeAutomation() = default;

AutomationObjectPtr LibreOfficeAutomation::GetActiveOleObject(std::string_view prog_id) {
    std::shared_ptr<KeptInstance> instance = engine_->ActiveInstance();
    if (engine_->Installed() && instance) {
        if (SameMemberName(prog_id, "Word.Application")) {
            return std::make_shared<WordApplication>(engine_, instance);
        }
        if (SameMemberName(prog_id, "Excel.Application")) {
            return std::make_shared<ExcelApplication>(engine_, instance);
        }
    }
    throw AutomationError("No running automation server for " + std::string(prog_id));
}

AutomationObjectPtr LibreOfficeAutomation::CreateOleObject(std::string_view prog_id) {
    if (engine_->Installed()) {
        if (SameMemberName(prog_id, "Word.Application")) {
            return std::make_shared<WordApplication>(engine_, engine_->SharedInstance());
        }
        if (SameMemberName(prog_id, "Excel.Application")) {
            return std::make_shared<ExcelApplication>(engine_, engine_->SharedInstance());
        }
        if (SameMemberName(prog_id, "com.sun.star.ServiceManager")) {
            return std::make_shared<ServiceManager>(engine_);
        }
    }
    throw AutomationError("No automation server is registered for " + std::string(prog_id));
}

}  // namespace papyrion
