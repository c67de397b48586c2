#pragma once
// Functions of system DLLs that are not among the system's known DLLs
// (RstrtMgr.dll, bcrypt.dll): such a DLL, imported, would be looked for in
// the program's own folder before any code of ours runs. They are loaded
// when first needed, from System32 only, and stay loaded.

namespace stub {

// The address of function in System32's dll, or nullptr (with the system's
// error code set) when the DLL or the function is not there.
void* SystemDllFunction(const wchar_t* dll, const char* function);

// The same, typed: SystemFunction<decltype(RmStartSession)>(L"rstrtmgr.dll", "RmStartSession").
template <typename Fn>
Fn* SystemFunction(const wchar_t* dll, const char* function) {
  return reinterpret_cast<Fn*>(SystemDllFunction(dll, function));
}

}  // namespace stub
