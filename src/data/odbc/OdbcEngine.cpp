#include "data/odbc/OdbcEngine.h"

#include "data/ConnectionString.h"
#include "sqltext/AsciiText.h"
#include "sqltext/Error.h"
#include "data/odbc/OdbcConnectionString.h"

#include <filesystem>
#include <system_error>

#ifdef VARNETT_HAVE_ODBC
#include "data/odbc/OdbcBlockLoad.h"
#include "data/odbc/OdbcCatalog.h"
#include "data/odbc/OdbcCursor.h"
#include "data/odbc/OdbcRun.h"
#include "data/odbc/OdbcSession.h"
#include "data/odbc/SqlServerCatalog.h"
#include "data/odbc/SqlServerSchema.h"
#include "sqltext/Identifiers.h"
#include "sqltext/ObjectName.h"
#include "sqltext/ProcedureText.h"

#include <algorithm>
#include <cstdlib>
#endif

namespace varnett::data {

namespace {

#ifdef VARNETT_HAVE_ODBC

bool isBlankText(std::string_view text) { return sqltext::isBlankText(text, sqltext::isWhiteSpace); }

class OdbcEngine final : public Engine {
public:
    explicit OdbcEngine(const OdbcConnectRequest& request)
        : m_session(std::make_shared<OdbcSession>(request.connectionString, request.loginTimeout,
                                                request.freeTdsConfig, request.checksCertificate)),
          m_blockLoad(m_session, blockLoadRows(std::getenv("VARNETT_ODBC_BLOCK_LOAD")))
    {
        std::string dbms = m_session->info(SQL_DBMS_NAME);
        m_options.sqlServer = sqltext::equalsNoCase(dbms, "Microsoft SQL Server");
        m_options.patternEscape = m_session->info(SQL_SEARCH_PATTERN_ESCAPE);
        m_quote = m_session->info(SQL_IDENTIFIER_QUOTE_CHAR);
        if (isBlankText(m_quote))
            m_quote.clear(); // the driver quotes no identifiers
    }

    std::string databaseName() const override
    {
        std::string name = m_session->textAttribute(SQL_ATTR_CURRENT_CATALOG);
        return name.empty() ? m_session->info(SQL_DATABASE_NAME) : name;
    }

    std::vector<ObjectName> listTables() override
    {
        return m_options.sqlServer ? sqlServerTables(m_session) : catalogTables(m_session, m_options);
    }
    std::vector<ObjectName> listViews() override
    {
        return m_options.sqlServer ? sqlServerViews(m_session) : catalogViews(m_session, m_options);
    }

    std::vector<ProcedureRef> listProcedures() override
    {
        return catalogProcedures(m_session, m_options);
    }

    std::unique_ptr<RowCursor> openTable(const ObjectName& table) override
    {
        return openRows(table, {});
    }

    std::unique_ptr<RowCursor> openRows(const ObjectName& object,
                                        const std::string& condition) override
    {
        if (object.name.empty())
            throw Error("No table name was given");
        const std::string& table = object.name;
        // The catalog is read before the rows: many drivers serve one
        // active statement per connection.
        std::vector<OwnedColumns> catalog = ownedBy(catalogColumns(m_session, m_options, table),
                                                    object.isDbo() ? "dbo" : object.schema);

        ServerFilledColumns filled;
        if (m_options.sqlServer)
            filled = sqlServerFilledColumns(m_session, sqltext::bracketedName(object),
                                            namesOf(catalog));

        auto statement = std::make_unique<OdbcStatement>(m_session);
        statement->execute("SELECT *" + fromWhere(object, condition));
        std::vector<ResultColumn> result = describeResult(*statement);
        std::vector<sqltext::ColumnDesc> columns = chooseColumns(catalog, result);
        // The server's own word on identity and computed columns: not every
        // server writes "identity" into the catalog's type name.
        auto among = [](const std::vector<std::string>& names, const std::string& name) {
            return std::find(names.begin(), names.end(), name) != names.end();
        };
        for (auto& column : columns) {
            column.computed = among(filled.computed, column.name);
            column.identity = column.identity || among(filled.identity, column.name);
        }
        return std::make_unique<OdbcCursor>(std::move(statement), std::move(result),
                                            std::move(columns), m_options.sqlServer);
    }

    std::optional<std::uint64_t> countRows(const ObjectName& table,
                                           const std::string& condition) override
    {
        OdbcStatement statement(m_session);
        statement.execute((m_options.sqlServer ? "SELECT COUNT_BIG(*)" : "SELECT COUNT(*)")
                          + fromWhere(table, condition));
        std::optional<std::int64_t> count;
        if (statement.fetch())
            count = statement.integer(1);
        if (!count || *count < 0)
            return std::nullopt;
        return static_cast<std::uint64_t>(*count);
    }

    std::vector<ObjectName> referencedTables(const ObjectName& table) override
    {
        return data::referencedTables(m_session, table);
    }

