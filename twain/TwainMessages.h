#pragma once
// The component's message table. %s is a text, %.04X a result code in
// upper-case hexadecimal with at least four digits.
inline constexpr const char* ERR_TWAIN_NOT_LOADED = "Unable to load or find: TWAIN_32.DLL";
inline constexpr const char* ERR_DSM_OPEN = "Unable to close the Data Source Manager. Maybe a source is still in use";
inline constexpr const char* ERR_STATUS = "Unable to get the status";
inline constexpr const char* ERR_DSM = "Data Source Manager error in module %s:\r\n%s";
inline constexpr const char* ERR_UNKNOWN = "A call to the Data Source Manager failed in module %s: Code %.04X";
inline constexpr const char* ERR_DSM_ENTRY_NOT_FOUND = "Unable to find the entry of the Data Source Manager in: TWAIN_32.DLL";
inline constexpr const char* ERR_DSM_CALL_FAILED = "A call to the Data Source Manager failed in module %s";
inline constexpr const char* ERR_DS = "Data Source error in module %s:\r\n%s";
