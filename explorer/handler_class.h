#pragma once

#include <windows.h>

// The handler's class, fixed for good: registrations made by every version name it.
inline constexpr CLSID kHandlerClass = {
    0x7fd3b790, 0x684f, 0x4ec2, {0xa3, 0x1c, 0x3a, 0xc6, 0xf2, 0x26, 0x2f, 0xc4}};
inline constexpr wchar_t kHandlerClassText[] = L"{7FD3B790-684F-4EC2-A31C-3AC6F2262FC4}";
inline constexpr wchar_t kHandlerName[] = L"Pictavex DWG thumbnail handler";
