#pragma once
// Numbers in messages. std::to_wstring would do, but in the static MinGW runtime it formats
// through the C99 printf, which adds about 25 KB to the program for one number.

#include <iterator>
#include <string>

namespace platform {

inline std::wstring Decimal(unsigned long value) {
    wchar_t digits[24];
    wchar_t* first = std::end(digits);
    do {
        *--first = static_cast<wchar_t>(L'0' + value % 10);
        value /= 10;
    } while (value != 0);
    return std::wstring(first, std::end(digits));
}

}  // namespace platform
