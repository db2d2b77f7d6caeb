#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstring>

#include "platform/os/os_services.h"

namespace tamlo::os {
namespace {

// An abstract Unix socket: the kernel owns the name, so it vanishes with the last
// descriptor, also when the process dies, and needs no file anywhere.
class AbstractSocketLock : public InstanceLock {
  public:
    explicit AbstractSocketLock(int fd) : fd_(fd) {}
    ~AbstractSocketLock() override { close(fd_); }

  private:
    int fd_;
};

}  // namespace

std::unique_ptr<InstanceLock> InstanceLock::acquire(const std::string& name, Result* result) {
    Result outcome = Result::Failed;
    std::unique_ptr<InstanceLock> lock;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    // sun_path[0] stays 0: that makes the name abstract.
    if (!name.empty() && name.size() < sizeof(address.sun_path) &&
        name.find('\0') == std::string::npos) {
        std::memcpy(address.sun_path + 1, name.data(), name.size());
        // Children started by scripts must not inherit the lock.
        int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd >= 0) {
            socklen_t length =
                static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
            if (bind(fd, reinterpret_cast<const sockaddr*>(&address), length) == 0) {
                lock = std::make_unique<AbstractSocketLock>(fd);
                outcome = Result::Acquired;
            } else {
                outcome = errno == EADDRINUSE ? Result::AlreadyHeld : Result::Failed;
                close(fd);
            }
        }
    }
    if (result) {
        *result = outcome;
    }
    return lock;
}

}  // namespace tamlo::os
