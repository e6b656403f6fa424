#include "link/os_info.h"

#include <langinfo.h>
#include <locale.h>
#include <utility>

namespace ccp::link {

char separatorFromRadix(const char* radix) {
    return radix != nullptr && radix[0] == ',' ? ',' : '.';
}

LinuxOsInfo::LinuxOsInfo(std::string numericLocale) : numericLocale_(std::move(numericLocale)) {
}

char LinuxOsInfo::decimalSeparator() const {
    const locale_t numeric = ::newlocale(LC_NUMERIC_MASK, numericLocale_.c_str(), locale_t{});
    if (numeric == locale_t{}) {
        return '.';
    }
    const char separator = separatorFromRadix(::nl_langinfo_l(RADIXCHAR, numeric));
    ::freelocale(numeric);
    return separator;
}

} // namespace ccp::link
