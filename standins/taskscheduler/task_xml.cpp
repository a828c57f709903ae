#include "task_xml.h"

#include "text_file.h"

namespace {

// Two-space indentation and CRLF line ends, as Windows writes task files.
class XmlWriter {
public:
    XmlWriter() : text(L"<?xml version=\"1.0\" encoding=\"UTF-16\"?>") {}
    void Open(const std::wstring& name, const std::wstring& attributes = L"") {
        Line(L"<" + name + attributes + L">");
        ++depth_;
    }
    void Close(const std::wstring& name) {
        --depth_;
        Line(L"</" + name + L">");
    }
    void Element(const std::wstring& name, const std::wstring& text) {
        Line(L"<" + name + L">" + Escape(text, false) + L"</" + name + L">");
    }
    static std::wstring Attribute(const std::wstring& name, const std::wstring& value) {
        return L" " + name + L"=\"" + Escape(value, true) + L"\"";
    }
    // The declaration first; the last line has no line end.
    std::wstring text;

private:
    static std::wstring Escape(const std::wstring& text, bool inAttribute) {
        std::wstring escaped;
        for (wchar_t c : text) {
            if (c == L'&') {
                escaped += L"&amp;";
            } else if (c == L'<') {
                escaped += L"&lt;";
            } else if (c == L'>') {
                escaped += L"&gt;";
            } else if (c == L'"' && inAttribute) {
                escaped += L"&quot;";
            } else {
                escaped += c;
            }
        }
        return escaped;
    }
    void Line(const std::wstring& line) {
        if (!text.empty()) text += L"\r\n";
        text += std::wstring(2 * depth_, L' ') + line;
    }

