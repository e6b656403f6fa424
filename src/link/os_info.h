// What the operating system decides for the tool: whether the parallel-port
// jig may be used, and the decimal separator of the user's numbers. The
// policy follows the system's major version where that decides: below 6 the
// port is used, at 6 the system blocks port access, above 6 the port is not
// offered.
#pragma once

#include <string>

namespace ccp::link {

enum class ParallelPortPolicy { Available, DisabledBySystem, NotOffered };

class OsInfo {
public:
    virtual ~OsInfo() = default;
    virtual ParallelPortPolicy parallelPortPolicy() const = 0;
    // '.' or ','.
    virtual char decimalSeparator() const = 0;
};

// The separator a locale's radix text stands for: ',' when the text starts
// with a comma, otherwise '.' (also for a missing or empty text and for
// radix characters that are neither).
char separatorFromRadix(const char* radix);

// ppdev gives user-space port access, so the port is always available.
class LinuxOsInfo final : public OsInfo {
public:
    // An empty name takes the user's numeric locale from the environment.
    explicit LinuxOsInfo(std::string numericLocale = {});

    ParallelPortPolicy parallelPortPolicy() const override { return ParallelPortPolicy::Available; }
    // Looks the locale up without touching the process locale; '.' when it
    // cannot be loaded.
    char decimalSeparator() const override;

private:
    std::string numericLocale_;
};

} // namespace ccp::link
