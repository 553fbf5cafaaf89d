#pragma once

#include <QString>

#include <memory>
#include <string_view>

namespace corvanta {

// A file opened for appending only: every write lands at the current end of the file, even when
// another process appends to the same file, so no one's lines are overwritten.
class AppendOnlyFile {
public:
    // Creates the file if it is missing. Null when it cannot be opened.
    static std::unique_ptr<AppendOnlyFile> open(const QString& path);
    ~AppendOnlyFile();
    AppendOnlyFile(const AppendOnlyFile&) = delete;
    AppendOnlyFile& operator=(const AppendOnlyFile&) = delete;

    // Writes all of `bytes`. Returns false when the write failed (a full disk, for example); what
    // could not be written is dropped.
    bool write(std::string_view bytes);

private:
    explicit AppendOnlyFile(int fd) : m_fd(fd) {}
    int m_fd;
};

} // namespace corvanta
