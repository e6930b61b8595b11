#include "data/ReplacingFile.h"

#include "sqltext/Error.h"

#include <cerrno>
#include <cstring>
#include <random>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace varnett::data {

namespace {

namespace fs = std::filesystem;

constexpr int kMaxLinks = 40;       // as the system allows in a path
constexpr int kNameAttempts = 100;
// How much is written before the disk is asked to start on it.
constexpr std::uint64_t kWriteBehind = 8u << 20;

// The file a path names once its symbolic links are followed; the last one
// may point to a file that does not exist yet.
fs::path followLinks(const std::string& target)
{
    fs::path path = target;
    std::error_code error;
    for (int hops = 0; fs::is_symlink(fs::symlink_status(path, error)); ++hops) {
        if (hops == kMaxLinks)
            throw Error(writeErrorMessage(target, ELOOP));
        fs::path link = fs::read_symlink(path, error);
        if (error)
            throw Error(writeErrorMessage(target, error.value()));
        path = link.is_absolute() ? link : path.parent_path() / link;
    }
    return path;
}

std::string randomSuffix()
{
    static std::mt19937 generator{std::random_device{}()};
    static constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::string suffix = ".";
    for (int i = 0; i < 8; ++i)
        suffix += kDigits[generator() % 36];
    return suffix;
}

// Gives the new file the permissions (and, where allowed, the owner) of the
// one it replaces.
void keepAttributes(const fs::path& temporary, const fs::path& replaced)
{
    std::error_code error;
    auto status = fs::status(replaced, error);
    if (error || !fs::exists(status))
        return;
    fs::permissions(temporary, status.permissions(), error);
#ifndef _WIN32
    struct stat info {};
    if (::stat(replaced.c_str(), &info) == 0
        && ::chown(temporary.c_str(), info.st_uid, info.st_gid) != 0) {
        // only root may give a file away; the new file then stays the user's
    }
#endif
}

} // namespace

std::string writeErrorMessage(const std::string& path, int errorNumber)
{
    return "Cannot write the file '" + path + "': " + std::strerror(errorNumber) + ".";
}

ReplacingFile::ReplacingFile(const std::string& target, const std::string& protectedFile)
    : m_target(target)
{
    if (target.empty())
        throw Error("No file name is given.");
    if (target.find('\0') != std::string::npos)
        throw Error("The file name holds a NUL character.");
    m_final = followLinks(target);

    std::error_code error;
    auto status = fs::status(m_final, error);
    if (fs::exists(status)) {
        if (fs::is_directory(status))
            throw Error("'" + target + "' is a folder, not a file.");
        if (!fs::is_regular_file(status))
            throw Error("'" + target + "' is a device or other special file, not a file to"
                        " write into.");
        if (!protectedFile.empty() && fs::equivalent(m_final, protectedFile, error))
            throw Error("'" + target + "' is the database file of the current connection;"
                        " writing there would replace the database.");
        // The rename needs only the folder's permission; a file the user may
        // not write stays as it is all the same.
#ifdef _WIN32
        if ((status.permissions() & fs::perms::owner_write) == fs::perms::none)
            throw Error(writeErrorMessage(target, EACCES));
#else
        if (::access(m_final.c_str(), W_OK) != 0)
            throw Error(writeErrorMessage(target, errno));
#endif
    }

    for (int attempt = 0; attempt < kNameAttempts && !m_file; ++attempt) {
        m_temporary = m_final;
        m_temporary += randomSuffix();
        // "x": only a file that does not exist yet is created.
        m_file = std::fopen(m_temporary.c_str(), "wbx");
        if (!m_file && errno != EEXIST)
            throw Error(writeErrorMessage(target, errno));
    }
    if (!m_file)
        throw Error(writeErrorMessage(target, EEXIST));
    keepAttributes(m_temporary, m_final);
}

ReplacingFile::~ReplacingFile()
{
    if (m_file)
        std::fclose(m_file);
    if (!m_committed) {
        std::error_code ignored;
        fs::remove(m_temporary, ignored);
    }
}

void ReplacingFile::fail(int errorNumber)
{
    if (m_file) {
        std::fclose(m_file);
        m_file = nullptr;
    }
    std::error_code ignored;
    fs::remove(m_temporary, ignored);
    throw Error(writeErrorMessage(m_target, errorNumber));
}

void ReplacingFile::write(std::string_view bytes)
{
    if (!m_file)
        throw Error(writeErrorMessage(m_target, EBADF));
    errno = 0;
    if (std::fwrite(bytes.data(), 1, bytes.size(), m_file) != bytes.size())
        fail(errno != 0 ? errno : EIO);
    m_written += bytes.size();
    if (m_written - m_flushed >= kWriteBehind)
        startWriting();
}

// Hands what is written so far to the disk without waiting for it, so that
// a large file is mostly on the disk by the time commit() waits for it.
void ReplacingFile::startWriting()
{
    errno = 0;
    if (std::fflush(m_file) != 0)
        fail(errno != 0 ? errno : EIO);
#ifdef __linux__
    // Only a hint: where the file system does not take it, commit() does
    // all the waiting.
    ::sync_file_range(::fileno(m_file), static_cast<off_t>(m_flushed),
                      static_cast<off_t>(m_written - m_flushed), SYNC_FILE_RANGE_WRITE);
#endif
    m_flushed = m_written;
}

void ReplacingFile::commit()
{
    if (!m_file)
        throw Error(writeErrorMessage(m_target, EBADF));
    errno = 0;
    if (std::fflush(m_file) != 0)
        fail(errno != 0 ? errno : EIO);
#ifndef _WIN32
    // The data reach the disk before the name does.
    if (::fsync(::fileno(m_file)) != 0 && errno != EINVAL)
        fail(errno);
#endif
    std::FILE* file = m_file;
    m_file = nullptr;
    errno = 0;
    if (std::fclose(file) != 0)
        fail(errno != 0 ? errno : EIO);
    std::error_code error;
    fs::rename(m_temporary, m_final, error);
    if (error)
        fail(error.value());
    m_committed = true;
}

void replaceFile(const std::string& path, std::string_view bytes)
{
    ReplacingFile file(path);
    file.write(bytes);
    file.commit();
}

} // namespace varnett::data
