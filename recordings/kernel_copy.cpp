#include "kernel_copy.h"

#include <QtGlobal>

#include <cerrno>

#if defined(Q_OS_LINUX)
#include <unistd.h>
#endif

namespace kv {

KernelCopy CopyInKernel(int sourceFd, std::uint64_t offset, int targetFd,
                        std::int64_t* targetOffset, std::uint64_t length, std::uint64_t& copied) {
    copied = 0;
#if defined(Q_OS_LINUX)
    loff_t in = static_cast<loff_t>(offset);
    loff_t out = targetOffset ? static_cast<loff_t>(*targetOffset) : 0;
    while (copied < length) {
        const ssize_t n = ::copy_file_range(sourceFd, &in, targetFd, targetOffset ? &out : nullptr,
                                            static_cast<std::size_t>(length - copied), 0);
        if (n > 0) {
            copied += static_cast<std::uint64_t>(n);
            if (targetOffset) {
                *targetOffset = out;
            }
            continue;
        }
        if (n == 0) {
            errno = ENODATA; // the source is shorter than it was
            return KernelCopy::Failed;
        }
        if (errno == EINTR) {
            continue;
        }
        const bool unsupported = errno == EXDEV || errno == EINVAL || errno == ENOSYS ||
                                 errno == EOPNOTSUPP || errno == EBADF;
        return unsupported && copied == 0 ? KernelCopy::Unsupported : KernelCopy::Failed;
    }
    return KernelCopy::Done;
#else
    Q_UNUSED(sourceFd);
    Q_UNUSED(offset);
    Q_UNUSED(targetFd);
    Q_UNUSED(targetOffset);
    Q_UNUSED(length);
    return KernelCopy::Unsupported;
#endif
}

} // namespace kv
