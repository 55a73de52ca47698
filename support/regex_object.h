// Regular-expression matching over ANSI texts through the Windows scripting engine's
// "VBScript.RegExp" automation object, late-bound through IDispatch.
#pragma once

#include <oaidl.h>

#include "support/com_ptr.h"
#include "support/text.h"

class RegexObject {
public:
    RegexObject();   // nests one CoInitialize for the object's lifetime
    ~RegexObject();  // releases the engine and the matches, then CoUninitialize
    RegexObject(const RegexObject&) = delete;
    RegexObject& operator=(const RegexObject&) = delete;

    // Makes a fresh engine with these options and pattern and runs it over the subject. True
    // when a match collection came back (an expression that matches nothing still gives one).
    bool Create(std::string_view pattern, std::string_view subject, bool caseSensitive = false, bool multiline = true,
                bool global = true);
    int MatchCount() const;
    // The text of match number index, counted from 1; empty when there is no such match.
    Text MatchText(int index) const;

private:
    ComPtr<IUnknown> regExp_;
    ComPtr<IDispatch> matches_;
    VARIANT subject_;
};
