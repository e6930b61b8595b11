#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace varnett::data {

// A file written under a temporary name beside its target and put in the
// target's place by commit(). Until then the target is untouched; a file that
// is not committed is removed when the object goes.
//
// A symbolic link is followed: the file it points to is replaced and the link
// stays. A target that exists but is no regular file (a folder, a device such
// as /dev/null, a pipe) is refused, and so is `protectedFile` under any of its
// names (the database file of the current connection) and a file the user
// may not write (a read-only file is not replaced). Every error is a
// varnett::Error naming the file and the cause as the system states it
// ("No space left on device").
class ReplacingFile {
public:
    explicit ReplacingFile(const std::string& target, const std::string& protectedFile = {});
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    void write(std::string_view bytes);
    void commit();

private:
    [[noreturn]] void fail(int errorNumber);
    void startWriting();

    std::string m_target;                 // as given, for messages
    std::filesystem::path m_final;        // the file that is replaced
    std::filesystem::path m_temporary;
    std::FILE* m_file = nullptr;
    bool m_committed = false;
    std::uint64_t m_written = 0;          // bytes given to write()
    std::uint64_t m_flushed = 0;          // of those, bytes handed to the disk
};

// Writes the bytes as the whole file, through a ReplacingFile.
void replaceFile(const std::string& path, std::string_view bytes);

// "Cannot write the file 'PATH': CAUSE." for an errno value.
std::string writeErrorMessage(const std::string& path, int errorNumber);

} // namespace varnett::data
