#pragma once

#include "file_operation.h"
#include "mapped_file.h"

#include <QString>

#include <cstdint>
#include <memory>

namespace kv {

// A file being written under a temporary name in the folder of its final
// path. It takes the final name only when committed, replacing a file of
// that name in one step; dropped without a commit it leaves nothing behind.
// The temporary name is hidden and does not end in ".AVI", so no listing of
// recordings shows it.
class PendingOutput {
public:
    explicit PendingOutput(const QString& finalPath);
    ~PendingOutput();
    PendingOutput(const PendingOutput&) = delete;
    PendingOutput& operator=(const PendingOutput&) = delete;

    const QString& finalPath() const { return finalPath_; }
    // Why the last step failed.
    const QString& error() const { return error_; }

    bool Open();
    bool Write(const void* data, std::uint64_t length);

    enum class CopyResult { Copied, Failed, Cancelled };
    // Appends length bytes of source from offset, in pieces of at most window
    // bytes, testing control (when given) before each piece. A source shorter
    // than offset + length fails.
    CopyResult Copy(MappedFile& source, std::uint64_t offset, std::uint64_t length,
                    std::uint64_t window, const OperationControl* control);

    bool Commit();
    void Discard();

private:
    bool CopyMapped(MappedFile& source, std::uint64_t offset, std::uint64_t length);

    QString finalPath_;
    QString error_;
    struct Platform;
    std::unique_ptr<Platform> platform_;
};

} // namespace kv