    void executeBatch(const std::string& sql) override
    {
        if (isBlankText(sql))
            throw Error("Command text was not set for the command object.");
        // In a transaction (a load's), the data script's INSERT batches may
        // go as bound parameters; a failure rolls the whole load back.
        if (m_inTransaction && m_blockLoad.run(sql))
            return;
        m_blockLoad.forget();
        OdbcStatement statement(m_session);
        statement.execute(sql);
        drainResults(statement);
    }

    std::vector<std::string> procedureText(const ObjectName& procedure) override
    {
        const std::string objectName = sqltext::procedureObjectName(databaseName(), procedure);
        // SQL Server keeps a module's text whole in its catalog; sp_helptext
        // cuts it into rows of at most 255 characters.
        if (m_options.sqlServer)
            return {sqlServerModuleText(m_session, objectName)};
        OdbcStatement statement(m_session);
        SQLRETURN rc = statement.execute("exec sp_helptext ?", {objectName});
        // The rows are those of the result that has columns, whatever row
        // counts or messages come before it.
        std::vector<std::string> rows;
        for (;;) {
            if (rc != SQL_NO_DATA && statement.resultColumns() > 0)
                while (statement.fetch())
                    rows.push_back(statement.text(1).value_or(std::string()));
            rc = statement.check(SQLMoreResults(statement.handle()), "SQLMoreResults");
            if (rc == SQL_NO_DATA)
                return rows;
        }
    }

    ProcedureSettings procedureSettings(const ObjectName& procedure) override
    {
        const std::string objectName = sqltext::procedureObjectName(databaseName(), procedure);
        if (m_options.sqlServer)
            return sqlServerModuleSettings(m_session, objectName);
        OdbcStatement statement(m_session);
        statement.execute("SELECT OBJECTPROPERTY(OBJECT_ID(?), 'ExecIsQuotedIdentOn'),"
                          " OBJECTPROPERTY(OBJECT_ID(?), 'ExecIsAnsiNullsOn')",
                          {objectName, objectName});
        if (!statement.fetch())
            throw Error("The settings of the procedure '" + objectName + "' cannot be read.");
        const auto quoted = statement.integer(1);
        const auto ansiNulls = statement.integer(2);
        if (!quoted || !ansiNulls)
            throw Error("The object '" + objectName + "' does not exist or is not a procedure.");
        return {*quoted != 0, *ansiNulls != 0};
    }

    sqltext::TableKeys tableKeys(const ObjectName& object) override
    {
        if (object.name.empty())
            throw Error("No table name was given");
        if (m_options.sqlServer) {
            const std::vector<OwnedColumns> catalog = ownedBy(
                catalogColumns(m_session, m_options, object.name), object.schema);
            return sqlServerKeys(m_session, sqltext::bracketedName(object), namesOf(catalog));
        }
        return catalogKeys(m_session, m_options, object.name,
                           object.isDbo() ? std::string() : object.schema);
    }

    sqltext::SchemaObject schemaObject(const sqltext::ObjectName& object) override
    {
        if (!m_options.sqlServer)
            return Engine::schemaObject(object);
        return sqlServerSchemaObject(m_session, object);
    }

    std::vector<ProcedureParameter> procedureParameters(const ProcedureRef& procedure) override
    {
        return sqlServerProcedureParameters(m_session, procedure);
    }

    RunOutcome runProcedure(const RunRequest& request) override
    {
        if (m_inTransaction)
            throw Error("A procedure cannot be run while a transaction is active on this connection.");
        return sqlServerRunProcedure(m_session, request);
    }

    void beginTransaction() override
    {
        if (m_inTransaction)
            throw Error("A transaction is already active on this connection.");
        m_session->setAttribute(SQL_ATTR_AUTOCOMMIT, SQL_AUTOCOMMIT_OFF,
                                "SQLSetConnectAttr(SQL_ATTR_AUTOCOMMIT)");
        m_inTransaction = true;
    }

    void commit() override
    {
        if (!m_inTransaction)
            throw Error("The COMMIT TRANSACTION request has no corresponding BEGIN TRANSACTION.");
        // A failed commit leaves the transaction open for the caller's rollback.
        m_session->check(SQLEndTran(SQL_HANDLE_DBC, m_session->handle(), SQL_COMMIT), "SQLEndTran");
        m_inTransaction = false;
        m_blockLoad.forget();
        m_session->setAttribute(SQL_ATTR_AUTOCOMMIT, SQL_AUTOCOMMIT_ON,
                                "SQLSetConnectAttr(SQL_ATTR_AUTOCOMMIT)");
    }

    void rollback() override
    {
        if (!m_inTransaction)
            throw Error("The ROLLBACK TRANSACTION request has no corresponding BEGIN TRANSACTION.");
        SQLRETURN rc = SQLEndTran(SQL_HANDLE_DBC, m_session->handle(), SQL_ROLLBACK);
        if (!SQL_SUCCEEDED(rc))
            m_session->check(rc, "SQLEndTran");
        m_inTransaction = false;
        m_blockLoad.forget();
        m_session->setAttribute(SQL_ATTR_AUTOCOMMIT, SQL_AUTOCOMMIT_ON,
                                "SQLSetConnectAttr(SQL_ATTR_AUTOCOMMIT)");
    }

private:
    std::string quoted(const std::string& name) const
    {
        // Brackets hold on SQL Server whatever QUOTED_IDENTIFIER says.
        if (m_options.sqlServer)
            return sqltext::bracketQuote(name);
        if (m_quote.empty())
            return name;
        std::string out = m_quote;
        for (std::size_t i = 0; i < name.size(); ++i) {
            if (name.compare(i, m_quote.size(), m_quote) == 0)
                out += m_quote;
            out += name[i];
        }
        return out + m_quote;
    }