    int depth_ = 0;
};

// How a stored property reads in the document.
enum class Form { Text, Boolean, InstancesPolicy };

struct XmlProperty {
    const char* property;  // as the model stores it
    const wchar_t* element;
    Form form;
};

// Each table in the order in which Windows writes the elements.
constexpr XmlProperty kRegistrationInfo[] = {
    {"Date", L"Date", Form::Text},
    {"Author", L"Author", Form::Text},
    {"Description", L"Description", Form::Text},
};
constexpr XmlProperty kTrigger[] = {
    {"UserId", L"UserId", Form::Text},
    {"Delay", L"Delay", Form::Text},
};
constexpr XmlProperty kSettingsBeforeIdle[] = {
    {"MultipleInstances", L"MultipleInstancesPolicy", Form::InstancesPolicy},
    {"DisallowStartIfOnBatteries", L"DisallowStartIfOnBatteries", Form::Boolean},
    {"StopIfGoingOnBatteries", L"StopIfGoingOnBatteries", Form::Boolean},
};
constexpr XmlProperty kIdleSettings[] = {
    {"StopOnIdleEnd", L"StopOnIdleEnd", Form::Boolean},
};
constexpr XmlProperty kSettingsAfterIdle[] = {
    {"ExecutionTimeLimit", L"ExecutionTimeLimit", Form::Text},
};
constexpr XmlProperty kExec[] = {
    {"Path", L"Command", Form::Text},
    {"Arguments", L"Arguments", Form::Text},
    {"WorkingDirectory", L"WorkingDirectory", Form::Text},
};

constexpr const wchar_t* kInstancesPolicies[] = {L"Parallel", L"Queue", L"IgnoreNew", L"StopExisting"};

struct TriggerElement {
    TASK_TRIGGER_TYPE2 type;
    const wchar_t* element;
};
constexpr TriggerElement kTriggerElements[] = {
    {TASK_TRIGGER_EVENT, L"EventTrigger"},
    {TASK_TRIGGER_TIME, L"TimeTrigger"},
    {TASK_TRIGGER_DAILY, L"CalendarTrigger"},
    {TASK_TRIGGER_WEEKLY, L"CalendarTrigger"},
    {TASK_TRIGGER_MONTHLY, L"CalendarTrigger"},
    {TASK_TRIGGER_MONTHLYDOW, L"CalendarTrigger"},
    {TASK_TRIGGER_IDLE, L"IdleTrigger"},
    {TASK_TRIGGER_REGISTRATION, L"RegistrationTrigger"},
    {TASK_TRIGGER_BOOT, L"BootTrigger"},
    {TASK_TRIGGER_LOGON, L"LogonTrigger"},
    {TASK_TRIGGER_SESSION_STATE_CHANGE, L"SessionStateChangeTrigger"},
};

struct ActionElement {
    TASK_ACTION_TYPE type;
    const wchar_t* element;
};
constexpr ActionElement kActionElements[] = {
    {TASK_ACTION_EXEC, L"Exec"},
    {TASK_ACTION_COM_HANDLER, L"ComHandler"},
    {TASK_ACTION_SEND_EMAIL, L"SendEmail"},
    {TASK_ACTION_SHOW_MESSAGE, L"ShowMessage"},
};

// The logon types that the document names; a group has a GroupId instead.
struct LogonTypeName {
    TASK_LOGON_TYPE type;
    const wchar_t* name;
};
constexpr LogonTypeName kLogonTypes[] = {
    {TASK_LOGON_PASSWORD, L"Password"},
    {TASK_LOGON_S4U, L"S4U"},
    {TASK_LOGON_INTERACTIVE_TOKEN, L"InteractiveToken"},
    {TASK_LOGON_INTERACTIVE_TOKEN_OR_PASSWORD, L"InteractiveTokenOrPassword"},
};

// The text of a property; null when it was never set or set to a null BSTR,
// which leaves the schema's default.
const std::wstring* TextOf(const Properties& properties, const char* name) {
    auto found = properties.find(name);
    return found == properties.end() ? nullptr : std::get_if<std::wstring>(&found->second);
}

bool HasAny(const Properties& properties, const XmlProperty* begin, const XmlProperty* end) {
    for (const XmlProperty* p = begin; p != end; ++p) {
        auto found = properties.find(p->property);
        if (found != properties.end() && !std::holds_alternative<std::nullptr_t>(found->second)) return true;
    }
    return false;
}

template <size_t N>
bool HasAny(const Properties& properties, const XmlProperty (&table)[N]) {
    return HasAny(properties, table, table + N);
}

std::wstring FormOf(const PropertyValue& value, Form form) {
    if (const std::wstring* text = std::get_if<std::wstring>(&value)) return *text;
    long number = std::get<long>(value);
    switch (form) {
    case Form::Boolean:
        return number ? L"true" : L"false";
    case Form::InstancesPolicy:
        if (number >= 0 && number < 4) return kInstancesPolicies[number];
        break;
    case Form::Text:
        break;
    }
    return std::to_wstring(number);
}

// Only what was set: a property left out keeps the schema's default, as it
// does for the task itself.
template <size_t N>
void WriteProperties(XmlWriter& xml, const Properties& properties, const XmlProperty (&table)[N]) {
    for (const XmlProperty& p : table) {
        auto found = properties.find(p.property);
        if (found == properties.end() || std::holds_alternative<std::nullptr_t>(found->second)) continue;
        xml.Element(p.element, FormOf(found->second, p.form));
    }
}

template <class Entry, size_t N, class Type>
const wchar_t* ElementOf(const Entry (&table)[N], Type type) {
    for (const Entry& entry : table) {
        if (entry.type == type) return entry.element;
    }
    return nullptr;
}

void WriteRegistrationInfo(XmlWriter& xml, const std::wstring& path, const DefinitionModel& definition) {
    xml.Open(L"RegistrationInfo");
    WriteProperties(xml, definition.registrationInfo, kRegistrationInfo);
    xml.Element(L"URI", path);
    xml.Close(L"RegistrationInfo");
}

void WriteTriggers(XmlWriter& xml, const DefinitionModel& definition) {
    if (definition.triggers.empty()) return;
    xml.Open(L"Triggers");
    for (const TriggerModel& trigger : definition.triggers) {
        const wchar_t* element = ElementOf(kTriggerElements, trigger.type);
        if (!element) continue;
        xml.Open(element);
        WriteProperties(xml, trigger.properties, kTrigger);
        xml.Close(element);
    }
    xml.Close(L"Triggers");
}

// The registration's account and logon type make the principal's user or
// group; the password and the security descriptor are not kept in the document.
void WritePrincipals(XmlWriter& xml, const TaskModel& task) {
    const std::wstring* id = TextOf(task.definition.principal, "Id");
    const Registration& registration = task.registration;
    bool hasAccount = registration.user.type == VT_BSTR && !registration.user.text.empty();
    const wchar_t* logonType = nullptr;
    for (const LogonTypeName& entry : kLogonTypes) {
        if (entry.type == registration.logonType) logonType = entry.name;
    }
    if (!id && !hasAccount && !logonType) return;
    xml.Open(L"Principals");
    xml.Open(L"Principal", id ? XmlWriter::Attribute(L"id", *id) : L"");
    if (hasAccount) {
        xml.Element(registration.logonType == TASK_LOGON_GROUP ? L"GroupId" : L"UserId", registration.user.text);
    }
    if (logonType) xml.Element(L"LogonType", logonType);
    xml.Close(L"Principal");
    xml.Close(L"Principals");
}

void WriteSettings(XmlWriter& xml, const DefinitionModel& definition) {
    bool hasIdle = HasAny(definition.idleSettings, kIdleSettings);
    if (!hasIdle && !HasAny(definition.settings, kSettingsBeforeIdle) &&
        !HasAny(definition.settings, kSettingsAfterIdle)) {
        return;
    }
    xml.Open(L"Settings");
    WriteProperties(xml, definition.settings, kSettingsBeforeIdle);
    if (hasIdle) {
        xml.Open(L"IdleSettings");
        WriteProperties(xml, definition.idleSettings, kIdleSettings);
        xml.Close(L"IdleSettings");
    }
    WriteProperties(xml, definition.settings, kSettingsAfterIdle);
    xml.Close(L"Settings");
}

// The actions run in the principal's context, named by its id.
void WriteActions(XmlWriter& xml, const DefinitionModel& definition) {
    const std::wstring* context = TextOf(definition.principal, "Id");
    xml.Open(L"Actions", context ? XmlWriter::Attribute(L"Context", *context) : L"");
    for (const ActionModel& action : definition.actions) {
        const wchar_t* element = ElementOf(kActionElements, action.type);
        if (!element) continue;
        xml.Open(element);
        if (action.type == TASK_ACTION_EXEC) WriteProperties(xml, action.properties, kExec);
        xml.Close(element);
    }
    xml.Close(L"Actions");
}

}  // namespace

