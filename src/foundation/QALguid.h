#pragma once

#include <string>

// New GUIDs in their registry form without braces: 36 characters, upper-case
// hexadecimal in groups 8-4-4-4-12 joined by "-".
namespace QALguid {

std::string GetNewGUID();

}  // namespace QALguid
