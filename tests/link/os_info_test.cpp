#include "link/os_info.h"

#include <gtest/gtest.h>

namespace ccp::link {
namespace {

TEST(SeparatorFromRadix, OnlyACommaGivesAComma) {
    struct Case {
        const char* radix;
        char separator;
    };
    const Case cases[] = {
        {",", ','},     {".", '.'},        {"", '.'},
        {nullptr, '.'}, {"\xD9\xAB", '.'}, // the Arabic decimal separator, two bytes in UTF-8
    };
    for (const Case& c : cases) {
        EXPECT_EQ(separatorFromRadix(c.radix), c.separator)
            << (c.radix == nullptr ? "(null)" : c.radix);
    }
}

TEST(LinuxOsInfo, LocaleLookup) {
    EXPECT_EQ(LinuxOsInfo("C").decimalSeparator(), '.');
    EXPECT_EQ(LinuxOsInfo("no_SUCH.locale").decimalSeparator(), '.');
    EXPECT_EQ(LinuxOsInfo().parallelPortPolicy(), ParallelPortPolicy::Available);
}

} // namespace
} // namespace ccp::link
