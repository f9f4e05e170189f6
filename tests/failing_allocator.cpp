// Preloaded into the launcher to make every large allocation fail, the way an exhausted heap would.
#include <cerrno>
#include <cstddef>

extern "C" void* __libc_malloc(std::size_t size);

namespace {
constexpr std::size_t kLargestAllowed = 64 * 1024;
}

extern "C" void* malloc(std::size_t size)
{
    if (size > kLargestAllowed) {
        errno = ENOMEM;
        return nullptr;
    }
    return __libc_malloc(size);
}
