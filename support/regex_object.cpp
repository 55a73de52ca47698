// Regular-expression matching through the "VBScript.RegExp" automation object. Every call is
// late-bound by member name; a call that cannot be made leaves an empty result of its kind.
#include "support/regex_object.h"

#include <windows.h>
#include <ole2.h>
#include <oleauto.h>

namespace {

// A VARIANT that clears itself.
struct Variant {
    VARIANT value;
    Variant() { VariantInit(&value); }
    ~Variant() { VariantClear(&value); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
};

BSTR ToBstr(std::string_view text) {
    const Text terminated(text);
    const int units = MultiByteToWideChar(CP_ACP, 0, terminated.c_str(), -1, nullptr, 0);
    BSTR result = SysAllocStringLen(nullptr, units > 0 ? units - 1 : 0);
    if (result && units > 1) MultiByteToWideChar(CP_ACP, 0, terminated.c_str(), -1, result, units);
    return result;
}

Text FromBstr(BSTR text) {
    if (!text) return {};
    const int length = static_cast<int>(SysStringLen(text));
    if (length == 0) return {};
    const int bytes = WideCharToMultiByte(CP_ACP, 0, text, length, nullptr, 0, nullptr, nullptr);
    Text result(bytes > 0 ? bytes : 0, '\0');
    if (bytes > 0) WideCharToMultiByte(CP_ACP, 0, text, length, result.data(), bytes, nullptr, nullptr);
    return result;
}

DISPID MemberId(IDispatch* object, const wchar_t* name) {
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    if (FAILED(object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id))) return DISPID_UNKNOWN;
    return id;
}

// One late-bound call; false when the object lacks the member or the call fails.
bool Invoke(IUnknown* object, const wchar_t* name, WORD kind, VARIANT* arguments, UINT argumentCount,
            VARIANT* result) {
    if (!object) return false;
    ComPtr<IDispatch> dispatch;
    if (FAILED(object->QueryInterface(IID_IDispatch, dispatch.put_void())) || !dispatch) return false;
    const DISPID id = MemberId(dispatch.get(), name);
    if (id == DISPID_UNKNOWN) return false;
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS parameters{arguments, kind == DISPATCH_PROPERTYPUT ? &named : nullptr, argumentCount,
                          kind == DISPATCH_PROPERTYPUT ? 1u : 0u};
    return SUCCEEDED(dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, kind, &parameters, result, nullptr, nullptr));
}

void PutBoolean(IUnknown* object, const wchar_t* name, bool value) {
    VARIANT argument;
    VariantInit(&argument);
    argument.vt = VT_BOOL;
    argument.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    Invoke(object, name, DISPATCH_PROPERTYPUT, &argument, 1, nullptr);
}

void PutText(IUnknown* object, const wchar_t* name, std::string_view text) {
    VARIANT argument;
    VariantInit(&argument);
    argument.vt = VT_BSTR;
    argument.bstrVal = ToBstr(text);
    Invoke(object, name, DISPATCH_PROPERTYPUT, &argument, 1, nullptr);
    VariantClear(&argument);
}

ComPtr<IUnknown> MakeEngine() {
    ComPtr<IUnknown> engine;
    CLSID classId;
    if (FAILED(CLSIDFromProgID(L"VBScript.RegExp", &classId))) return engine;
    HRESULT made = CoCreateInstance(classId, nullptr, CLSCTX_ALL, IID_IUnknown, engine.put_void());
    if (made == E_INVALIDARG) {
        made = CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER,
                                IID_IUnknown, engine.put_void());
    }
    if (FAILED(made) || !engine) return ComPtr<IUnknown>();
    if (FAILED(OleRun(engine.get()))) return ComPtr<IUnknown>();
    return engine;
}

}  // namespace

RegexObject::RegexObject() {
    CoInitialize(nullptr);
    VariantInit(&subject_);
    subject_.vt = VT_I4;
    subject_.lVal = 0;
}

RegexObject::~RegexObject() {
    regExp_.reset();
    matches_.reset();
    VariantClear(&subject_);
    CoUninitialize();
}

bool RegexObject::Create(std::string_view pattern, std::string_view subject, bool caseSensitive, bool multiline,
                         bool global) {
    regExp_.reset();
    matches_.reset();
    regExp_ = MakeEngine();

    PutBoolean(regExp_.get(), L"IgnoreCase", !caseSensitive);
    PutBoolean(regExp_.get(), L"Multiline", multiline);
    PutBoolean(regExp_.get(), L"Singleline", true);  // the engine has no such member: a silent no-op
    PutBoolean(regExp_.get(), L"Global", global);
    PutText(regExp_.get(), L"Pattern", pattern);

    VariantClear(&subject_);
    subject_.vt = VT_BSTR;
    subject_.bstrVal = ToBstr(subject);

    Variant result;
    if (Invoke(regExp_.get(), L"Execute", DISPATCH_METHOD, &subject_, 1, &result.value) &&
        result.value.vt == VT_DISPATCH && result.value.pdispVal) {
        result.value.pdispVal->AddRef();
        *matches_.put() = result.value.pdispVal;
    }
    return static_cast<bool>(matches_);
}

int RegexObject::MatchCount() const {
    Variant count;
    if (!Invoke(matches_.get(), L"Count", DISPATCH_PROPERTYGET, nullptr, 0, &count.value)) return 0;
    if (FAILED(VariantChangeType(&count.value, &count.value, 0, VT_R8))) return 0;
    return RealToInteger(count.value.dblVal);
}

Text RegexObject::MatchText(int index) const {
    VARIANT position;
    VariantInit(&position);
    position.vt = VT_R8;
    position.dblVal = static_cast<double>(index) - 1;
    Variant match;
    if (!Invoke(matches_.get(), L"Item", DISPATCH_PROPERTYGET | DISPATCH_METHOD, &position, 1, &match.value) ||
        match.value.vt != VT_DISPATCH || !match.value.pdispVal) {
        return {};
    }
    Variant value;
    if (!Invoke(match.value.pdispVal, L"Value", DISPATCH_PROPERTYGET, nullptr, 0, &value.value)) return {};
    if (FAILED(VariantChangeType(&value.value, &value.value, 0, VT_BSTR))) return {};
    return FromBstr(value.value.bstrVal);
}
