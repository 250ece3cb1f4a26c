// Parts of the static C++ runtime that menu.exe replaces with smaller ones. The runtime's
// own versions report errors in text that no user of the menu sees, and that text costs
// about 150 KB: a demangler, printf, and a second std::string for the messages of
// std::logic_error and its kin. Linked into menu.exe only: a program that uses more of the
// runtime, as the tests do, pulls in the originals as well and fails to link on the
// duplicates. So does menu.exe if it starts to use a part that these do not replace.
#include <cstdlib>
#include <new>
// Only where it is instantiated below: included for GCC 12 as well, it alone changes that build's code by 100 bytes.
#if _GLIBCXX_RELEASE >= 13
#include <string>
#endif

namespace __gnu_cxx {

// The default names the uncaught exception's type on stderr, which a GUI program does not
// have. Nothing escapes the dispatch boundary, so this runs only after a bug: end at once.
void __verbose_terminate_handler() { std::abort(); }

}  // namespace __gnu_cxx

namespace {

// What the standard containers throw instead of length_error and out_of_range. They mean a
// bug or an impossible size; the dispatch boundary reports either as an internal error.
struct LibraryError {};

}  // namespace

namespace std {

void __throw_bad_alloc() { throw bad_alloc(); }
void __throw_bad_array_new_length() { throw bad_array_new_length(); }
void __throw_length_error(const char*) { throw LibraryError{}; }
void __throw_logic_error(const char*) { throw LibraryError{}; }
void __throw_out_of_range(const char*) { throw LibraryError{}; }
void __throw_out_of_range_fmt(const char*, ...) { throw LibraryError{}; }

#if _GLIBCXX_RELEASE >= 13
// The strings' in-place replacement for overlapping text, which the library's headers declare but do not let a
// program instantiate: the runtime's copy comes in the object with every other member of std::string (or
// std::wstring), whose unwinding tables keep them all, about 30 KB each. The same template, instantiated here.
template void string::_M_replace_cold(char*, size_type, const char*, const size_type, const size_type);
template void wstring::_M_replace_cold(wchar_t*, size_type, const wchar_t*, const size_type, const size_type);
#endif

}  // namespace std

