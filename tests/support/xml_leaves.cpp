// XML leaves through XmlLite, loaded from the system folder (MinGW has no import library for it).
#include "tests/support/xml_leaves.h"

#include <windows.h>
#include <objbase.h>
#include <xmllite.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "support/com_ptr.h"

namespace {

using CreateReader = HRESULT(WINAPI*)(REFIID, void**, IMalloc*);

std::string Hresult(const char* what, HRESULT result) {
    char text[64];
    std::snprintf(text, sizeof text, "%s: 0x%08lX", what, static_cast<unsigned long>(result));
    return text;
}

ComPtr<IStream> StreamOf(const std::wstring& text) {
    ComPtr<IStream> stream;
    const SIZE_T bytes = text.size() * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes ? bytes : 1);
    if (!memory) return stream;
    if (void* data = GlobalLock(memory)) {
        std::memcpy(data, text.data(), bytes);
        GlobalUnlock(memory);
    }
    if (FAILED(CreateStreamOnHGlobal(memory, TRUE, stream.put()))) {
        GlobalFree(memory);
        return stream;
    }
    ULARGE_INTEGER size;
    size.QuadPart = bytes;
    stream->SetSize(size);
    return stream;
}

std::wstring PathOf(const std::vector<std::wstring>& elements) {
    std::wstring path;
    for (const auto& element : elements) path += L"/" + element;
    return path;
}

}  // namespace

bool ReadXmlLeaves(const std::wstring& xml, XmlLeaves* leaves, std::string* error) {
    leaves->clear();
    static const auto create = reinterpret_cast<CreateReader>(reinterpret_cast<void*>(
        GetProcAddress(LoadLibraryExA("xmllite.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32), "CreateXmlReader")));
    if (!create) return *error = "no xmllite.dll", false;
    ComPtr<IXmlReader> reader;
    HRESULT result = create(__uuidof(IXmlReader), reader.put_void(), nullptr);
    if (FAILED(result)) return *error = Hresult("CreateXmlReader", result), false;
    ComPtr<IStream> stream = StreamOf(xml);
    if (!stream) return *error = "no stream", false;
    result = reader->SetInput(stream.get());
    if (FAILED(result)) return *error = Hresult("SetInput", result), false;

    std::vector<std::wstring> open;
    XmlNodeType type;
    while ((result = reader->Read(&type)) == S_OK) {
        const wchar_t* text = nullptr;
        switch (type) {
        case XmlNodeType_Element: {
            reader->GetQualifiedName(&text, nullptr);
            open.emplace_back(text);
            const std::wstring path = PathOf(open);
            const bool empty = reader->IsEmptyElement();
            for (HRESULT more = reader->MoveToFirstAttribute(); more == S_OK; more = reader->MoveToNextAttribute()) {
                const wchar_t* name = nullptr;
                const wchar_t* value = nullptr;
                reader->GetQualifiedName(&name, nullptr);
                reader->GetValue(&value, nullptr);
                leaves->emplace(path + L"@" + name, value);
            }
            reader->MoveToElement();
            if (empty) {
                leaves->emplace(path, L"");
                open.pop_back();
            }
            break;
        }
        case XmlNodeType_EndElement:
            if (!open.empty()) open.pop_back();
            break;
        case XmlNodeType_Text:
        case XmlNodeType_CDATA:
            reader->GetValue(&text, nullptr);
            leaves->emplace(PathOf(open), text);
            break;
        default:
            break;
        }
    }
    if (FAILED(result)) return *error = Hresult("Read", result), false;
    return true;
}
