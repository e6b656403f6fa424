// The system calls through which the ppdev driver reaches the kernel: open a
// node, one ioctl on it, close it. They answer as the C library does (-1 with
// errno set on failure), so the driver's own error handling runs unchanged
// against the kernel and against a simulated node in tests.
#pragma once

namespace ccp::link {

class PpdevCalls {
public:
    virtual ~PpdevCalls() = default;
    // A handle, or -1 with errno.
    virtual int open(const char* path, int flags) = 0;
    // 0, or -1 with errno. `arg` is the request's argument (nullptr for none).
    virtual int ioctl(int fd, unsigned long request, void* arg) = 0;
    virtual int close(int fd) = 0;
};

// The kernel's own calls.
PpdevCalls& systemPpdevCalls();

} // namespace ccp::link