// Windows writes every setting with its value; this writes only what the
// program set, so a real machine's export of the same task also lists the
// defaults (Enabled, AllowHardTerminate, Priority, ...) that are left out here.
std::wstring TaskXml(const std::wstring& path, const TaskModel& task) {
    XmlWriter xml;
    xml.Open(L"Task", XmlWriter::Attribute(L"version", L"1.2") +
                          XmlWriter::Attribute(L"xmlns", L"http://schemas.microsoft.com/windows/2004/02/mit/task"));
    WriteRegistrationInfo(xml, path, task.definition);
    WriteTriggers(xml, task.definition);
    WritePrincipals(xml, task);
    WriteSettings(xml, task.definition);
    WriteActions(xml, task.definition);
    xml.Close(L"Task");
    return xml.text;
}

std::string TaskFileBytes(const std::wstring& xml) {
    std::string bytes = "\xFF\xFE";
    for (wchar_t c : xml) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>((c >> 8) & 0xFF);
    }
    return bytes;
}

std::wstring TaskFileText(const std::string& bytes) {
    if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') {
        std::wstring text;
        for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
            text += static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1])
                                                                                    << 8);
        }
        return text;
    }
    return ToWide(bytes.substr(bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0));
}

// Enough of the document to find the one setting; it need not be parsed whole.
bool IsHiddenTask(const std::wstring& xml) {
    size_t settings = xml.find(L"<Settings>");
    size_t settingsEnd = xml.find(L"</Settings>", settings);
    size_t hidden = xml.find(L"<Hidden>", settings);
    if (settings == std::wstring::npos || hidden == std::wstring::npos || hidden > settingsEnd) return false;
    hidden += 8;
    size_t hiddenEnd = xml.find(L"</Hidden>", hidden);
    if (hiddenEnd == std::wstring::npos) return false;
    std::wstring value = xml.substr(hidden, hiddenEnd - hidden);
    size_t first = value.find_first_not_of(L" \t\r\n");
    size_t last = value.find_last_not_of(L" \t\r\n");
    value = first == std::wstring::npos ? L"" : value.substr(first, last - first + 1);
    return value == L"true" || value == L"1";
}
