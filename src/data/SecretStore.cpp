#include "data/SecretStore.h"

#include <qt6keychain/keychain.h>

#include <QEventLoop>

namespace varnett::data {

namespace {

const QString kService = QStringLiteral("Varnett");

class NoSecretStore final : public SecretStore {
public:
    std::optional<std::string> read(const std::string&) override { unavailable(); }
    void write(const std::string&, const std::string&) override { unavailable(); }
    void remove(const std::string&) override { unavailable(); }

private:
    [[noreturn]] static void unavailable()
    {
        throw KeychainUnavailable("No system keychain is available");
    }
};

// Runs a keychain job to its end. The job answers through a signal, so a
// local event loop waits for it.
void run(QKeychain::Job& job)
{
    job.setAutoDelete(false);
    QEventLoop loop;
    QObject::connect(&job, &QKeychain::Job::finished, &loop, &QEventLoop::quit);
    job.start();
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

// True for a failure that says no keychain answers. On Linux QtKeychain
// reports a Secret Service missing from the session bus (or no session bus)
// as some other error, in D-Bus's words.
bool saysUnavailable(const QKeychain::Job& job)
{
    if (job.error() == QKeychain::NoBackendAvailable || job.error() == QKeychain::NotImplemented)
        return true;
    const QString text = job.errorString();
    return job.error() == QKeychain::OtherError
        && (text.contains(QLatin1String("org.freedesktop.secrets"))
            || text.contains(QLatin1String("D-Bus")) || text.contains(QLatin1String("DBus")));
}

// Throws for a job that failed, except for a missing entry.
void throwUnlessFound(const QKeychain::Job& job, const char* doing)
{
    if (saysUnavailable(job))
        throw KeychainUnavailable("No system keychain is available: "
                                  + job.errorString().toStdString());
    switch (job.error()) {
    case QKeychain::NoError:
    case QKeychain::EntryNotFound:
        return;
    default:
        throw Error(std::string("The system keychain failed ") + doing + ": "
                    + job.errorString().toStdString());
    }
}

class SystemKeychain final : public SecretStore {
public:
    std::optional<std::string> read(const std::string& entry) override
    {
        QKeychain::ReadPasswordJob job(kService);
        job.setKey(QString::fromStdString(entry));
        run(job);
        throwUnlessFound(job, "to read a password");
        if (job.error() == QKeychain::EntryNotFound)
            return std::nullopt;
        return job.textData().toStdString();
    }

    void write(const std::string& entry, const std::string& secret) override
    {
        QKeychain::WritePasswordJob job(kService);
        job.setKey(QString::fromStdString(entry));
        job.setTextData(QString::fromStdString(secret));
        run(job);
        throwUnlessFound(job, "to store a password");
        if (job.error() == QKeychain::EntryNotFound)
            throw Error("The system keychain failed to store a password");
    }

    void remove(const std::string& entry) override
    {
        QKeychain::DeletePasswordJob job(kService);
        job.setKey(QString::fromStdString(entry));
        run(job);
        throwUnlessFound(job, "to remove a password");
    }
};

} // namespace

std::unique_ptr<SecretStore> noSecretStore()
{
    return std::make_unique<NoSecretStore>();
}

std::unique_ptr<SecretStore> systemKeychain()
{
    return std::make_unique<SystemKeychain>();
}

} // namespace varnett::data
