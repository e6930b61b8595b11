#pragma once

#include <memory>
#include <optional>
#include <string>

class QTemporaryFile;

namespace varnett::data {

// A freetds.conf of the connection's own, read by the FreeTDS driver while
// the object lives: the text goes to a private temporary file and FREETDSCONF
// names it; the variable's old value comes back when the object goes. Empty
// text does nothing. Throws varnett::Error when the file cannot be written.
// FreeTDS reads the file while it connects, so the object lives just as long
// as the connecting call.
class FreeTdsConfigFile {
public:
    explicit FreeTdsConfigFile(const std::string& text);
    ~FreeTdsConfigFile();
    FreeTdsConfigFile(const FreeTdsConfigFile&) = delete;
    FreeTdsConfigFile& operator=(const FreeTdsConfigFile&) = delete;

private:
    std::unique_ptr<QTemporaryFile> m_file;
    std::optional<std::string> m_previous;
};

} // namespace varnett::data
