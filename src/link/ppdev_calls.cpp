#include "link/ppdev_calls.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace ccp::link {
namespace {

class SystemPpdevCalls final : public PpdevCalls {
public:
    int open(const char* path, int flags) override { return ::open(path, flags); }
    int ioctl(int fd, unsigned long request, void* arg) override {
        return ::ioctl(fd, request, arg);
    }
    int close(int fd) override { return ::close(fd); }
};

} // namespace

PpdevCalls& systemPpdevCalls() {
    static SystemPpdevCalls calls;
    return calls;
}

} // namespace ccp::link