    // " FROM table WHERE (condition)" of a table as the lists show it.
    std::string fromWhere(const sqltext::ObjectName& object, const std::string& condition) const
    {
        std::string sql = " FROM " + (object.isDbo() ? "" : quoted(object.schema) + ".")
            + quoted(object.name);
        if (!isBlankText(condition))
            sql += " WHERE (" + condition + ")";
        return sql;
    }

    // The column names of every owner's table.
    static std::vector<std::string> namesOf(const std::vector<OwnedColumns>& groups)
    {
        std::vector<std::string> names;
        for (const auto& group : groups)
            for (const auto& column : group.columns)
                names.push_back(column.name);
        return names;
    }

    // The column groups of the owners in the schema (or, for dbo, in no
    // schema); all of them when none is.
    static std::vector<OwnedColumns> ownedBy(std::vector<OwnedColumns> groups,
                                             const std::string& schema)
    {
        std::vector<OwnedColumns> kept;
        for (auto& group : groups) {
            const std::string owner = group.owner.substr(group.owner.rfind('.') + 1);
            if (sqltext::equalsNoCase(owner, schema) || (owner.empty() && sqltext::equalsNoCase(schema, "dbo")))
                kept.push_back(std::move(group));
        }
        return kept.empty() ? groups : kept;
    }

    // The catalog's columns of the table the SELECT read: of the owners
    // holding a table of that name, the one whose column names are those of
    // the result. Without one, the result's own description.
    static std::vector<sqltext::ColumnDesc> chooseColumns(const std::vector<OwnedColumns>& catalog,
                                                          const std::vector<ResultColumn>& result)
    {
        std::vector<sqltext::ColumnDesc> columns;
        for (const auto& group : catalog) {
            bool same = group.columns.size() == result.size()
                && std::equal(group.columns.begin(), group.columns.end(), result.begin(),
                              [](const CatalogColumn& c, const ResultColumn& r) {
                                  return c.name == r.catalog.name;
                              });
            if (!same)
                continue;
            for (const auto& column : group.columns)
                columns.push_back(describeCatalogColumn(column));
            return columns;
        }
        for (const auto& column : result)
            columns.push_back(describeCatalogColumn(column.catalog));
        return columns;
    }

    // Walks every further result of the batch, so that an error raised by
    // a later statement is reported.
    static void drainResults(OdbcStatement& statement)
    {
        while (statement.check(SQLMoreResults(statement.handle()), "SQLMoreResults") != SQL_NO_DATA) {
        }
    }

    std::shared_ptr<OdbcSession> m_session;
    OdbcBlockLoad m_blockLoad;
    CatalogOptions m_options;
    std::string m_quote;
    bool m_inTransaction = false;
};

#endif // VARNETT_HAVE_ODBC

} // namespace

bool isOdbcProvider(std::string_view provider)
{
    return odbcProviderOf(provider) != OdbcProvider::None;
}

std::string defaultSqlServerDriver()
{
#ifdef _WIN32
    return "SQL Server";
#else
    namespace fs = std::filesystem;
    std::error_code error;
    // Debian and Ubuntu keep drivers in the multiarch folder.
    for (const auto& entry : fs::directory_iterator("/usr/lib", error)) {
        if (entry.path().filename().string().find("-linux-") == std::string::npos)
            continue;
        fs::path candidate = entry.path() / "odbc" / "libtdsodbc.so";
        if (fs::exists(candidate, error))
            return candidate.string();
    }
    for (const char* candidate :
         {"/usr/lib/odbc/libtdsodbc.so", "/usr/lib64/libtdsodbc.so.0", "/usr/lib64/libtdsodbc.so",
          "/usr/local/lib/libtdsodbc.so", "/opt/homebrew/lib/libtdsodbc.so"})
        if (fs::exists(candidate, error))
            return candidate;
    return "FreeTDS";
#endif
}

std::unique_ptr<Engine> openOdbcEngine(const std::string& connectionString)
{
    ConnectionString parsed = ConnectionString::parse(connectionString);
    OdbcProvider provider = odbcProviderOf(parsed.value("Provider"));
    OdbcConnectRequest request = toOdbcConnectRequest(
        parsed, provider == OdbcProvider::SqlServer ? defaultSqlServerDriver() : std::string());
#ifdef VARNETT_HAVE_ODBC
    return std::make_unique<OdbcEngine>(request);
#else
    throw Error("Provider '" + parsed.value("Provider")
                + "' cannot be used: this build of Varnett has no ODBC support.");
#endif
}

} // namespace varnett::data
