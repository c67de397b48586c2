// Pieces of the C and C++ runtimes that the two programs replace with
// smaller ones of the same effect, so a package carries less.
//
// An error the C++ runtime would throw, and an exception nobody catches, end
// the program at once. Nothing in them catches an exception, so this is what
// the runtime would end in as well; replacing its verbose handler and its
// throwing helpers (those of <bits/functexcept.h>) keeps out the name
// demangler, the exception classes and the strings they carry. For the
// same reason the allocation functions end the program when memory runs out
// instead of throwing std::bad_alloc: that throw alone links the whole
// exception runtime (allocation, unwinding, personality) into each program.

#include <bits/functexcept.h>
#include <malloc.h>
#include <stdarg.h>
#include <stdio.h>
#include <wchar.h>

#include <cstdlib>
#include <new>

namespace {

void* Allocate(std::size_t size) {
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  std::abort();
}

void* AllocateAligned(std::size_t size, std::align_val_t align) {
  if (void* p = _aligned_malloc(size == 0 ? 1 : size, static_cast<std::size_t>(align))) return p;
  std::abort();
}

}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

void* operator new(std::size_t size, std::align_val_t align) { return AllocateAligned(size, align); }
void* operator new[](std::size_t size, std::align_val_t align) { return AllocateAligned(size, align); }
void operator delete(void* p, std::align_val_t) noexcept { _aligned_free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { _aligned_free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { _aligned_free(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { _aligned_free(p); }

namespace __gnu_cxx {

void __verbose_terminate_handler() { std::abort(); }

}  // namespace __gnu_cxx

namespace std {

void __throw_bad_cast() { abort(); }
void __throw_bad_alloc() { abort(); }
void __throw_bad_typeid() { abort(); }
void __throw_bad_exception() { abort(); }
void __throw_bad_array_new_length() { abort(); }
void __throw_logic_error(const char*) { abort(); }
void __throw_range_error(const char*) { abort(); }
void __throw_domain_error(const char*) { abort(); }
void __throw_length_error(const char*) { abort(); }
void __throw_out_of_range(const char*) { abort(); }
void __throw_runtime_error(const char*) { abort(); }
void __throw_overflow_error(const char*) { abort(); }
void __throw_underflow_error(const char*) { abort(); }
void __throw_invalid_argument(const char*) { abort(); }
void __throw_out_of_range_fmt(const char*, ...) { abort(); }
void __throw_system_error(int) { abort(); }
void __throw_bad_function_call() { abort(); }

}  // namespace std

// The wide formatting behind std::to_wstring, the programs' only use of it:
// msvcrt.dll's own, instead of a static copy of mingw's whole printf. Their
// integer formats ("%d", "%lu", "%lld", ...) are passed on with the 64-bit
// size "ll" spelt as msvcrt.dll knows it on every Windows ("I64").
extern "C" int __mingw_vsnwprintf(wchar_t* buf, size_t n, const wchar_t* format, va_list args) {
  wchar_t translated[32];
  size_t out = 0;
  for (const wchar_t* p = format; *p != L'\0'; ++p) {
    if (out + 4 >= sizeof translated / sizeof translated[0]) abort();
    if (p[0] == L'l' && p[1] == L'l') {
      translated[out++] = L'I';
      translated[out++] = L'6';
      translated[out++] = L'4';
      ++p;
    } else {
      translated[out++] = *p;
    }
  }
  translated[out] = L'\0';
  return _vsnwprintf(buf, n, translated, args);
}
