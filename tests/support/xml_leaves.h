// An XML document read by the system's own XML reader and flattened into its leaves, so that a
// test can compare a whole definition with a table.
#pragma once

#include <map>
#include <string>

// Element path -> text ("/Task/Settings/Priority" -> "5"), attribute -> value ("/Task@version"),
// an empty element -> "". Whitespace between elements is left out.
using XmlLeaves = std::multimap<std::wstring, std::wstring>;

// False, with the reader's error in *error, when the text is not well-formed XML.
bool ReadXmlLeaves(const std::wstring& xml, XmlLeaves* leaves, std::string* error);
