#pragma once

#include <cstdint>

namespace kv {

enum class KernelCopy {
    Done,        // every byte copied
    Unsupported, // not between these two files (other volume, no support): nothing copied
    Failed,      // a real error, errno set; ENODATA when the source ended early
};

// Copies length bytes at offset of the file open as sourceFd into targetFd
// inside the kernel, as cp does (Linux copy_file_range): no page passes
// through this process. With targetOffset the bytes go there (and it
// advances), without it to the descriptor's own position. copied tells how
// far it got.
KernelCopy CopyInKernel(int sourceFd, std::uint64_t offset, int targetFd,
                        std::int64_t* targetOffset, std::uint64_t length, std::uint64_t& copied);

} // namespace kv
