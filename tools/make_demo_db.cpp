// make-demo-db SQLFILE DBFILE: builds an embedded database from a script of
// batches separated by GO lines. The database is built under a temporary
// name beside DBFILE and renamed at the end, so a failure leaves no file.

#include "sqltext/Error.h"
#include "data/sqlite/SqliteEngine.h"
#include "sqltext/Batches.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

namespace {

std::string readScript(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw varnett::Error("cannot read " + path);
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad())
        throw varnett::Error("cannot read " + path);
    return text.str();
}

fs::path temporaryBeside(const fs::path& target)
{
    std::random_device seed;
    fs::path folder = target.parent_path().empty() ? fs::path(".") : target.parent_path();
    return folder / ("." + target.filename().string() + ".building-" + std::to_string(seed()));
}

void removeBuilt(const fs::path& file)
{
    std::error_code ignored;
    fs::remove(file, ignored);
    fs::remove(fs::path(file.string() + "-journal"), ignored);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::cerr << "usage: make-demo-db SQLFILE DBFILE\n";
        return 2;
    }
    const std::string scriptPath = argv[1];
    const fs::path target = argv[2];

    fs::path building;
    try {
        std::error_code error;
        if (fs::exists(target, error))
            throw varnett::Error(target.string() + " already exists; it is not overwritten");
        auto batches = varnett::sqltext::splitBatches(readScript(scriptPath));

        building = temporaryBeside(target);
        varnett::data::createSqliteDatabase(building.string());
        {
            auto engine = varnett::data::openSqliteEngine(building.string());
            for (std::size_t i = 0; i < batches.size(); ++i) {
                try {
                    engine->executeBatch(batches[i]);
                } catch (const varnett::Error& e) {
                    throw varnett::Error("batch " + std::to_string(i + 1) + ": " + e.what());
                }
            }
        }
        if (fs::exists(target, error))
            throw varnett::Error(target.string() + " already exists; it is not overwritten");
        fs::rename(building, target);
    } catch (const std::exception& e) {
        if (!building.empty())
            removeBuilt(building);
        std::cerr << "make-demo-db: " << e.what() << '\n';
        return 1;
    }
    return 0;
}
